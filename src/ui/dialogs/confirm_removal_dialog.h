#pragma once
// The removal confirmation (dialog 105): the message with its risks, one list
// row per package, Cancel as the default answer.
#include <windows.h>

#include <string>
#include <vector>

#include "core/localized_text.h"
#include "operations/removal_confirmation.h"

struct ConfirmRemovalParams {
    LangId Language = 1;
    std::wstring Message;  // paragraphs separated by CR LF
    std::vector<ConfirmationRow> Rows;
    bool ShowWarningIcon = false;
    int HeightLimit = 0;  // pixels, from the main window; 0: no limit
};

// Modal over `owner`; IDOK when the user chose Remove, IDCANCEL otherwise.
INT_PTR ShowConfirmRemovalDialog(HINSTANCE instance, HWND owner, const ConfirmRemovalParams& params);
