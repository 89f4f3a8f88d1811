#include "image_root.h"

#include <vector>

#include "dism_platform.h"
#include "driver_store_layout.h"
#include "file_bytes.h"
#include "sim_text.h"

namespace sim {

namespace {

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

HRESULT OnlineRoot(ImageRoot& image, std::wstring& message) {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    const UINT length = ::GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length == 0 || length >= buffer.size() || length < 3) {
        const DWORD code = length == 0 ? ::GetLastError() : ERROR_BUFFER_OVERFLOW;
        message = L"Cannot determine the Windows folder of the running system: " + SystemErrorText(code);
        return HRESULT_FROM_WIN32(code);
    }
    image.Online = true;
    image.WindowsFolder.assign(buffer.data(), length);
    image.Root = image.WindowsFolder.substr(0, 2) + L"\\";
    image.ReportedWindowsFolder = image.WindowsFolder;
    return S_OK;
}

HRESULT OfflineRoot(const std::wstring& imagePath, ImageRoot& image, std::wstring& message) {
    std::wstring path = imagePath;
    if (path.size() == 2 && path[1] == L':') path += L'\\';
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::vector<wchar_t> full(needed + 1);
    const DWORD length = needed == 0 ? 0 : ::GetFullPathNameW(path.c_str(), needed + 1, full.data(), nullptr);
    if (length == 0 || length > needed) {
        const DWORD code = ::GetLastError();
        message = L"Invalid image path \"" + imagePath + L"\": " + SystemErrorText(code);
        return HRESULT_FROM_WIN32(code);
    }
    image.Online = false;
    image.Root.assign(full.data(), length);
    if (image.Root.back() != L'\\') image.Root += L'\\';
    image.WindowsFolder = image.Root + L"Windows";
    image.ReportedWindowsFolder = image.WindowsFolder;
    if (!IsDirectory(image.WindowsFolder + L"\\System32")) {
        message = L"The image path " + image.Root + L" is not the root of a Windows installation (" +
                  image.WindowsFolder + L"\\System32 does not exist).";
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    }

    const std::wstring marker = image.WindowsFolder + L"\\" + kDriverStoreFolder + L"\\" + kImageDriveMarkerFile;
    if (::GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES) {
        std::string bytes;
        std::wstring readError;
        std::wstring drive;
        if (!ReadFileBytes(marker, bytes, readError)) {
            message = L"Cannot read the image drive marker: " + readError;
            return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
        }
        if (!ParseImageDrive(bytes, drive)) {
            message = L"The image drive marker " + marker + L" must hold a drive such as D:.";
            return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
        }
        image.ReportedWindowsFolder = drive + L"\\Windows";
    }
    return S_OK;
}

}  // namespace

std::wstring ImageRoot::PublishedInfFolder() const { return WindowsFolder + L"\\" + kPublishedInfFolder; }

std::wstring ImageRoot::FileRepository() const { return WindowsFolder + L"\\" + kFileRepositoryFolder; }

std::wstring ImageRoot::ReportedFileRepository() const { return ReportedWindowsFolder + L"\\" + kFileRepositoryFolder; }

HRESULT OpenImageRoot(PCWSTR imagePath, ImageRoot& image, std::wstring& message) {
    if (imagePath == nullptr || *imagePath == L'\0') {
        message = L"DismOpenSession needs an image path.";
        return E_INVALIDARG;
    }
    ImageRoot opened;
    const HRESULT hr = EqualsIgnoreCase(imagePath, DISM_ONLINE_IMAGE) ? OnlineRoot(opened, message)
                                                                      : OfflineRoot(imagePath, opened, message);
    if (SUCCEEDED(hr)) image = std::move(opened);
    return hr;
}

}  // namespace sim
