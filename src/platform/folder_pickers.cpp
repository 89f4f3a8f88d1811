#include "platform/folder_pickers.h"

#include <commdlg.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <array>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "core/unique_handle.h"

namespace fs = std::filesystem;
using Microsoft::WRL::ComPtr;

namespace {

constexpr HRESULT kDialogCancelled = HRESULT_FROM_WIN32(ERROR_CANCELLED);
constexpr DWORD kOpenFileNameChars = 32768;

template <typename Pointer>
struct CoTaskMemoryTraits {
    using Type = Pointer;
    static Type Empty() noexcept { return nullptr; }
    static void Close(Type memory) noexcept { ::CoTaskMemFree(memory); }
};
using CoTaskString = UniqueHandle<CoTaskMemoryTraits<PWSTR>>;
using ItemIdList = UniqueHandle<CoTaskMemoryTraits<PIDLIST_ABSOLUTE>>;

enum class DialogOutcome {
    Picked,     // a non-empty path
    NotPicked,  // cancelled, or the dialog returned no path
    Failed,     // the dialog could not be used
};

struct FileDialogRequest {
    FILEOPENDIALOGOPTIONS Options = 0;  // added to the dialog's own
    std::span<const COMDLG_FILTERSPEC> Filters;
    std::wstring StartFolder;
    std::wstring FileName;
};

void SetStartFolder(IFileOpenDialog& dialog, const std::wstring& folder) {
    if (folder.empty()) return;
    ComPtr<IShellItem> item;
    // A folder the shell cannot parse leaves the dialog where it would start anyway.
    if (SUCCEEDED(::SHCreateItemFromParsingName(folder.c_str(), nullptr, IID_PPV_ARGS(&item)))) {
        (void)dialog.SetFolder(item.Get());
    }
}

// Sets path only when one was picked.
DialogOutcome ShowFileDialog(HWND owner, const std::wstring& title, const FileDialogRequest& request,
                             std::wstring& path) {
    ComPtr<IFileOpenDialog> dialog;
    if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog)))) {
        return DialogOutcome::Failed;
    }
    FILEOPENDIALOGOPTIONS options = 0;
    if (FAILED(dialog->GetOptions(&options)) ||
        FAILED(dialog->SetOptions(options | request.Options | FOS_NOCHANGEDIR | FOS_FORCEFILESYSTEM |
                                  FOS_PATHMUSTEXIST)) ||
        FAILED(dialog->SetTitle(title.c_str()))) {
        return DialogOutcome::Failed;
    }
    if (!request.Filters.empty() &&
        FAILED(dialog->SetFileTypes(static_cast<UINT>(request.Filters.size()), request.Filters.data()))) {
        return DialogOutcome::Failed;
    }
    SetStartFolder(*dialog.Get(), request.StartFolder);
    if (!request.FileName.empty() && FAILED(dialog->SetFileName(request.FileName.c_str()))) {
        return DialogOutcome::Failed;
    }
    const HRESULT shown = dialog->Show(owner);
    if (shown == kDialogCancelled) return DialogOutcome::NotPicked;
    ComPtr<IShellItem> result;
    CoTaskString chosen;
    if (FAILED(shown) || FAILED(dialog->GetResult(&result)) ||
        FAILED(result->GetDisplayName(SIGDN_FILESYSPATH, chosen.put()))) {
        return DialogOutcome::Failed;
    }
    if (!chosen || chosen.get()[0] == L'\0') return DialogOutcome::NotPicked;
    path = chosen.get();
    return DialogOutcome::Picked;
}

int CALLBACK SelectInitialFolder(HWND window, UINT message, LPARAM, LPARAM initialPath) {
    if (message == BFFM_INITIALIZED && initialPath) ::SendMessageW(window, BFFM_SETSELECTIONW, TRUE, initialPath);
    return 0;
}

bool BrowseForFolder(HWND owner, const std::wstring& title, const std::wstring& initialPath, std::wstring& path) {
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    info.lpfn = SelectInitialFolder;
    info.lParam = initialPath.empty() ? 0 : reinterpret_cast<LPARAM>(initialPath.c_str());
    const ItemIdList chosen(::SHBrowseForFolderW(&info));
    wchar_t buffer[260] = {};
    if (!chosen || !::SHGetPathFromIDListW(chosen.get(), buffer)) return false;
    path = buffer;
    return true;
}

struct ArchiveFilter {
    std::wstring Name;
    const wchar_t* Pattern;
};

std::array<ArchiveFilter, 3> ArchiveFilters(const ArchiveFilterLabels& labels) {
    return {{{labels.SevenZip + L" (*.7z)", L"*.7z"},
             {labels.Supported + L" (*.7z;*.zip;*.rar;*.tar;*.gz)", L"*.7z;*.zip;*.rar;*.tar;*.gz"},
             {labels.AllFiles + L" (*.*)", L"*.*"}}};
}

bool IsExistingFile(const std::wstring& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

bool OpenArchiveFile(HWND owner, const std::wstring& title, const std::wstring& initialPath,
                     const std::array<ArchiveFilter, 3>& filters, std::wstring& path) {
    std::wstring filterText;
    for (const ArchiveFilter& filter : filters) {
        filterText += filter.Name + L'\0' + filter.Pattern + L'\0';
    }
    filterText += L'\0';
    const bool presetFile = IsExistingFile(initialPath);
    std::vector<wchar_t> buffer(kOpenFileNameChars, L'\0');
    if (presetFile) initialPath.copy(buffer.data(), buffer.size() - 1);

    OPENFILENAMEW request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner;
    request.lpstrFilter = filterText.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = buffer.data();
    request.nMaxFile = kOpenFileNameChars;
    request.lpstrInitialDir = presetFile || initialPath.empty() ? nullptr : initialPath.c_str();
    request.lpstrTitle = title.c_str();
    request.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!::GetOpenFileNameW(&request) || buffer[0] == L'\0') return false;
    path = buffer.data();
    return true;
}

}  // namespace

bool PickFolder(HWND owner, const std::wstring& title, const std::wstring& initialPath, std::wstring& path) {
    FileDialogRequest request;
    request.Options = FOS_PICKFOLDERS;
    request.StartFolder = initialPath;
    const DialogOutcome outcome = ShowFileDialog(owner, title, request, path);
    if (outcome != DialogOutcome::Failed) return outcome == DialogOutcome::Picked;
    return BrowseForFolder(owner, title, initialPath, path);
}

bool PickArchive(HWND owner, const std::wstring& title, const std::wstring& initialPath,
                 const ArchiveFilterLabels& labels, std::wstring& path) {
    const std::array<ArchiveFilter, 3> filters = ArchiveFilters(labels);
    std::array<COMDLG_FILTERSPEC, 3> specs{};
    for (std::size_t i = 0; i < filters.size(); ++i) specs[i] = {filters[i].Name.c_str(), filters[i].Pattern};

    FileDialogRequest request;
    request.Options = FOS_FILEMUSTEXIST;
    request.Filters = specs;
    if (IsExistingFile(initialPath)) {
        const fs::path file(initialPath);
        request.FileName = file.filename().wstring();
        request.StartFolder = file.parent_path().wstring();
    } else {
        request.StartFolder = initialPath;
    }
    const DialogOutcome outcome = ShowFileDialog(owner, title, request, path);
    if (outcome != DialogOutcome::Failed) return outcome == DialogOutcome::Picked;
    return OpenArchiveFile(owner, title, initialPath, filters, path);
}
