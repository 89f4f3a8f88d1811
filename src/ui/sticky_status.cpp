#include "ui/sticky_status.h"

#include "app/localized_text.h"
#include "ui/app_state.h"
#include "ui/status_line.h"

void ResetStickyStatus(AppState& state) {
    if (!state.StickyResultStatus) return;
    state.StickyResultStatus = false;
    SetStatus(state, GetText(state.Language, 67), kProgressUnchanged);
}
