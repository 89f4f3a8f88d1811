#include "file_bytes.h"

#include <windows.h>

#include <algorithm>
#include <limits>

#include "core/unique_handle.h"
#include "sim_text.h"

namespace sim {

namespace {

std::wstring Failure(const wchar_t* what, const std::wstring& path, DWORD code) {
    return std::wstring(what) + L" " + path + L": " + SystemErrorText(code);
}

}  // namespace

bool ReadFileBytes(const std::wstring& path, std::string& bytes, std::wstring& error) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = Failure(L"Cannot open", path, ::GetLastError());
        return false;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) {
        error = Failure(L"Cannot size", path, ::GetLastError());
        return false;
    }
    if (size.QuadPart > std::numeric_limits<DWORD>::max()) {
        error = L"File too large to read whole: " + path;
        return false;
    }
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!content.empty() &&
        (!::ReadFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr) ||
         read != content.size())) {
        error = Failure(L"Cannot read", path, ::GetLastError());
        return false;
    }
    bytes = std::move(content);
    return true;
}

bool WriteFileBytes(const std::wstring& path, std::string_view bytes, ExistingFile existing, std::wstring& error) {
    const DWORD disposition = existing == ExistingFile::Fail ? CREATE_NEW : CREATE_ALWAYS;
    FileHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = Failure(L"Cannot create", path, ::GetLastError());
        return false;
    }
    size_t offset = 0;
    while (offset < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - offset, 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file.get(), bytes.data() + offset, chunk, &written, nullptr) || written == 0) {
            error = Failure(L"Cannot write", path, ::GetLastError());
            return false;
        }
        offset += written;
    }
    return true;
}

}  // namespace sim
