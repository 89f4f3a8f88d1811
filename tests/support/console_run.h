#pragma once
// Quillbay.exe's console commands as a script meets them: the language they
// speak and the lines they write.
#include <windows.h>

#include <string>
#include <vector>

#include "core/localized_text.h"
#include "core/settings.h"
#include "core/text_encoding.h"

namespace test {

// The lines of a CR LF text; what follows the last CR LF is the last element.
inline std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

// A text of the table as the redirected console writes it.
inline std::string Utf8Text(TextId id, LangId language = 1) { return WideToUtf8(GetText(language, id)); }

// Sets the stored interface language, which every process of the prefix reads,
// and restores what was stored when it ends.
class StoredLanguage {
public:
    StoredLanguage() { hadValue_ = ReadSettingDword(L"Language", saved_); }
    StoredLanguage(const StoredLanguage&) = delete;
    StoredLanguage& operator=(const StoredLanguage&) = delete;
    ~StoredLanguage() {
        if (hadValue_) {
            (void)WriteSettingDword(L"Language", saved_);
        } else {
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"Language");
        }
    }
    [[nodiscard]] bool Set(DWORD language) { return WriteSettingDword(L"Language", language); }

private:
    bool hadValue_ = false;
    DWORD saved_ = 0;
};

}  // namespace test
