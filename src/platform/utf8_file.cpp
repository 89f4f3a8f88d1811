#include "platform/utf8_file.h"

#include <windows.h>

#include <string_view>

#include "core/plain_file.h"
#include "core/text_encoding.h"
#include "core/unique_handle.h"

bool WriteUtf8File(const std::filesystem::path& path, const std::wstring& text, std::wstring& error,
                   bool byteOrderMark) {
    const std::string body = WideToUtf8(text);
    // The converter yields nothing only when the text exceeds its 32-bit range;
    // within it the bytes always fit one WriteFile call.
    if (!text.empty() && body.empty()) {
        error = L"Файл слишком велик: " + path.wstring();
        return false;
    }

    // Opened first and emptied only once it proved to be a plain file: replacing it
    // outright would already have emptied the target of a planted hard link.
    std::wstring refusal;
    FileHandle file = OpenPlainFile(path.wstring(), GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS, refusal);
    if (!file) {
        error = refusal.empty() ? L"Не удалось создать файл: " + path.wstring() : refusal;
        return false;
    }
    if (!::SetEndOfFile(file.get())) {
        error = L"Не удалось записать файл: " + path.wstring();
        return false;
    }
    // The mark goes on its own: prefixing it would copy a text of tens of megabytes.
    const auto write = [&file](std::string_view bytes) {
        DWORD written = 0;
        return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    };
    if (!write(byteOrderMark ? "\xEF\xBB\xBF" : "") || !write(body)) {
        error = L"Не удалось записать файл: " + path.wstring();
        return false;
    }
    return true;
}
