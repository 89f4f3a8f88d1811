#pragma once
// The Windows image a session serves: the running system or an offline root.
#include <windows.h>

#include <string>

namespace sim {

struct ImageRoot {
    bool Online = false;
    // Ends with a backslash ("C:\", "C:\images\win\").
    std::wstring Root;
    // The image's Windows folder on this machine.
    std::wstring WindowsFolder;
    // The Windows folder as the image itself sees it: differs from WindowsFolder
    // only for an offline image carrying a drive marker.
    std::wstring ReportedWindowsFolder;

    [[nodiscard]] std::wstring PublishedInfFolder() const;
    [[nodiscard]] std::wstring FileRepository() const;
    // FileRepository path as the image reports it in package paths.
    [[nodiscard]] std::wstring ReportedFileRepository() const;
};

// Resolves the image path of DismOpenSession; fails for a folder that holds no
// Windows\System32 or an unreadable drive marker.
[[nodiscard]] HRESULT OpenImageRoot(PCWSTR imagePath, ImageRoot& image, std::wstring& message);

}  // namespace sim
