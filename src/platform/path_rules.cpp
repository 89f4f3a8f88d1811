#include "platform/path_rules.h"

#include <windows.h>

#include "core/string_compare.h"

namespace {

std::filesystem::path WithoutTrailingSeparator(const std::filesystem::path& path) {
    return path.has_relative_path() && !path.has_filename() ? path.parent_path() : path;
}


std::filesystem::path LexicalKey(const std::filesystem::path& path) {
    return WithoutTrailingSeparator(std::filesystem::path(LowerCaseInvariant(path.wstring())).lexically_normal());
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The length of "\\server\share" or "\\?\C:" at the start of `path`; 0 for any other path.
std::size_t DoubleSeparatorRootLength(const std::wstring& path) {
    if (path.size() < 3 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return 0;
    std::size_t end = path.find_first_of(L"\\/", 2);
    if (end != std::wstring::npos) end = path.find_first_of(L"\\/", end + 1);
    return end == std::wstring::npos ? path.size() : end;
}

}  // namespace

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

std::wstring NormalizePath(const std::filesystem::path& path) {
    if (path.empty()) return {};
    const std::wstring full = FullPathName(path.wstring());
    if (full.empty()) return {};
    // The library would fold "\\server\share" into "\server\share" on the current
    // drive, so the root of a UNC or device path stays out of its hands.
    const std::size_t root = DoubleSeparatorRootLength(full);
    if (root == 0) return WithoutTrailingSeparator(std::filesystem::path(full).lexically_normal()).wstring();
    const std::wstring rest = full.substr(root);
    return full.substr(0, root) +
           (rest.empty() ? rest : WithoutTrailingSeparator(std::filesystem::path(rest).lexically_normal()).wstring());
}

bool IsPathInside(const std::filesystem::path& path, const std::filesystem::path& base) {
    // An empty base would make every relative path "inside".
    if (path.empty() || base.empty()) return false;
    const std::filesystem::path relative = LexicalKey(path).lexically_relative(LexicalKey(base));
    return !relative.empty() && *relative.begin() != L"..";
}
