#pragma once
// Lets Locate7Zip find the real Windows 7-Zip that the build fetched, through
// PATH, for as long as the object lives. An elevated process, as every process
// under Wine is, takes a 7-Zip from PATH only inside the Program Files folders or
// the Windows folder, so the copy on PATH lies in the Windows folder's Temp.
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>

#include "test_support.h"

namespace test {

inline std::filesystem::path RealSevenZipFolder() {
    return BinFolder().parent_path() / L"tools" / L"7zip";
}

class SevenZipOnPath {
public:
    SevenZipOnPath() {
        static std::atomic<int> made{0};
        wchar_t windows[MAX_PATH] = {};
        ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
        folder_ = std::filesystem::path(windows) / L"Temp" /
                  (L"qb7z-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++made));
        std::filesystem::create_directories(folder_);
        for (const wchar_t* file : {L"7z.exe", L"7z.dll"})
            std::filesystem::copy_file(RealSevenZipFolder() / file, folder_ / file);
        std::wstring value(32768, L'\0');
        const DWORD length = ::GetEnvironmentVariableW(L"PATH", value.data(), static_cast<DWORD>(value.size()));
        if (length > 0 && length < value.size()) saved_ = value.substr(0, length);
        const std::wstring path = folder_.wstring() + (saved_ ? L";" + *saved_ : L"");
        ::SetEnvironmentVariableW(L"PATH", path.c_str());
    }
    SevenZipOnPath(const SevenZipOnPath&) = delete;
    SevenZipOnPath& operator=(const SevenZipOnPath&) = delete;
    ~SevenZipOnPath() {
        ::SetEnvironmentVariableW(L"PATH", saved_ ? saved_->c_str() : nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    [[nodiscard]] std::filesystem::path Executable() const { return folder_ / L"7z.exe"; }

private:
    std::filesystem::path folder_;
    std::optional<std::wstring> saved_;
};

}  // namespace test
