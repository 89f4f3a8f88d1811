#include "operations/json_text.h"

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
        default: escaped += c; break;
        }
    }
    return escaped;
}
