#pragma once
// A hidden window with the package tree, the search box, the count label and
// the details pane at their design rectangles, wired as the main window wires
// them, and an AppState that drives it.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/main_window/app_state.h"

namespace test {

DriverPackage MakePackage(const std::wstring& published, const std::wstring& original, const std::wstring& className,
                          const std::wstring& provider, const std::wstring& version, std::uint64_t size = 0);

class PackageViewTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    HWND Control(int id) const { return ::GetDlgItem(window_, id); }
    HWND Tree() const;
    std::wstring Text(int id) const;
    // The window stays hidden, so "shown" is the control's own style bit.
    bool Shown(int id) const;
    RECT ClientRectOf(int id) const;

    // Types into the search box; the tree is rebuilt as the window does on a text change.
    void Search(const std::wstring& query);

    HTREEITEM Find(const std::wstring& text) const;
    std::vector<std::wstring> ChildTexts(HTREEITEM parent) const;  // TVI_ROOT for the roots
    UINT CheckImage(HTREEITEM item) const;
    bool Expanded(HTREEITEM item) const;
    std::wstring SelectedText() const;

    // A real click on the item's check box, as the user makes it.
    void ClickCheckBox(HTREEITEM item);

    AppState state_;
    HWND window_ = nullptr;
};

}  // namespace test
