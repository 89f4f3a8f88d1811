#include "platform/file_tree.h"

#include <windows.h>

#include <string_view>
#include <vector>

#include "core/unique_handle.h"
#include "platform/path_rules.h"
#include "platform/system_message.h"

namespace fs = std::filesystem;

namespace {

struct TreeEntry {
    fs::path Path;
    DWORD Attributes = 0;
    DWORD ReparseTag = 0;
};

// Symbolic links, junctions and other name surrogates point elsewhere; Wine
// reports its links without a tag. Other reparse points (compressed,
// deduplicated or cloud files) hold their own data and are ordinary entries.
bool IsLink(const TreeEntry& entry) {
    if (!(entry.Attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    return entry.ReparseTag == 0 || IsReparseTagNameSurrogate(entry.ReparseTag);
}

bool IsFolder(const TreeEntry& entry) { return (entry.Attributes & FILE_ATTRIBUTE_DIRECTORY) && !IsLink(entry); }

std::wstring ErrorDescription(DWORD code) {
    std::wstring text = SystemMessageText(code);
    return text.empty() ? L"код ошибки " + std::to_wstring(code) : text;
}

TreeEntry EntryFromFindData(fs::path path, const WIN32_FIND_DATAW& data) {
    // dwReserved0 holds the reparse tag whenever the reparse attribute is set.
    return {std::move(path), data.dwFileAttributes,
            (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? data.dwReserved0 : 0};
}

// The entry itself, a link not followed.
DWORD QueryEntry(const fs::path& path, TreeEntry& entry) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return ::GetLastError();
    entry = {path, attributes, 0};
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return ERROR_SUCCESS;
    WIN32_FIND_DATAW data{};
    FindHandle find(::FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (find) entry = EntryFromFindData(path, data);
    return ERROR_SUCCESS;
}

// Appends the entries of `folder` (without "." and "..") as `prefix` joined with
// their names.
DWORD ListFolder(const fs::path& folder, const fs::path& prefix, std::vector<TreeEntry>& entries) {
    WIN32_FIND_DATAW data{};
    FindHandle find(
        ::FindFirstFileExW((folder / L"*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (!find) return ::GetLastError();
    do {
        const std::wstring_view name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        entries.push_back(EntryFromFindData(prefix / data.cFileName, data));
    } while (::FindNextFileW(find.get(), &data));
    const DWORD end = ::GetLastError();
    return end == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : end;
}

// As far as the path exists, the system's own final form of it (links resolved);
// the missing rest appended as written.
bool ResolvePath(const fs::path& path, fs::path& resolved) {
    const std::wstring full = NormalizePath(path);
    if (full.empty()) return false;
    fs::path existing = full;
    fs::path rest;
    for (;;) {
        FileHandle handle(::CreateFileW(existing.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (handle) {
            std::wstring final(MAX_PATH, L'\0');
            for (int attempt = 0; attempt < 3; ++attempt) {
                const DWORD length = ::GetFinalPathNameByHandleW(handle.get(), final.data(),
                                                                 static_cast<DWORD>(final.size()), VOLUME_NAME_DOS);
                if (length == 0) return false;
                if (length < final.size()) {
                    final.resize(length);
                    if (final.rfind(L"\\\\?\\UNC\\", 0) == 0) final.replace(0, 8, L"\\\\");
                    else if (final.rfind(L"\\\\?\\", 0) == 0) final.erase(0, 4);
                    resolved = (fs::path(final) / rest).lexically_normal();
                    return true;
                }
                final.resize(length);
            }
            return false;
        }
        const DWORD failure = ::GetLastError();
        if (failure != ERROR_FILE_NOT_FOUND && failure != ERROR_PATH_NOT_FOUND) return false;
        if (!existing.has_relative_path()) {
            // Not even the root exists: the written form is all there is.
            resolved = (existing / rest).lexically_normal();
            return true;
        }
        rest = rest.empty() ? existing.filename() : existing.filename() / rest;
        existing = existing.parent_path();
    }
}

DWORD CreateFolderWithParents(const fs::path& folder) {
    std::vector<fs::path> missing;
    for (fs::path current = folder;;) {
        const DWORD attributes = ::GetFileAttributesW(current.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_ALREADY_EXISTS;
            break;
        }
        const DWORD failure = ::GetLastError();
        if (failure != ERROR_FILE_NOT_FOUND && failure != ERROR_PATH_NOT_FOUND) return failure;
        missing.push_back(current);
        const fs::path parent = current.parent_path();
        if (parent.empty() || parent == current) break;
        current = parent;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (!::CreateDirectoryW(it->c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
            return ::GetLastError();
    }
    return ERROR_SUCCESS;
}

DWORD CopyEntry(const TreeEntry& entry, const fs::path& from, const fs::path& to) {
    if (IsLink(entry) || (entry.Attributes & FILE_ATTRIBUTE_DEVICE)) return ERROR_NOT_SUPPORTED;
    if (entry.Attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (::CreateDirectoryW(to.c_str(), nullptr)) return ERROR_SUCCESS;
        const DWORD failure = ::GetLastError();
        // Only a real folder may be reused: content copied into a link would land elsewhere.
        const DWORD existing = ::GetFileAttributesW(to.c_str());
        const bool realFolder = existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY) &&
                                !(existing & FILE_ATTRIBUTE_REPARSE_POINT);
        return failure == ERROR_ALREADY_EXISTS && realFolder ? ERROR_SUCCESS : failure;
    }
    return ::CopyFileW(from.c_str(), to.c_str(), TRUE) ? ERROR_SUCCESS : ::GetLastError();
}

DWORD RemoveEntry(const TreeEntry& entry) {
    // Clearing the attribute through a link would change its target instead.
    if ((entry.Attributes & FILE_ATTRIBUTE_READONLY) && !IsLink(entry)) {
        constexpr DWORD kSettable = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                    FILE_ATTRIBUTE_TEMPORARY;
        const DWORD kept = entry.Attributes & kSettable;
        if (!::SetFileAttributesW(entry.Path.c_str(), kept ? kept : FILE_ATTRIBUTE_NORMAL)) return ::GetLastError();
    }
    const BOOL removed = (entry.Attributes & FILE_ATTRIBUTE_DIRECTORY) ? ::RemoveDirectoryW(entry.Path.c_str())
                                                                       : ::DeleteFileW(entry.Path.c_str());
    return removed ? ERROR_SUCCESS : ::GetLastError();
}

}  // namespace

bool CopyTree(const fs::path& source, const fs::path& dest, std::wstring& error) {
    TreeEntry root;
    std::vector<TreeEntry> pending;
    DWORD failure = QueryEntry(source, root);
    if (failure == ERROR_SUCCESS && IsLink(root)) {
        error = L"Ошибка копирования " + source.wstring() + L": " + ErrorDescription(ERROR_NOT_SUPPORTED);
        return false;
    }
    if (failure == ERROR_SUCCESS) failure = ListFolder(source, fs::path(), pending);
    if (failure != ERROR_SUCCESS) {
        error = L"Ошибка чтения " + source.wstring() + L": " + ErrorDescription(failure);
        return false;
    }

    fs::path resolvedSource;
    if (!ResolvePath(source, resolvedSource)) {
        error = L"Не удалось определить путь источника: " + source.wstring();
        return false;
    }
    fs::path resolvedDest;
    if (!ResolvePath(dest, resolvedDest)) {
        error = L"Не удалось определить путь копии: " + dest.wstring();
        return false;
    }
    if (IsPathInside(resolvedDest, resolvedSource)) {
        error = L"Папка копии находится внутри источника: " + dest.wstring();
        return false;
    }
    failure = CreateFolderWithParents(dest);
    if (failure != ERROR_SUCCESS) {
        error = L"Не удалось создать " + dest.wstring() + L": " + ErrorDescription(failure);
        return false;
    }

    // A stack in listing order: each folder is created before its content.
    std::vector<TreeEntry> children(pending.rbegin(), pending.rend());
    pending.swap(children);
    while (!pending.empty()) {
        const TreeEntry entry = std::move(pending.back());
        pending.pop_back();
        const fs::path from = source / entry.Path;
        failure = CopyEntry(entry, from, dest / entry.Path);
        if (failure != ERROR_SUCCESS) {
            error = L"Ошибка копирования " + from.wstring() + L": " + ErrorDescription(failure);
            return false;
        }
        if (!IsFolder(entry)) continue;
        children.clear();
        failure = ListFolder(from, entry.Path, children);
        if (failure != ERROR_SUCCESS) {
            error = L"Ошибка чтения " + source.wstring() + L": " + ErrorDescription(failure);
            return false;
        }
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return true;
}

std::uintmax_t RemoveTree(const fs::path& path, std::error_code& error) {
    error.clear();
    TreeEntry root;
    DWORD failure = QueryEntry(path, root);
    if (failure == ERROR_FILE_NOT_FOUND || failure == ERROR_PATH_NOT_FOUND) return 0;
    if (failure != ERROR_SUCCESS) {
        error.assign(static_cast<int>(failure), std::system_category());
        return 0;
    }

    struct Pending {
        TreeEntry Entry;
        bool Listed = false;
    };
    std::vector<Pending> pending{{std::move(root), false}};
    std::vector<TreeEntry> children;
    std::uintmax_t removed = 0;
    while (!pending.empty()) {
        // Folders are emptied first, then removed when they come back to the top.
        if (IsFolder(pending.back().Entry) && !pending.back().Listed) {
            pending.back().Listed = true;
            children.clear();
            const fs::path folder = pending.back().Entry.Path;
            failure = ListFolder(folder, folder, children);
            if (failure != ERROR_SUCCESS) {
                error.assign(static_cast<int>(failure), std::system_category());
                return removed;
            }
            for (TreeEntry& child : children) pending.push_back({std::move(child), false});
            continue;
        }
        failure = RemoveEntry(pending.back().Entry);
        if (failure != ERROR_SUCCESS) {
            error.assign(static_cast<int>(failure), std::system_category());
            return removed;
        }
        ++removed;
        pending.pop_back();
    }
    return removed;
}
