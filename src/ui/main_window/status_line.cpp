#include "ui/main_window/status_line.h"

#include <commctrl.h>

#include <algorithm>

#include "core/localized_text.h"
#include "ui/drawing/accessible_texts.h"
#include "ui/main_window/app_state.h"
#include "ui/main_window/main_window_controls.h"

namespace {

inline constexpr UINT kMarqueeIntervalMs = 40;

}  // namespace

void SetProgressMarquee(AppState& state, bool marquee) {
    state.ProgressMarquee = marquee;
    HWND bar = ::GetDlgItem(state.MainWindow, IDC_PROGRESS);
    if (!bar) return;
    const LONG_PTR style = ::GetWindowLongPtrW(bar, GWL_STYLE);
    if (marquee) {
        ::SetWindowLongPtrW(bar, GWL_STYLE, style | PBS_MARQUEE);
        ::SendMessageW(bar, PBM_SETMARQUEE, TRUE, kMarqueeIntervalMs);
    } else {
        ::SendMessageW(bar, PBM_SETMARQUEE, FALSE, 0);
        ::SetWindowLongPtrW(bar, GWL_STYLE, style & ~static_cast<LONG_PTR>(PBS_MARQUEE));
    }
}

void SetStatus(AppState& state, const std::wstring& text, int progress) {
    if (::GetCurrentThreadId() != state.Events.UiThreadId) {
        // Without a window there is nothing to show, and the fields below belong
        // to the interface thread.
        if (!state.MainWindow) return;
        StatusUpdate update{text, progress};
        ::SendMessageW(state.MainWindow, WM_APP_STATUS, 0, reinterpret_cast<LPARAM>(&update));
        return;
    }
    state.StatusIsTemporary = false;
    if (HWND line = ::GetDlgItem(state.MainWindow, IDC_STATUS_LINE)) {
        ::SetWindowTextW(line, text.c_str());
        AnnounceTextChange(line);
    }
    if (progress < 0 && progress != kProgressMarquee) return;

    const bool marquee = progress == kProgressMarquee;
    if (marquee != state.ProgressMarquee) SetProgressMarquee(state, marquee);
    if (progress >= 0) {
        if (HWND bar = ::GetDlgItem(state.MainWindow, IDC_PROGRESS))
            ::SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(std::min(progress, 100)), 0);
    }
}

void OnStatusMessage(AppState& state, LPARAM lParam) {
    const auto& update = *reinterpret_cast<const StatusUpdate*>(lParam);
    SetStatus(state, update.Text, update.Progress);
}

void ResetStatusIfTemporary(AppState& state) {
    if (state.StatusIsTemporary) SetStatus(state, GetText(state.Language, 67), kProgressUnchanged);
}
