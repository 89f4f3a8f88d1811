#include "platform/path_rules.h"

#include <windows.h>

#include "core/string_compare.h"

namespace {

std::wstring FullPathName(const std::wstring& path) {
    std::wstring buffer(MAX_PATH, L'\0');
    // The required size can grow between calls when the current directory changes.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length =
            ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length);
    }
    return {};
}

std::filesystem::path WithoutTrailingSeparator(const std::filesystem::path& path) {
    return path.has_relative_path() && !path.has_filename() ? path.parent_path() : path;
}


std::filesystem::path LexicalKey(const std::filesystem::path& path) {
    return WithoutTrailingSeparator(std::filesystem::path(LowerCaseInvariant(path.wstring())).lexically_normal());
}

}  // namespace

std::wstring NormalizePath(const std::filesystem::path& path) {
    if (path.empty()) return {};
    const std::wstring full = FullPathName(path.wstring());
    if (full.empty()) return {};
    return WithoutTrailingSeparator(std::filesystem::path(full).lexically_normal()).wstring();
}

bool IsPathInside(const std::filesystem::path& path, const std::filesystem::path& base) {
    // An empty base would make every relative path "inside".
    if (path.empty() || base.empty()) return false;
    const std::filesystem::path relative = LexicalKey(path).lexically_relative(LexicalKey(base));
    return !relative.empty() && *relative.begin() != L"..";
}
