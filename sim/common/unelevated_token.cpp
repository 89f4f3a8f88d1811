#include "unelevated_token.h"

namespace sim {
namespace {

using GetTokenInformationFunction = decltype(&::GetTokenInformation);
GetTokenInformationFunction g_platform = nullptr;

BOOL WINAPI InterceptGetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, LPVOID buffer, DWORD size,
                                         PDWORD needed) {
    if (kind != TokenElevation) return g_platform(token, kind, buffer, size, needed);
    if (needed) *needed = sizeof(TOKEN_ELEVATION);
    if (!buffer || size < sizeof(TOKEN_ELEVATION)) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    static_cast<TOKEN_ELEVATION*>(buffer)->TokenIsElevated = 0;
    return TRUE;
}

}  // namespace

UnelevatedToken::UnelevatedToken()
    : hook_(L"advapi32.dll", "GetTokenInformation", reinterpret_cast<void*>(&InterceptGetTokenInformation)) {
    if (hook_.Installed()) g_platform = hook_.Platform<GetTokenInformationFunction>();
}

}  // namespace sim
