#pragma once
// Staging and removing third-party packages in an image's Driver Store.
#include <windows.h>

#include <string>

#include "image_root.h"

namespace sim {

// Copies the INF's folder to FileRepository\<inf>_amd64_<hash> and publishes it
// as the lowest free oemN.inf. An INF whose content is already a listed package
// succeeds without changes and reports that package's published name.
[[nodiscard]] HRESULT AddDriverPackage(const ImageRoot& image, PCWSTR infPath, std::wstring& publishedName,
                                       std::wstring& message);

// Removes the published INF and its store folder. Nothing is touched unless every
// file of the package can be opened exclusively first.
[[nodiscard]] HRESULT RemoveDriverPackage(const ImageRoot& image, PCWSTR publishedName, std::wstring& message);

}  // namespace sim
