// The removal confirmation, settings, log and about dialogs from their real
// templates, driven with the messages a user's keys and clicks produce.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

#include <string>
#include <vector>

#include "core/unique_handle.h"
#include "dialog_ids.h"
#include "test_support.h"
#include "tests/ui/modal_script.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/confirm_removal_dialog.h"
#include "ui/dialogs/log_window.h"
#include "ui/dialogs/settings_dialog.h"
#include "ui/drawing/window_text.h"
#include "ui/main_window/app_state.h"
#include "ui/main_window/main_window.h"

using test::AnswerMessage;
using test::ModalScript;
using test::ModalWindow;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

constexpr LangId kEnglish = 1;

std::wstring Text(TextId id) { return GetText(kEnglish, id); }

RECT ClientRectIn(HWND dialog, int id) {
    RECT rect{};
    const HWND control = ::GetDlgItem(dialog, id);
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool Enabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }

// Enter as the dialog's own message loop receives it from the keyboard.
void PressEnterOn(HWND dialog, int id) {
    const HWND control = ::GetDlgItem(dialog, id);
    ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    ::PostMessageW(control, WM_KEYDOWN, VK_RETURN, 0);
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { test::PrepareDialogState(state, temp.Path()); }

    test::TempFolder temp{L"qbdialogs"};
    AppState state;
};

TEST_F(DialogTest, ConfirmationLaysOutItsMessageAndOnlyRemoveTakesEnter) {
    ConfirmRemovalParams params;
    params.Language = kEnglish;
    for (int line = 0; line < 80; ++line) params.Message += L"Paragraph " + std::to_wstring(line) + L"\r\n";
    params.Rows = {{L"qra.inf / oem1.inf", L"1.0", L"2020-01-01", L"0.01 MB", L"Manual selection"},
                   {L"qrb.inf / oem2.inf", L"2.0", L"2021-01-01", L"0.02 MB", L"Associated with a device"}};
    const auto inspectLong = [](const ModalWindow& shown) {
        const HWND dialog = shown.Window;
        EXPECT_EQ(shown.Caption, Text(111));
        EXPECT_EQ(WindowTextOf(::GetDlgItem(dialog, IDOK)), Text(65));
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(dialog, IDC_CONFIRM_ICON)));
        const HWND edit = ::GetDlgItem(dialog, IDC_CONFIRM_TEXT);
        EXPECT_TRUE(::GetWindowLongW(edit, GWL_STYLE) & WS_VSCROLL) << "the long message scrolls";
        EXPECT_EQ(ClientRectIn(dialog, IDC_CONFIRM_TEXT).left, ClientRectIn(dialog, IDC_CONFIRM_ICON).left)
            << "without the icon the text starts where the icon would be";
        const RECT list = ClientRectIn(dialog, IDC_CONFIRM_LIST);
        EXPECT_GE(list.bottom - list.top, 60);
        EXPECT_LE(list.bottom, ClientRectIn(dialog, IDCANCEL).top);
        const HWND view = ::GetDlgItem(dialog, IDC_CONFIRM_LIST);
        EXPECT_EQ(ListView_GetItemCount(view), 2);
        wchar_t cell[64] = {};
        ListView_GetItemText(view, 1, 4, cell, 64);
        EXPECT_STREQ(cell, L"Associated with a device");
        EXPECT_EQ(::SendMessageW(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDCANCEL, DC_HASDEFID));
        PressEnterOn(dialog, IDCANCEL);
        return 0;
    };
    {
        ModalScript script({inspectLong});
        EXPECT_EQ(ShowConfirmRemovalDialog(state.Instance, nullptr, params), IDCANCEL);
        EXPECT_TRUE(script.Finished());
    }
    params.Message = L"Remove?";
    params.ShowWarningIcon = true;
    {
        ModalScript script({[](const ModalWindow& shown) {
            const HWND dialog = shown.Window;
            EXPECT_FALSE(::GetWindowLongW(::GetDlgItem(dialog, IDC_CONFIRM_TEXT), GWL_STYLE) & WS_VSCROLL);
            const RECT icon = ClientRectIn(dialog, IDC_CONFIRM_ICON);
            const RECT text = ClientRectIn(dialog, IDC_CONFIRM_TEXT);
            EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(dialog, IDC_CONFIRM_ICON)));
            EXPECT_GT(text.left, icon.right);
            EXPECT_GE(text.bottom - text.top, icon.bottom - icon.top) << "never lower than the icon";
            PressEnterOn(dialog, IDOK);
            return 0;
        }});
        EXPECT_EQ(ShowConfirmRemovalDialog(state.Instance, nullptr, params), IDOK);
        EXPECT_TRUE(script.Finished());
    }
}

// HKEY_CURRENT_USER of this process redirected to a fresh key, so the real
// settings stay as they are; a volatile key refuses the settings key below it.
class RedirectedCurrentUser {
public:
    explicit RedirectedCurrentUser(bool refuseWrites) {
        name_ = L"Software\\QuillbayTests\\settings-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(::GetTickCount64());
        EXPECT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, name_.c_str(), 0, nullptr,
                                    refuseWrites ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                    nullptr, key_.put(), nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, key_.get()), ERROR_SUCCESS);
    }
    RedirectedCurrentUser(const RedirectedCurrentUser&) = delete;
    RedirectedCurrentUser& operator=(const RedirectedCurrentUser&) = delete;
    ~RedirectedCurrentUser() {
        ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        key_.reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, name_.c_str());
    }

    // The stored "DriverRemovalOptions", or -1.
    long long Stored() const {
        DWORD value = 0;
        DWORD size = sizeof(value);
        return ::RegGetValueW(key_.get(), L"Software\\Marrowfen", L"DriverRemovalOptions", RRF_RT_REG_DWORD, nullptr,
                              &value, &size) == ERROR_SUCCESS
                   ? static_cast<long long>(value)
                   : -1;
    }

private:
    std::wstring name_;
    RegKey key_;
};

// Sets the four boxes as the user clicks them.
void SetBoxes(HWND dialog, bool bootCritical, bool newer, bool warn, bool manualAll) {
    const std::pair<int, bool> boxes[] = {{IDC_SETTINGS_BOOT_CRITICAL, bootCritical},
                                          {IDC_SETTINGS_NEWER_UNUSED, newer},
                                          {IDC_SETTINGS_WARN_RISKS, warn},
                                          {IDC_SETTINGS_MANUAL_ALL, manualAll}};
    for (const auto& [id, wanted] : boxes) {
        if ((::IsDlgButtonChecked(dialog, id) == BST_CHECKED) != wanted && Enabled(dialog, id))
            ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    }
}

TEST_F(DialogTest, SettingsStoreEveryBitAndManualRemovalTakesOverTheFirstTwo) {
    RedirectedCurrentUser user(false);
    struct Case {
        const char* Name;
        std::wstring Root;
        bool Current;
        RemovalOptions Before;
        bool Boxes[4];
        long long Stored;
    };
    RemovalOptions offlineOn;
    offlineOn.ManualRemoveAllOffline = true;
    RemovalOptions bothOn = offlineOn;
    bothOn.ManualRemoveAllCurrent = true;
    const Case cases[] = {
        {"everything cleared", L"C:\\", true, RemovalOptions{}, {false, false, false, false}, 0x08},
        {"offline, everything checked", L"D:\\", false, RemovalOptions{}, {true, true, true, true}, 0x2F},
        {"current manual mode keeps the offline one", L"C:\\", true, offlineOn, {false, false, false, true}, 0x38},
        {"no target keeps both", L"", true, bothOn, {false, false, true, false}, 0x3C},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        state.TargetRoot = c.Root;
        state.TargetIsCurrent = c.Current;
        state.Options = c.Before;
        ModalScript script({[&](const ModalWindow& shown) {
            const HWND dialog = shown.Window;
            EXPECT_EQ(shown.Caption, Text(214));
            const std::wstring note = WindowTextOf(::GetDlgItem(dialog, IDC_SETTINGS_MANUAL_ALL_NOTE));
            if (c.Root.empty()) {
                EXPECT_FALSE(Enabled(dialog, IDC_SETTINGS_MANUAL_ALL));
                EXPECT_EQ(note, GetText(kEnglish, 258));
            } else {
                EXPECT_THAT(note, StartsWith(Text(c.Current ? 69 : 70) + c.Root + L"\r\n"));
                // The manual mode greys out the first two options while it is checked.
                SetBoxes(dialog, true, true, true, true);
                for (const int id : {IDC_SETTINGS_BOOT_CRITICAL, IDC_SETTINGS_BOOT_CRITICAL_NOTE,
                                     IDC_SETTINGS_NEWER_UNUSED, IDC_SETTINGS_NEWER_UNUSED_NOTE})
                    EXPECT_FALSE(Enabled(dialog, id)) << id;
                EXPECT_TRUE(Enabled(dialog, IDC_SETTINGS_WARN_RISKS));
                SetBoxes(dialog, true, true, true, false);
                EXPECT_TRUE(Enabled(dialog, IDC_SETTINGS_BOOT_CRITICAL));
                EXPECT_TRUE(Enabled(dialog, IDC_SETTINGS_NEWER_UNUSED_NOTE));
            }
            SetBoxes(dialog, c.Boxes[0], c.Boxes[1], c.Boxes[2], false);
            SetBoxes(dialog, c.Boxes[0], c.Boxes[1], c.Boxes[2], c.Boxes[3]);
            return IDOK;
        }});
        EXPECT_TRUE(ShowSettingsDialog(state));
        EXPECT_TRUE(script.Finished());
        EXPECT_EQ(user.Stored(), c.Stored);
        EXPECT_EQ(EncodeRemovalOptions(state.Options), static_cast<DWORD>(c.Stored));
    }
}

TEST_F(DialogTest, SettingsThatCannotBeSavedKeepTheDialogAndTheOptions) {
    RedirectedCurrentUser user(true);
    state.TargetRoot = L"C:\\";
    state.TargetIsCurrent = true;
    ModalScript script({[](const ModalWindow& shown) {
                            SetBoxes(shown.Window, true, true, false, false);
                            return IDOK;
                        },
                        [](const ModalWindow& shown) {
                            EXPECT_EQ(shown.Caption, Text(214));
                            EXPECT_EQ(shown.Text, Text(220));
                            EXPECT_EQ(test::MessageBoxIcon(shown.Window), IDI_ERROR);
                            return IDOK;
                        },
                        [](const ModalWindow& shown) {
                            EXPECT_EQ(shown.Caption, Text(214)) << "the settings are still open";
                            EXPECT_EQ(::IsDlgButtonChecked(shown.Window, IDC_SETTINGS_WARN_RISKS), BST_UNCHECKED);
                            return IDCANCEL;
                        }});
    EXPECT_FALSE(ShowSettingsDialog(state));
    EXPECT_TRUE(script.Finished());
    EXPECT_TRUE(state.Options.WarnAboutRisks);
    EXPECT_EQ(user.Stored(), -1);
}

DriverPackage Package(const std::wstring& published, const std::wstring& inf, const std::wstring& version,
                      const std::wstring& date) {
    DriverPackage package;
    package.PublishedName = published;
    package.OriginalInfName = inf;
    package.Version = version;
    package.Date = date;
    return package;
}

TEST_F(DialogTest, LogWindowShowsTheReportFollowsTheLogAndIsRebuiltWhenReopened) {
    Log(state.Events, L"первая строка");
    state.TargetRoot = L"C:\\";
    state.TargetIsCurrent = true;
    state.Installed = {Package(L"oem9.inf", L"zeta.inf", L"2.0", L"2022-02-02"),
                       Package(L"oem3.inf", L"Alpha.inf", L"", L""), Package(L"oem2.inf", L"alpha.inf", L"1.0", L"")};
    state.InstalledKey = MakeLoadedListKey(state.TargetRoot, true);
    state.Bindings = {1, 0, true, false};

    ShowLogWindow(state);
    const HWND window = state.Events.LogWindow;
    ASSERT_NE(window, nullptr);
    const HWND edit = ::GetDlgItem(window, IDC_LOG_TEXT);
    const std::wstring report =
        Text(16) + L" \u2014 C:\\\r\n" + Text(136) + L"3\r\n" + Text(234) + L"1\r\n\r\n" + Text(237) + L"\r\n" +
        L"alpha.inf (oem2.inf)  |  " + Text(8) + L"1.0  |  " + Text(39) + L" \u2014\r\n" +
        L"Alpha.inf (oem3.inf)  |  " + Text(8) + L"\u2014  |  " + Text(39) + L" \u2014\r\n" +
        L"zeta.inf (oem9.inf)  |  " + Text(8) + L"2.0  |  " + Text(39) + L" 2022-02-02\r\n";
    const std::wstring shown = WindowTextOf(edit);
    EXPECT_THAT(shown, HasSubstr(L"\r\n\r\n" + report + L"\r\n" + Text(238) + L"\r\n" + state.Events.MemoryText));
    EXPECT_EQ(WindowTextOf(window), Text(15));

    // A new line arrives while the window is open.
    Log(state.Events, L"вторая строка");
    EXPECT_THAT(WindowTextOf(edit), EndsWith(L"вторая строка\r\n"));

    ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_LOG_CLOSE, BN_CLICKED), 0);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(state.Events.LogWindow, nullptr);

    // The list now belongs to another target: the report says it was not read.
    Log(state.Events, L"третья строка");
    state.TargetRoot = L"D:\\";
    ShowLogWindow(state);
    ASSERT_NE(state.Events.LogWindow, nullptr);
    const std::wstring reopened = WindowTextOf(::GetDlgItem(state.Events.LogWindow, IDC_LOG_TEXT));
    EXPECT_THAT(reopened, HasSubstr(L"\r\n\r\n" + Text(233) + L"\r\n\r\n" + Text(238) + L"\r\n"));
    EXPECT_THAT(reopened, EndsWith(L"третья строка\r\n"));
    ::DestroyWindow(state.Events.LogWindow);
    EXPECT_EQ(state.Events.LogWindow, nullptr);
}

// Where `paragraph` starts in the text control, or -1.
long Find(HWND control, const std::wstring& paragraph) {
    FINDTEXTEXW find{};
    find.chrg = {0, -1};
    find.lpstrText = paragraph.c_str();
    return static_cast<long>(::SendMessageW(control, EM_FINDTEXTEXW, FR_DOWN | FR_MATCHCASE,
                                            reinterpret_cast<LPARAM>(&find)));
}

bool BoldAt(HWND control, long position) {
    ::SendMessageW(control, EM_SETSEL, position, position + 1);
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    ::SendMessageW(control, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return (format.dwEffects & CFE_BOLD) != 0;
}

LONG HangingIndentAt(HWND control, long position) {
    ::SendMessageW(control, EM_SETSEL, position, position);
    PARAFORMAT2 format{};
    format.cbSize = sizeof(format);
    ::SendMessageW(control, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
    return format.dxOffset;
}

// Ctrl held down for this thread's keyboard state.
void HoldControl(bool down) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    ::SetKeyboardState(keys);
}

TEST_F(DialogTest, AboutShowsRichTextWithHeadingsAndIndentsAndSwitchesTabsWithCtrlTab) {
    ModalScript script({[](const ModalWindow& shown) {
        const HWND dialog = shown.Window;
        EXPECT_EQ(shown.Caption, Text(6));
        EXPECT_EQ(WindowTextOf(::GetDlgItem(dialog, IDC_ABOUT_VERSION)), Text(8) + L"1.14.19");
        const HWND text = ::GetDlgItem(dialog, IDC_ABOUT_TEXT);
        wchar_t className[32] = {};
        ::GetClassNameW(text, className, 32);
        EXPECT_EQ(_wcsicmp(className, L"RICHEDIT50W"), 0) << className;
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(dialog, IDC_ABOUT_TABS));
        EXPECT_TRUE(BoldAt(text, Find(text, Text(11))));
        const std::wstring purpose = Text(10);
        const long body = Find(text, purpose.substr(0, purpose.find(L'\r')));
        EXPECT_GT(body, 0);
        EXPECT_FALSE(BoldAt(text, body));

        HoldControl(true);
        ::PostMessageW(::GetDlgItem(dialog, IDC_ABOUT_TABS), WM_KEYDOWN, VK_TAB, 0);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!::IsDialogMessageW(dialog, &message)) ::DispatchMessageW(&message);
        }
        HoldControl(false);
        EXPECT_EQ(TabCtrl_GetCurSel(::GetDlgItem(dialog, IDC_ABOUT_TABS)), 1);
        const long command = Find(text, L"Quillbay.exe cleanup-preview");
        EXPECT_GE(command, 0);
        EXPECT_TRUE(BoldAt(text, command));
        const long explanation = Find(text, L"    " + Text(157));
        EXPECT_GE(explanation, 0);
        EXPECT_FALSE(BoldAt(text, explanation));
        EXPECT_GT(HangingIndentAt(text, explanation), 0) << "wrapped lines align after the indent";
        EXPECT_EQ(HangingIndentAt(text, command), 0);
        ::PostMessageW(text, WM_KEYDOWN, VK_ESCAPE, 0);
        return 0;
    }});
    ShowAboutDialog(state);
    EXPECT_TRUE(script.Finished());
}

// Moved to a monitor at 150 %: the control's font is alive and half as high
// again, and so is the control itself.
// The height of a dialog control's font, which must be alive.
LONG ControlFontHeight(HWND dialog, int id) {
    LOGFONTW font{};
    const auto handle = reinterpret_cast<HFONT>(::SendDlgItemMessageW(dialog, id, WM_GETFONT, 0, 0));
    EXPECT_TRUE(::GetObjectW(handle, sizeof(font), &font)) << "a live font";
    return font.lfHeight;
}

// The move to a 144-DPI monitor, with the frame Windows suggests for it.
void SendDpiChangeTo144(HWND dialog) {
    RECT frame{};
    ::GetWindowRect(dialog, &frame);
    RECT suggested{frame.left, frame.top, frame.left + (frame.right - frame.left) * 3 / 2,
                   frame.top + (frame.bottom - frame.top) * 3 / 2};
    ::SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
}

void ExpectRescaledOnDpiChange(HWND dialog, int id) {
    const LONG before = ControlFontHeight(dialog, id);
    const RECT control = ClientRectIn(dialog, id);
    SendDpiChangeTo144(dialog);
    EXPECT_NEAR(ControlFontHeight(dialog, id), before * 3 / 2, 1);
    const RECT now = ClientRectIn(dialog, id);
    EXPECT_NEAR(now.bottom - now.top, (control.bottom - control.top) * 3 / 2, 2);
}

TEST_F(DialogTest, SettingsAndConfirmationRescaleTheirFontsOnADpiChange) {
    {
        ModalScript script({[](const ModalWindow& shown) {
            ExpectRescaledOnDpiChange(shown.Window, IDC_SETTINGS_BOOT_CRITICAL);
            return IDCANCEL;
        }});
        EXPECT_FALSE(ShowSettingsDialog(state));
        EXPECT_TRUE(script.Finished());
    }
    ConfirmRemovalParams params;
    params.Language = kEnglish;
    params.Message = L"Remove?";
    ModalScript script({[](const ModalWindow& shown) {
        ExpectRescaledOnDpiChange(shown.Window, IDOK);
        return IDCANCEL;
    }});
    EXPECT_EQ(ShowConfirmRemovalDialog(state.Instance, nullptr, params), IDCANCEL);
    EXPECT_TRUE(script.Finished());
}

TEST_F(DialogTest, AboutRescalesItsLayoutAndFontsOnADpiChange) {
    ModalScript script({[](const ModalWindow& shown) {
        const HWND dialog = shown.Window;
        const int ids[] = {IDC_ABOUT_TABS, IDC_ABOUT_FRAME, IDCANCEL};
        std::vector<RECT> before;
        for (const int id : ids) before.push_back(ClientRectIn(dialog, id));
        const LONG heightBefore = ControlFontHeight(dialog, IDC_ABOUT_PRODUCT);
        SendDpiChangeTo144(dialog);

        EXPECT_NEAR(ControlFontHeight(dialog, IDC_ABOUT_PRODUCT), heightBefore * 3 / 2, 1);
        // Widths and positions scale; the content's height follows its
        // text wrapped anew, and the Close button keeps its scaled gap below it.
        const auto scaled = [](LONG value) { return value * 3 / 2; };
        for (std::size_t i = 0; i < std::size(ids); ++i) {
            SCOPED_TRACE(ids[i]);
            const RECT now = ClientRectIn(dialog, ids[i]);
            EXPECT_NEAR(now.left, scaled(before[i].left), 2);
            EXPECT_NEAR(now.right - now.left, scaled(before[i].right - before[i].left), 3);
        }
        const RECT tabs = ClientRectIn(dialog, IDC_ABOUT_TABS);
        EXPECT_NEAR(tabs.top, scaled(before[0].top), 2);
        EXPECT_NEAR(tabs.bottom - tabs.top, scaled(before[0].bottom - before[0].top), 3);
        const RECT content = ClientRectIn(dialog, IDC_ABOUT_FRAME);
        EXPECT_NEAR(content.top, scaled(before[1].top), 2);
        const RECT close = ClientRectIn(dialog, IDCANCEL);
        EXPECT_NEAR(close.top - content.bottom, scaled(before[2].top - before[1].bottom), 2);
        EXPECT_NEAR(close.bottom - close.top, scaled(before[2].bottom - before[2].top), 3);
        return IDCANCEL;
    }});
    ShowAboutDialog(state);
    EXPECT_TRUE(script.Finished());
}

}  // namespace
