#pragma once
// Answers the dialogs and message boxes this thread opens while a flow under
// test runs: every few milliseconds the window that is waiting for the user
// (visible, enabled, of the dialog class) is handed to the next step, which
// looks at it and answers. A window nobody expected fails the test and is
// cancelled, so a flow never hangs.
#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

struct AppState;

namespace test {

// English, this program's dialog templates, common controls registered and
// the event log written into `folder`.
void PrepareDialogState(AppState& state, const std::filesystem::path& folder);

// What a step saw.
struct ModalWindow {
    HWND Window = nullptr;
    std::wstring Caption;
    std::wstring Text;  // a message box's message
};

class ModalScript {
public:
    // Returns the command to end the window with (IDOK, IDYES, ...), or 0 when
    // the step closed it itself.
    using Step = std::function<int(const ModalWindow& window)>;

    explicit ModalScript(std::vector<Step> steps);
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;
    ~ModalScript();

    // Every window a step answered, in order.
    const std::vector<ModalWindow>& Seen() const { return seen_; }
    bool Finished() const { return next_ == steps_.size(); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void OnTick();

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    std::vector<ModalWindow> seen_;
    HWND lastAnswered_ = nullptr;
    UINT_PTR timer_ = 0;
};

// A step that answers a message box with `command` after checking its text.
ModalScript::Step AnswerMessage(const std::wstring& expectedText, int command);

// The icon a message box shows: IDI_WARNING, IDI_INFORMATION, ... or null.
const wchar_t* MessageBoxIcon(HWND box);

}  // namespace test
