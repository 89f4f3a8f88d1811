#pragma once
// The one dialog procedure of the dialogs: it keeps the dialog object in the
// window's user data from WM_INITDIALOG on and hands every message to its
// OnMessage. No exception unwinds into the window manager.
#include <windows.h>

#include <exception>

template <typename Dialog>
INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<Dialog*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->Window = window;
    } else {
        dialog = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    }
    if (dialog == nullptr) return FALSE;
    try {
        return dialog->OnMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        ::OutputDebugStringA(error.what());
    } catch (...) {
        ::OutputDebugStringA("unexpected dialog failure");
    }
    return FALSE;
}
