#include "package_view_fixture.h"

#include "platform/package_text.h"
#include "tree_items.h"
#include "ui/details/details_pane.h"
#include "ui/drawing/window_text.h"
#include "ui/layout/window_layout.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/package_tree/package_tree.h"

namespace test {

namespace {

constexpr wchar_t kWindowClass[] = L"QuillbayPackageViewTest";

struct PaneControl {
    int Id;
    const wchar_t* ClassName;
    DWORD Style;
    int X, Y, Width, Height;  // dialog units of the main window's template
};

constexpr DWORD kWrapping = SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL;

std::vector<PaneControl> MainWindowPaneControls() {
    std::vector<PaneControl> controls = {
        {IDC_SEARCH, L"EDIT", ES_AUTOHSCROLL, 43, 71, 169, 11},
        {IDC_PACKAGE_COUNT, L"STATIC", SS_LEFT, 218, 69, 303, 16},
        {IDC_PACKAGE_TREE, WC_TREEVIEWW, TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 3, 87, 211, 171},
        {IDC_DETAILS_FRAME, L"STATIC", SS_WHITERECT, 218, 87, 309, 172},
        {IDC_DETAILS_TITLE, L"STATIC", kWrapping, 228, 94, 221, 17},
        {IDC_DETAILS_BADGE, L"STATIC", SS_CENTER, 454, 97, 63, 12},
        {IDC_DETAILS_EXPLANATION, L"STATIC", kWrapping, 228, 234, 288, 18},
        {IDC_DETAILS_SCROLL, L"SCROLLBAR", SBS_VERT | WS_TABSTOP, 519, 90, 7, 166},
        {IDC_DETAILS_PLACEHOLDER, L"STATIC", kWrapping, 228, 115, 288, 34},
        {IDC_RESET_SEARCH, L"BUTTON", BS_PUSHBUTTON, 228, 155, 145, 19},
        {IDC_SELECTION_SUMMARY, L"STATIC", SS_LEFT, 9, 303, 109, 19},
        {IDC_CLEAR_SELECTION, L"BUTTON", BS_PUSHBUTTON, 258, 303, 68, 19},
        {IDC_SELECT_ALL, L"BUTTON", BS_PUSHBUTTON, 330, 303, 68, 19},
        {IDC_ACTION, L"BUTTON", BS_PUSHBUTTON, 402, 303, 119, 19},
        {IDC_STATUS_LINE, L"STATIC", SS_LEFT, 9, 326, 402, 10},
    };
    for (int row = 0; row < kDetailsRows; ++row) {
        const int y = 115 + 13 * row;
        controls.push_back({IDC_DETAILS_LABEL_0 + row, L"STATIC", kWrapping, 228, y, 114, 10});
        controls.push_back(
            {IDC_DETAILS_VALUE_0 + row, L"EDIT", ES_MULTILINE | ES_READONLY, 344, y, 172, row == 6 ? 21 : 10});
    }
    return controls;
}

LRESULT CALLBACK PaneWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<AppState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (state && message == WM_NOTIFY) {
        LRESULT result = 0;
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.idFrom == IDC_PACKAGE_TREE && HandlePackageTreeNotify(*state, header, result)) return result;
    }
    if (state && message == WM_VSCROLL && reinterpret_cast<HWND>(lParam) == ::GetDlgItem(window, IDC_DETAILS_SCROLL)) {
        ScrollDetailsPane(*state, wParam);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void PumpPending() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

}  // namespace

DriverPackage MakePackage(const std::wstring& published, const std::wstring& original, const std::wstring& className,
                          const std::wstring& provider, const std::wstring& version, std::uint64_t size) {
    DriverPackage package;
    package.PublishedName = published;
    package.OriginalInfName = original;
    package.OriginalFileName = L"C:\\Windows\\System32\\DriverStore\\FileRepository\\" + original + L"_amd64_" +
                               published.substr(0, published.find(L'.')) + L"\\" + original;
    package.ClassName = className;
    package.ClassDescription = className;
    package.Provider = provider;
    package.Version = version;
    package.Date = L"2024-01-15";
    package.SizeBytes = size;
    return package;
}

void PackageViewTest::SetUp() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = PaneWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassW(&windowClass);

    // Dialog units as "Segoe UI" 9 gives them at 96 DPI.
    const auto px = [](int x, int y) { return POINT{::MulDiv(x, 7, 4), y * 2}; };
    const POINT client = px(531, 340);
    window_ = ::CreateWindowExW(0, kWindowClass, L"Quillbay", WS_POPUP | WS_CLIPCHILDREN, 0, 0, client.x, client.y,
                                nullptr, nullptr, instance, nullptr);
    ASSERT_TRUE(window_);
    const auto font = reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT));
    for (const PaneControl& entry : MainWindowPaneControls()) {
        const POINT from = px(entry.X, entry.Y);
        const POINT to = px(entry.X + entry.Width, entry.Y + entry.Height);
        HWND control = ::CreateWindowExW(0, entry.ClassName, L"", WS_CHILD | WS_VISIBLE | entry.Style, from.x, from.y,
                                         to.x - from.x, to.y - from.y, window_,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.Id)), instance, nullptr);
        ASSERT_TRUE(control) << entry.Id;
        ::SendMessageW(control, WM_SETFONT, font, FALSE);
    }
    // As the main window does: check boxes are switched on once the tree exists.
    HWND tree = Tree();
    ::SetWindowLongPtrW(tree, GWL_STYLE, ::GetWindowLongPtrW(tree, GWL_STYLE) | TVS_CHECKBOXES);

    state_.MainWindow = window_;
    state_.Language = 1;
    state_.Dpi = 96;
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state_));
    RecordWindowLayout(state_);
    ApplyPaddedCheckImages(state_);
}

void PackageViewTest::TearDown() {
    if (window_) ::DestroyWindow(window_);
    if (state_.PaddedCheckImages) ImageList_Destroy(state_.PaddedCheckImages);
    if (state_.OriginalCheckImages) ImageList_Destroy(state_.OriginalCheckImages);
    PumpPending();
}

HWND PackageViewTest::Tree() const { return Control(IDC_PACKAGE_TREE); }

std::wstring PackageViewTest::Text(int id) const { return WindowTextOf(Control(id)); }

bool PackageViewTest::Shown(int id) const { return (::GetWindowLongPtrW(Control(id), GWL_STYLE) & WS_VISIBLE) != 0; }

RECT PackageViewTest::ClientRectOf(int id) const {
    RECT r{};
    ::GetWindowRect(Control(id), &r);
    ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void PackageViewTest::Search(const std::wstring& query) {
    ::SetWindowTextW(Control(IDC_SEARCH), query.c_str());
    RebuildTree(state_);
}

HTREEITEM PackageViewTest::Find(const std::wstring& text) const { return FindTreeItem(Tree(), text); }

std::vector<std::wstring> PackageViewTest::ChildTexts(HTREEITEM parent) const {
    return TreeChildTexts(Tree(), parent);
}

UINT PackageViewTest::CheckImage(HTREEITEM item) const {
    return (TreeView_GetItemState(Tree(), item, TVIS_STATEIMAGEMASK) & TVIS_STATEIMAGEMASK) >> 12;
}

bool PackageViewTest::Expanded(HTREEITEM item) const {
    return (TreeView_GetItemState(Tree(), item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

std::wstring PackageViewTest::SelectedText() const {
    HTREEITEM selected = TreeView_GetSelection(Tree());
    return selected ? TreeItemText(Tree(), selected) : std::wstring();
}

void PackageViewTest::ClickCheckBox(HTREEITEM item) {
    HWND tree = Tree();
    TreeView_EnsureVisible(tree, item);
    RECT text{};
    ASSERT_TRUE(TreeView_GetItemRect(tree, item, &text, TRUE));
    TVHITTESTINFO hit{};
    hit.pt.y = (text.top + text.bottom) / 2;
    for (hit.pt.x = text.left - 1; hit.pt.x >= 0; --hit.pt.x) {
        if (TreeView_HitTest(tree, &hit) == item && (hit.flags & TVHT_ONITEMSTATEICON)) break;
    }
    ASSERT_GE(hit.pt.x, 0) << "no check box beside the item";
    const LPARAM at = MAKELPARAM(hit.pt.x - 2, hit.pt.y);
    ::PostMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(tree, WM_LBUTTONUP, 0, at);
    PumpPending();
}

}  // namespace test
