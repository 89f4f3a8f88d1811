#include "operations/seven_zip_version.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "core/system_function.h"
#include "core/unique_handle.h"
#include "platform/path_rules.h"

namespace {

constexpr DWORD kMaxVersionBlockBytes = 1024 * 1024;
constexpr DWORD kFixedFileInfoSignature = 0xFEEF04BD;

// version.dll from System32 only: this program runs elevated.
struct VersionApi {
    Module Library;
    decltype(&::GetFileVersionInfoSizeW) GetSize = nullptr;
    decltype(&::GetFileVersionInfoW) GetInfo = nullptr;
    decltype(&::VerQueryValueW) Query = nullptr;
};

bool LoadVersionApi(VersionApi& api) {
    api.Library.reset(::LoadLibraryExW(L"version.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!api.Library) return false;
    api.GetSize = LookUpFunction<decltype(api.GetSize)>(api.Library.get(), "GetFileVersionInfoSizeW");
    api.GetInfo = LookUpFunction<decltype(api.GetInfo)>(api.Library.get(), "GetFileVersionInfoW");
    api.Query = LookUpFunction<decltype(api.Query)>(api.Library.get(), "VerQueryValueW");
    return api.GetSize && api.GetInfo && api.Query;
}

}  // namespace

std::wstring FormatSevenZipVersion(std::uint32_t productHigh, std::uint32_t productLow, std::uint32_t fileHigh,
                                   std::uint32_t fileLow) {
    std::uint32_t high = productHigh;
    std::uint32_t low = productLow;
    if (high == 0 && low == 0) {
        high = fileHigh;
        low = fileLow;
    }
    if (high == 0 && low == 0) return {};
    const std::uint32_t minor = high & 0xFFFF;
    std::wstring text = std::to_wstring(high >> 16) + (minor < 10 ? L".0" : L".") + std::to_wstring(minor);
    if (low != 0) {
        text += L"." + std::to_wstring(low >> 16);
        if ((low & 0xFFFF) != 0) text += L"." + std::to_wstring(low & 0xFFFF);
    }
    return text;
}

std::wstring Read7ZipVersion(const SevenZipTool& tool) {
    if (tool.Path.empty()) return {};
    const std::wstring path = NormalizePath(tool.Path);
    if (path.empty()) return {};
    VersionApi api;
    if (!LoadVersionApi(api)) return {};

    DWORD ignored = 0;
    const DWORD size = api.GetSize(path.c_str(), &ignored);
    if (size == 0 || size > kMaxVersionBlockBytes) return {};
    std::vector<unsigned char> block(size);
    if (!api.GetInfo(path.c_str(), 0, size, block.data())) return {};
    void* fixed = nullptr;
    UINT fixedSize = 0;
    if (!api.Query(block.data(), L"\\", &fixed, &fixedSize) || !fixed || fixedSize < sizeof(VS_FIXEDFILEINFO)) {
        return {};
    }
    VS_FIXEDFILEINFO info{};
    std::memcpy(&info, fixed, sizeof(info));
    if (info.dwSignature != kFixedFileInfoSignature) return {};
    return FormatSevenZipVersion(info.dwProductVersionMS, info.dwProductVersionLS, info.dwFileVersionMS,
                                 info.dwFileVersionLS);
}

std::wstring SevenZipStatusText(const SevenZipTool& tool, LangId language) {
    if (tool.Path.empty()) return GetText(language, 242);
    const std::wstring version = Read7ZipVersion(tool);
    if (version.empty()) return GetText(language, 241);
    return GetText(language, 240) + version + L".";
}
