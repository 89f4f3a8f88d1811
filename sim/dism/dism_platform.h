#pragma once
// The platform's own DISM header, with the error codes as HRESULT values.
#include <windows.h>

#include <dismapi.h>

inline constexpr HRESULT kDismNotInitialized = static_cast<HRESULT>(DISMAPI_E_DISMAPI_NOT_INITIALIZED);
inline constexpr HRESULT kDismInvalidSession = static_cast<HRESULT>(DISMAPI_E_INVALID_DISM_SESSION);
