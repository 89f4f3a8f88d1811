#include "analysis/system_error_text.h"

#include "platform/system_message.h"

std::wstring FormatSystemError(DWORD code) {
    std::wstring text = SystemMessageText(code);
    if (text.empty()) text = L"Ошибка " + std::to_wstring(code);
    return text;
}
