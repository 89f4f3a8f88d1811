#pragma once
// The real main window (dialog 101) over offline Windows installations built
// from fixtures, driven with the messages the user's actions send. Message
// boxes are answered by a hook and remembered; the user's registry branch is
// redirected for the test, so stored settings never leak into other tests.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "fixture_windows.h"
#include "test_support.h"
#include "ui/main_window/app_state.h"

namespace test {

struct ShownBox {
    std::wstring Caption;
    std::wstring Text;
};

// Answers every message box this thread opens with `answer` and records it.
class MessageBoxAnswers {
public:
    explicit MessageBoxAnswers(int answer = IDOK);
    MessageBoxAnswers(const MessageBoxAnswers&) = delete;
    MessageBoxAnswers& operator=(const MessageBoxAnswers&) = delete;
    ~MessageBoxAnswers();
    const std::vector<ShownBox>& Boxes() const { return boxes_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_ = nullptr;
    int answer_;
    std::vector<ShownBox> boxes_;
};

// A fixture package of the display class; `ids` are its NTamd64 hardware IDs.
sim::FixturePackage DisplayPackage(int published, const std::wstring& inf, const std::wstring& version, int year,
                                   const std::vector<std::wstring>& ids);

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes an offline Windows into the test's folder and returns its root as
    // the window names it (no trailing separator).
    std::wstring BuildOffline(const sim::FixtureWindows& windows, const std::wstring& name = L"offline");
    // Creates the hidden window. The read of the running Windows it queues is
    // taken off the queue (tests work on offline installations only).
    void Open();
    // What Choose… does with the chosen folder: the target is added and read.
    void ChooseTarget(const std::wstring& folder);

    // Serves queued messages the way the dialog loop does.
    void Pump();
    void Click(int id);
    // An item chosen in the dropped list: what the box sends when it closes.
    void ChooseComboItem(int id, int item);
    // Replaces a box's text as typing does (EN_CHANGE follows).
    void TypeInto(int id, const std::wstring& text);
    // A key pressed in a control, routed through the dialog manager.
    void PressKey(int id, UINT key, bool control = false);
    // The window moved to a monitor of `dpi`: WM_DPICHANGED with the window's
    // size scaled as the system suggests it.
    void ChangeDpi(UINT dpi);

    HWND Control(int id) const { return ::GetDlgItem(window_, id); }
    std::wstring Text(int id) const;
    bool Enabled(int id) const { return ::IsWindowEnabled(Control(id)) != FALSE; }
    // The window stays hidden, so "shown" is the control's own style bit.
    bool Shown(int id) const { return (::GetWindowLongPtrW(Control(id), GWL_STYLE) & WS_VISIBLE) != 0; }
    RECT ClientRectOf(int id) const;

    // Texts of the tree's items below `parent` (TVI_ROOT: the groups).
    std::vector<std::wstring> ItemTexts(HTREEITEM parent) const;
    HTREEITEM FindItem(const std::wstring& text) const;
    std::wstring SelectedItemText() const;
    bool Expanded(HTREEITEM item) const;
    // Published names of the checked packages of the list shown.
    std::vector<std::wstring> CheckedPackages();
    // Event log lines without their time stamps.
    std::vector<std::wstring> Logged() const;

    TempFolder temp_{L"qbwin"};
    AppState state_;
    HWND window_ = nullptr;
    MessageBoxAnswers boxes_;
    bool refreshQueued_ = false;  // the window asked to read its first target

private:
    HKEY userBranch_ = nullptr;
};

}  // namespace test
