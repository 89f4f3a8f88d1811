#pragma once
// Lets Locate7Zip find the real Windows 7-Zip that the build fetched, through
// PATH, for as long as the object lives.
#include <windows.h>

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
        std::wstring value(32768, L'\0');
        const DWORD length = ::GetEnvironmentVariableW(L"PATH", value.data(), static_cast<DWORD>(value.size()));
        if (length > 0 && length < value.size()) saved_ = value.substr(0, length);
        const std::wstring path = RealSevenZipFolder().wstring() + (saved_ ? L";" + *saved_ : L"");
        ::SetEnvironmentVariableW(L"PATH", path.c_str());
    }
    SevenZipOnPath(const SevenZipOnPath&) = delete;
    SevenZipOnPath& operator=(const SevenZipOnPath&) = delete;
    ~SevenZipOnPath() { ::SetEnvironmentVariableW(L"PATH", saved_ ? saved_->c_str() : nullptr); }

private:
    std::optional<std::wstring> saved_;
};

}  // namespace test
