#include "platform/module_path.h"

#include <windows.h>

std::wstring ModuleFilePath() {
    // The program declares long-path awareness, so its own path may exceed MAX_PATH.
    constexpr DWORD kLongPath = 32768;
    std::wstring path(kLongPath, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), kLongPath);
    if (length == 0 || length >= kLongPath) return {};
    path.resize(length);
    return path;
}
