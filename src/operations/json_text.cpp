#include "operations/json_text.h"

#include <cwchar>

namespace {

bool NeedsEscape(wchar_t c) { return c < L' ' || c == L'"' || c == L'\\'; }

}  // namespace

std::wstring JsonEscape(const std::wstring& text) {
    std::wstring escaped;
    escaped.reserve(text.size());
    AppendJsonEscaped(escaped, text);
    return escaped;
}

void AppendJsonEscaped(std::wstring& out, std::wstring_view text) {
    std::size_t plainFrom = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (!NeedsEscape(c)) continue;
        out.append(text.substr(plainFrom, i - plainFrom));
        plainFrom = i + 1;
        switch (c) {
        case L'\t': out += L"\\t"; break;
        case L'\n': out += L"\\n"; break;
        case L'\r': out += L"\\r"; break;
        case L'"': out += L"\\\""; break;
        case L'\\': out += L"\\\\"; break;
        default: {
            // JSON forbids raw control characters inside strings.
            wchar_t unit[7];
            std::swprintf(unit, 7, L"\\u%04x", static_cast<unsigned>(c));
            out += unit;
            break;
        }
        }
    }
    out.append(text.substr(plainFrom));
}
