#include "ui/main_window/drop_down_choice.h"

bool DropDownChoiceConfirmed(HWND window, int id, int code) {
    const auto timer = static_cast<UINT_PTR>(id);
    switch (code) {
    case CBN_SELCHANGE:
    case CBN_SELENDOK:
        // The dropped list confirms its choice when it closes; an arrow key on
        // the closed box sends both notifications for every step it takes.
        if (::SendDlgItemMessageW(window, id, CB_GETDROPPEDSTATE, 0, 0)) {
            if (code == CBN_SELCHANGE) return false;
            ::KillTimer(window, timer);
            return true;
        }
        ::SetTimer(window, timer, kDropDownIdleMs, nullptr);
        return false;
    case CBN_CLOSEUP:
    case CBN_KILLFOCUS: ::KillTimer(window, timer); return true;
    default: return false;
    }
}
