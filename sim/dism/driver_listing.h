#pragma once
// The answer of DismGetDrivers: one block holding the package array followed by
// the strings it points to.
#include "dism_platform.h"
#include "image_root.h"
#include "inf_metadata.h"

#include <string>

namespace sim {

[[nodiscard]] HRESULT BuildDriverPackageList(const ImageRoot& image, InfMetadataCache& metadata,
                                             DismDriverPackage** packages, UINT* count, std::wstring& message);

// A DismString block for DismGetLastErrorMessage; null when memory is exhausted.
DismString* NewDismString(const std::wstring& text);

}  // namespace sim
