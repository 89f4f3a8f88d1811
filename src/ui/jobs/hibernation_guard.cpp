#include "ui/jobs/hibernation_guard.h"

#include "core/event_log.h"
#include "core/localized_text.h"
#include "platform/hibernation_file.h"
#include "ui/main_window/app_state.h"

bool RefuseHibernatedTarget(AppState& state) {
    if (state.TargetIsCurrent || !IsHibernatedWindows(state.TargetRoot)) return false;
    Log(state.Events, HibernationRefusalLogLine(state.TargetRoot));
    ::MessageBoxW(state.MainWindow, GetText(state.Language, 261), L"Quillbay", MB_OK | MB_ICONWARNING);
    return true;
}
