#pragma once
// Which published oemN.inf files of an image are backed by a FileRepository
// folder holding the same INF: those are the image's third-party packages.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image_root.h"

namespace sim {

struct StorePackage {
    std::uint32_t Number = 0;
    std::wstring PublishedName;  // as found in Windows\INF
    std::wstring PublishedInfPath;
    std::wstring StoreFolderName;  // <inf>_<arch>_<hash>
    std::wstring StoreFolderPath;
    std::wstring InfName;  // the INF inside the store folder
    // What identifies the INF's content: StoreFolderHash of its bytes, and their count.
    std::wstring InfHash;
    std::size_t InfSize = 0;
};

// In ascending oem number; published INFs without an identical store copy are
// left out. A missing INF or FileRepository folder yields an empty list.
[[nodiscard]] HRESULT ListStorePackages(const ImageRoot& image, std::vector<StorePackage>& packages,
                                        std::wstring& message);

// The listed package published under `publishedName` (case-insensitive).
[[nodiscard]] bool FindStorePackage(const std::vector<StorePackage>& packages, const std::wstring& publishedName,
                                    StorePackage& found);

}  // namespace sim
