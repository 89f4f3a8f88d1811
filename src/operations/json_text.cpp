#include "operations/json_text.h"

#include <cwchar>

std::wstring JsonEscape(const std::wstring& text) {
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t c : text) {
        switch (c) {
        case L'\t': escaped += L"\\t"; break;
        case L'\n': escaped += L"\\n"; break;
        case L'\r': escaped += L"\\r"; break;
        case L'"': escaped += L"\\\""; break;
        case L'\\': escaped += L"\\\\"; break;
        default:
            // JSON forbids raw control characters inside strings.
            if (c < L' ') {
                wchar_t unit[7];
                std::swprintf(unit, 7, L"\\u%04x", static_cast<unsigned>(c));
                escaped += unit;
            } else {
                escaped += c;
            }
            break;
        }
    }
    return escaped;
}
