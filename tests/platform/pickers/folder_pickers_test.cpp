// The shell's folder and archive pickers, driven as a user would drive them.
// Runs in a program of its own, alone: after Wine's shell dialogs the process
// has been seen to hang at exit when many test processes run beside it.
#include <windows.h>

#include <gtest/gtest.h>
#include <objbase.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/folder_pickers.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// This process's visible top-level windows.
std::vector<HWND> OwnWindows() {
    std::vector<HWND> windows;
    ::EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            DWORD process = 0;
            ::GetWindowThreadProcessId(window, &process);
            if (process == ::GetCurrentProcessId() && ::IsWindowVisible(window)) {
                reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

HWND FindOwnWindow(const std::wstring& caption) {
    for (const HWND window : OwnWindows()) {
        wchar_t text[256] = {};
        ::GetWindowTextW(window, text, 256);
        if (caption == text) return window;
    }
    return nullptr;
}

// Waits for the picker with the caption, optionally types a name into its file
// name box, and presses one of its buttons, as a user would. A dialog that stays
// open after that (perhaps behind a message of its own) is cancelled, so a
// failing test never hangs.
class DialogPresser {
public:
    DialogPresser(std::wstring caption, int button, std::wstring typed = L"")
        : thread_([this, caption = std::move(caption), button, typed = std::move(typed)] {
              HWND dialog = nullptr;
              for (int attempt = 0; attempt < 400 && !dialog; ++attempt) {
                  ::Sleep(50);
                  dialog = FindOwnWindow(caption);
              }
              if (!dialog) return;
              ::Sleep(300);  // let it finish filling itself
              if (!typed.empty()) {
                  const HWND edit = ::FindWindowExW(dialog, nullptr, L"Edit", nullptr);
                  if (edit) ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
              }
              ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
              for (int attempt = 0; attempt < 100 && ::IsWindow(dialog); ++attempt) ::Sleep(50);
              pressed_ = !::IsWindow(dialog);
              while (::IsWindow(dialog)) {
                  for (const HWND window : OwnWindows()) {
                      if (window != dialog) ::PostMessageW(window, WM_CLOSE, 0, 0);
                  }
                  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                  ::Sleep(200);
              }
          }) {}
    DialogPresser(const DialogPresser&) = delete;
    DialogPresser& operator=(const DialogPresser&) = delete;
    ~DialogPresser() {
        if (thread_.joinable()) thread_.join();
    }
    // The dialog closed on the button pressed.
    [[nodiscard]] bool Pressed() {
        if (thread_.joinable()) thread_.join();
        return pressed_;
    }

private:
    std::atomic<bool> pressed_{false};
    std::thread thread_;
};

class ComApartment {
public:
    ComApartment() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(result_)) ::CoUninitialize();
    }

private:
    HRESULT result_;
};

}  // namespace

TEST(FolderPickers, CancelGivesFalseAndOpenGivesThePresetChoice) {
    const ComApartment com;
    test::TempFolder folder(L"qbtw");
    const fs::path archive = folder.Path() / L"drivers.7z";
    test::WriteFileBytes(archive, "7z");
    const ArchiveFilterLabels labels{L"7-Zip archives", L"Supported archives", L"All files"};

    std::wstring path = L"unchanged";
    {
        DialogPresser cancel(L"Pick a folder to cancel", IDCANCEL);
        EXPECT_FALSE(PickFolder(nullptr, L"Pick a folder to cancel", folder.Path().wstring(), path));
        EXPECT_TRUE(cancel.Pressed());
        EXPECT_EQ(path, L"unchanged");
    }
    {
        DialogPresser cancel(L"Pick an archive to cancel", IDCANCEL);
        EXPECT_FALSE(PickArchive(nullptr, L"Pick an archive to cancel", archive.wstring(), labels, path));
        EXPECT_TRUE(cancel.Pressed());
        EXPECT_EQ(path, L"unchanged");
    }
    {
        // A name typed into the name box is taken in the folder the dialog started in.
        fs::create_directory(folder.Path() / L"sub");
        DialogPresser open(L"Pick a folder inside the initial one", IDOK, L"sub");
        EXPECT_TRUE(PickFolder(nullptr, L"Pick a folder inside the initial one", folder.Path().wstring(), path));
        EXPECT_TRUE(open.Pressed());
        EXPECT_TRUE(fs::equivalent(path, folder.Path() / L"sub")) << testing::PrintToString(path);
    }
    {
        // The existing archive is preset, so Open takes it.
        DialogPresser open(L"Pick the preset archive", IDOK);
        EXPECT_TRUE(PickArchive(nullptr, L"Pick the preset archive", archive.wstring(), labels, path));
        EXPECT_TRUE(open.Pressed());
        EXPECT_TRUE(fs::equivalent(path, archive)) << testing::PrintToString(path);
    }
}
