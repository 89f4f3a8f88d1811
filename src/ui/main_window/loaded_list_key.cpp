#include "core/string_compare.h"
#include "platform/path_rules.h"
#include "ui/main_window/main_window.h"

LoadedListKey MakeLoadedListKey(const std::wstring& path, bool flag) {
    return {NormalizePath(path), flag, true};
}

bool IsLoadedListCurrent(const LoadedListKey& key, const std::wstring& path, bool flag) {
    if (!key.Valid || key.Flag != flag) return false;
    const std::wstring normalized = NormalizePath(path);
    return !normalized.empty() && EqualsIgnoreCase(key.Path, normalized);
}
