// Jobs on a worker thread behind a real main window: what the worker logs and
// reports arrives on the interface thread while RunJob pumps, message boxes and
// quit requests during a job behave, failures and cancellation end as one log
// line and one status text, and the busy switch locks and unlocks the window.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/event_log.h"
#include "core/localized_text.h"
#include "test_support.h"
#include "ui/jobs/background_job.h"
#include "ui/main_window/app_state.h"
#include "ui/main_window/busy_state.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/main_window/status_line.h"

namespace {

using namespace std::chrono_literals;

// ---- An in-memory dialog template with the controls the job machinery drives.

struct ControlItem {
    WORD Id;
    const wchar_t* ClassName;
    DWORD Style;
};

void AppendString(std::vector<WORD>& words, const wchar_t* text) {
    for (; *text; ++text) words.push_back(static_cast<WORD>(*text));
    words.push_back(0);
}

void AlignToDword(std::vector<WORD>& words) {
    if (words.size() % 2) words.push_back(0);
}

// Hidden unless asked: under Wine without a window manager every shown top-level
// window costs two seconds when it goes away.
std::vector<WORD> DialogTemplate(const std::vector<ControlItem>& controls, DWORD shown = 0) {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
    header->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | shown;
    header->cdit = static_cast<WORD>(controls.size());
    header->cx = 300;
    header->cy = 200;
    words.push_back(0);  // no menu
    words.push_back(0);  // default class
    AppendString(words, L"Quillbay");
    short y = 4;
    for (const ControlItem& control : controls) {
        AlignToDword(words);
        const std::size_t at = words.size();
        words.resize(at + sizeof(DLGITEMTEMPLATE) / sizeof(WORD), 0);
        auto* item = reinterpret_cast<DLGITEMTEMPLATE*>(words.data() + at);
        item->style = WS_CHILD | WS_VISIBLE | control.Style;
        item->x = 4;
        item->y = y;
        item->cx = 120;
        item->cy = 10;
        item->id = control.Id;
        y = static_cast<short>(y + 12);
        AppendString(words, control.ClassName);
        AppendString(words, L"");
        words.push_back(0);  // no creation data
    }
    return words;
}

std::vector<WORD> MainWindowTemplate() {
    return DialogTemplate({
        {IDC_STATUS_LINE, L"STATIC", 0},
        {IDC_PROGRESS, PROGRESS_CLASSW, 0},
        {IDC_ACTION, L"BUTTON", WS_TABSTOP},
        {IDC_HELP_BUTTON, L"BUTTON", 0},
        {IDC_REFRESH, L"BUTTON", WS_TABSTOP},
        {IDC_SEARCH, L"EDIT", WS_TABSTOP},
        {IDC_SELECT_OLD_DRIVERS, L"BUTTON", WS_TABSTOP},
        {IDC_LOG_BUTTON, L"BUTTON", WS_TABSTOP},
        {IDC_CLEAR_SELECTION, L"BUTTON", WS_TABSTOP},
        {IDC_SELECT_ALL, L"BUTTON", WS_TABSTOP},
        {IDC_PACKAGE_TREE, WC_TREEVIEWW, WS_TABSTOP},
    });
}

// ---- What reaches the main window's procedure, and on which thread.

struct Delivery {
    UINT Message;
    DWORD Thread;
    std::wstring Text;
    int Progress;
};

struct Recorder {
    WNDPROC Original = nullptr;
    std::vector<Delivery> Deliveries;

    std::size_t Count(UINT message) const {
        std::size_t count = 0;
        for (const Delivery& delivery : Deliveries) count += delivery.Message == message;
        return count;
    }
};

constexpr wchar_t kRecorderProperty[] = L"QuillbayJobTestRecorder";

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* recorder = static_cast<Recorder*>(::GetPropW(window, kRecorderProperty));
    const WNDPROC original = recorder->Original;
    if (message == WM_APP_LOG) {
        recorder->Deliveries.push_back(
            {message, ::GetCurrentThreadId(), *reinterpret_cast<const std::wstring*>(lParam), 0});
    } else if (message == WM_APP_STATUS) {
        const auto& update = *reinterpret_cast<const StatusUpdate*>(lParam);
        recorder->Deliveries.push_back({message, ::GetCurrentThreadId(), update.Text, update.Progress});
    } else if (message == WM_NCDESTROY) {
        ::RemovePropW(window, kRecorderProperty);
    }
    return ::CallWindowProcW(original, window, message, wParam, lParam);
}

// ---- A hidden window of the interface thread that runs what a worker hands it.

constexpr UINT kRunOnInterface = WM_APP + 60;

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunOnInterface) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateProbe() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ProbeProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QuillbayJobTestProbe";
    ::RegisterClassW(&windowClass);
    return ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             windowClass.hInstance, nullptr);
}

// Polls from a worker; the interface thread keeps pumping meanwhile.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

void PumpPending() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

class JobWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);
        state_.Events.LogPath = (temp_.Path() / L"Quillbay.log").wstring();
        state_.Language = 1;
        template_ = MainWindowTemplate();
        main_ =
            ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(template_.data()),
                                         nullptr, MainWindowProc, reinterpret_cast<LPARAM>(&state_));
        ASSERT_TRUE(main_);
        ASSERT_EQ(state_.MainWindow, main_);
        // What the window does on its own at creation is not under test here.
        PumpPending();
        state_.Events.MemoryText.clear();
        ::DeleteFileW(state_.Events.LogPath.c_str());
        ::SetPropW(main_, kRecorderProperty, &recorder_);
        recorder_.Original = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(main_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc)));
        probe_ = CreateProbe();
        ASSERT_TRUE(probe_);
    }

    void TearDown() override {
        if (::IsWindow(main_)) ::DestroyWindow(main_);
        ::DestroyWindow(probe_);
        PumpPending();
    }

    // From a worker: runs `action` on the interface thread and returns after it.
    void OnInterface(const std::function<void()>& action) const {
        ::SendMessageW(probe_, kRunOnInterface, 0, reinterpret_cast<LPARAM>(&action));
    }

    HWND Item(int id) const { return ::GetDlgItem(main_, id); }
    std::wstring StatusText() const { return WindowText(Item(IDC_STATUS_LINE)); }
    int ProgressPosition() const { return static_cast<int>(::SendMessageW(Item(IDC_PROGRESS), PBM_GETPOS, 0, 0)); }
    // The window itself stays hidden, so "shown" is the control's own style bit.
    bool Shown(int id) const { return (::GetWindowLongPtrW(Item(id), GWL_STYLE) & WS_VISIBLE) != 0; }
    bool ProgressHasMarqueeStyle() const {
        return (::GetWindowLongPtrW(Item(IDC_PROGRESS), GWL_STYLE) & PBS_MARQUEE) != 0;
    }
    std::vector<std::wstring> Logged() const { return test::LoggedTexts(state_.Events.MemoryText); }

    test::TempFolder temp_;
    AppState state_;
    std::vector<WORD> template_;
    HWND main_ = nullptr;
    HWND probe_ = nullptr;
    Recorder recorder_;
    const DWORD uiThread_ = ::GetCurrentThreadId();
};

}  // namespace

TEST_F(JobWindowTest, WorkerLinesAndStatusArriveInOrderOnTheInterfaceThread) {
    std::atomic<DWORD> workerThread{0};
    const bool completed = RunJob(state_, [&] {
        workerThread = ::GetCurrentThreadId();
        for (int i = 1; i <= 4; ++i) {
            Log(state_.Events, L"Экспорт пакета " + std::to_wstring(i));
            SetStatus(state_, L"Резервное копирование " + std::to_wstring(i), i * 20);
        }
        SetStatus(state_, L"Упаковка", kProgressMarquee);
    });
    ASSERT_TRUE(completed);
    EXPECT_FALSE(state_.JobRunning);
    ASSERT_NE(workerThread.load(), 0u);
    EXPECT_NE(workerThread.load(), uiThread_) << "the job must run on its own thread";

    ASSERT_EQ(recorder_.Deliveries.size(), 9u);
    for (int i = 1; i <= 4; ++i) {
        const Delivery& line = recorder_.Deliveries[static_cast<std::size_t>(2 * (i - 1))];
        const Delivery& status = recorder_.Deliveries[static_cast<std::size_t>(2 * (i - 1) + 1)];
        EXPECT_EQ(line.Message, WM_APP_LOG);
        EXPECT_EQ(line.Text, L"Экспорт пакета " + std::to_wstring(i));
        EXPECT_EQ(status.Message, WM_APP_STATUS);
        EXPECT_EQ(status.Text, L"Резервное копирование " + std::to_wstring(i));
        EXPECT_EQ(status.Progress, i * 20);
    }
    EXPECT_EQ(recorder_.Deliveries.back().Progress, kProgressMarquee);
    for (const Delivery& delivery : recorder_.Deliveries) EXPECT_EQ(delivery.Thread, uiThread_);

    EXPECT_EQ(Logged(), (std::vector<std::wstring>{L"Экспорт пакета 1", L"Экспорт пакета 2", L"Экспорт пакета 3",
                                                   L"Экспорт пакета 4"}));
    EXPECT_EQ(test::ReadUtf8File(state_.Events.LogPath), state_.Events.MemoryText);
    EXPECT_EQ(StatusText(), L"Упаковка");
    EXPECT_EQ(ProgressPosition(), 80) << "a marquee keeps the last position";
    EXPECT_TRUE(ProgressHasMarqueeStyle());
    EXPECT_TRUE(state_.ProgressMarquee);
}

TEST_F(JobWindowTest, InterfaceCallbacksLogShowProgressAndReadTheCancelFlag) {
    const OperationCallbacks callbacks = InterfaceCallbacks(state_);
    std::vector<bool> cancelSeen;
    ASSERT_TRUE(RunJob(state_, [&] {
        callbacks.LogLine(L"Архив создан");
        callbacks.Progress(L"Extracting — 45%", 45);
        cancelSeen.push_back(callbacks.Cancelled());
        OnInterface([&] { RequestCancel(state_); });
        cancelSeen.push_back(callbacks.Cancelled());
        callbacks.Progress(L"Extracting", -1);
    }));
    EXPECT_EQ(cancelSeen, (std::vector<bool>{false, true}));
    EXPECT_EQ(Logged(), std::vector<std::wstring>{L"Архив создан"});
    ASSERT_EQ(recorder_.Count(WM_APP_STATUS), 2u);
    EXPECT_EQ(recorder_.Deliveries[1].Progress, 45);
    EXPECT_EQ(recorder_.Deliveries[2].Progress, kProgressMarquee) << "no percent known: marquee";
    EXPECT_EQ(StatusText(), L"Extracting");
    EXPECT_TRUE(ProgressHasMarqueeStyle());
}

TEST_F(JobWindowTest, MessageBoxOpenedDuringAJobKeepsServingTheWorker) {
    const std::wstring caption = L"Quillbay job test box";
    std::atomic<bool> boxReturned{false};
    int boxResult = 0;
    const std::function<void()> openBox = [&] {
        boxResult = ::MessageBoxW(main_, L"Во время работы", caption.c_str(), MB_OK);
        boxReturned = true;
    };
    bool boxAppeared = false;
    int linesWhileBoxWasUp = 0;
    bool boxClosed = false;

    const bool completed = RunJob(state_, [&] {
        // Posted, so the interface thread opens the box from inside the pump.
        ::PostMessageW(probe_, kRunOnInterface, 0, reinterpret_cast<LPARAM>(&openBox));
        HWND box = test::WaitForProcessWindow(::GetCurrentProcessId(), caption, L"#32770", 10s);
        boxAppeared = box != nullptr;
        if (!box) return;
        for (int i = 1; i <= 5; ++i) {
            Log(state_.Events, L"Пакет " + std::to_wstring(i));
            SetStatus(state_, L"Шаг " + std::to_wstring(i), i * 10);
            // Only this worker closes the box, so a line handled between these two
            // checks was handled while the box was up.
            if (::IsWindow(box) && !boxReturned) ++linesWhileBoxWasUp;
        }
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        boxClosed = WaitUntil([&] { return boxReturned.load(); });
    });
    ASSERT_TRUE(completed);
    ASSERT_TRUE(boxAppeared) << "the pump never dispatched the posted request";
    EXPECT_EQ(linesWhileBoxWasUp, 5);
    EXPECT_TRUE(boxClosed);
    EXPECT_EQ(boxResult, IDOK);
    EXPECT_EQ(Logged(), (std::vector<std::wstring>{L"Пакет 1", L"Пакет 2", L"Пакет 3", L"Пакет 4", L"Пакет 5"}));
    EXPECT_EQ(recorder_.Count(WM_APP_STATUS), 5u);
    for (const Delivery& delivery : recorder_.Deliveries) EXPECT_EQ(delivery.Thread, uiThread_);
    EXPECT_EQ(StatusText(), L"Шаг 5");
    EXPECT_EQ(ProgressPosition(), 50);
    EXPECT_TRUE(::IsWindowEnabled(main_)) << "the box gave its owner back";
}

TEST_F(JobWindowTest, QuitDuringAJobIsPostedAgainAfterIt) {
    {
        const bool completed = RunJob(state_, [&] {
            Log(state_.Events, L"до выхода");
            OnInterface([] { ::PostQuitMessage(7); });
            // The pump goes on after taking the quit message.
            Log(state_.Events, L"после выхода");
            SetStatus(state_, L"после выхода", 5);
        });
        ASSERT_TRUE(completed);
        EXPECT_EQ(Logged(), (std::vector<std::wstring>{L"до выхода", L"после выхода"}));
        EXPECT_EQ(StatusText(), L"после выхода");

        MSG message{};
        ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit request was lost";
        EXPECT_EQ(message.wParam, 7u);
        EXPECT_FALSE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    }
    {
        // A job that ends at once leaves a pending quit request in place too.
        ::PostQuitMessage(3);
        ASSERT_TRUE(RunJob(state_, [] {}));
        MSG message{};
        ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        EXPECT_EQ(message.wParam, 3u);
    }
}

TEST_F(JobWindowTest, JobFailuresEndAsOneLogLineAndOneStatusText) {
    struct Case {
        const char* Name;
        std::function<void()> Job;
        std::wstring Line;
        TextId Status;
    };
    const std::vector<Case> cases = {
        {"runtime error with a UTF-8 message",
         [] {
             throw std::runtime_error(
                 "\xD0\x9D\xD0\xB5 \xD0\xBD\xD0\xB0\xD0\xB9\xD0\xB4\xD0\xB5\xD0\xBD "
                 "\xC2\xAB"
                 "oem12.inf\xC2\xBB \xE2\x80\x94 \xE9\x94\x99\xE8\xAF\xAF");
         },
         L"ERROR: Не найден «oem12.inf» — 错误", 173},
        {"cancelled", [] { throw OperationCancelled{}; }, GetText(1, 172), 172},
        {"unknown exception", [] { throw 42; }, L"ERROR: unexpected operation failure", 173},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        SetStatus(state_, L"Идёт работа", 40);
        state_.Events.MemoryText.clear();
        const std::size_t logMessagesBefore = recorder_.Count(WM_APP_LOG);
        const std::size_t statusMessagesBefore = recorder_.Count(WM_APP_STATUS);
        std::atomic<DWORD> jobThread{0};

        const bool completed = RunJob(state_, [&] {
            jobThread = ::GetCurrentThreadId();
            c.Job();
        });
        EXPECT_FALSE(completed);
        EXPECT_FALSE(state_.JobRunning);
        EXPECT_NE(jobThread.load(), uiThread_);
        EXPECT_EQ(Logged(), std::vector<std::wstring>{c.Line});
        EXPECT_EQ(StatusText(), GetText(1, c.Status));
        EXPECT_EQ(ProgressPosition(), 40) << "a failure leaves the bar as it was";
        // Reported by the interface thread itself, not forwarded from the worker.
        EXPECT_EQ(recorder_.Count(WM_APP_LOG), logMessagesBefore);
        EXPECT_EQ(recorder_.Count(WM_APP_STATUS), statusMessagesBefore);
    }
    {
        SCOPED_TRACE("empty job");
        state_.Events.MemoryText.clear();
        EXPECT_FALSE(RunJob(state_, std::function<void()>{}));
        const std::vector<std::wstring> logged = Logged();
        ASSERT_EQ(logged.size(), 1u);
        EXPECT_EQ(logged[0].rfind(L"ERROR: ", 0), 0u) << logged[0];
        EXPECT_EQ(StatusText(), GetText(1, 173));
    }
    {
        SCOPED_TRACE("WorkerRun rethrows on the calling thread");
        EXPECT_THROW(WorkerRun(main_, state_.Events.LogWindow, [] { throw OperationCancelled{}; }), OperationCancelled);
        EXPECT_THROW(WorkerRun(nullptr, state_.Events.LogWindow, [] { throw std::logic_error("x"); }),
                     std::logic_error);
    }
}

TEST_F(JobWindowTest, CancellationStopsAtTheNextCheckpoint) {
    state_.Mode = AppMode::Removal;
    state_.CancelRequested = true;  // left over from an earlier operation
    SetBusy(state_, true);
    EXPECT_FALSE(state_.CancelRequested) << "a new operation starts without the old request";

    std::wstring statusAfterCancel;
    const bool completed = RunJob(state_, [&] {
        for (int package = 1; package <= 10; ++package) {
            if (state_.CancelRequested) throw OperationCancelled{};
            Log(state_.Events, L"Удаление " + std::to_wstring(package));
            if (package == 3) {
                // The action button, pressed twice while the third package is in hand.
                OnInterface([&] {
                    RequestCancel(state_);
                    RequestCancel(state_);
                    statusAfterCancel = StatusText();
                });
            }
            Log(state_.Events, L"Удалён " + std::to_wstring(package));
        }
    });
    EXPECT_FALSE(completed);
    EXPECT_EQ(statusAfterCancel, GetText(1, 175));
    EXPECT_EQ(Logged(), (std::vector<std::wstring>{L"Удаление 1", L"Удалён 1", L"Удаление 2", L"Удалён 2",
                                                   L"Удаление 3", L"Удалён 3", GetText(1, 172)}));
    EXPECT_EQ(StatusText(), GetText(1, 172));

    // Busy to busy keeps the request; a job that ends before its next checkpoint succeeds.
    SetBusy(state_, true);
    EXPECT_TRUE(state_.CancelRequested);
    EXPECT_TRUE(RunJob(state_, [&] { Log(state_.Events, L"последний пакет"); }));
    SetBusy(state_, false);
    EXPECT_FALSE(state_.Busy);
}

TEST_F(JobWindowTest, OnlyOneJobRunsAtATime) {
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
    bool secondRan = false;
    bool nestedResult = true;
    const std::function<void()> second = [&] {
        secondRan = true;
        mostAtOnce = std::max(mostAtOnce.load(), ++running);
        --running;
    };
    const bool completed = RunJob(state_, [&] {
        mostAtOnce = std::max(mostAtOnce.load(), ++running);
        // A handler reached through the pump tries to start another job.
        OnInterface([&] { nestedResult = RunJob(state_, second); });
        Log(state_.Events, L"первая операция завершена");
        --running;
    });
    EXPECT_TRUE(completed);
    EXPECT_FALSE(nestedResult);
    EXPECT_FALSE(secondRan);
    EXPECT_EQ(mostAtOnce.load(), 1);
    EXPECT_EQ(Logged(),
              (std::vector<std::wstring>{L"ERROR: другая операция ещё выполняется", L"первая операция завершена"}));

    // Once the first has ended the next one runs.
    EXPECT_TRUE(RunJob(state_, second));
    EXPECT_TRUE(secondRan);
}

TEST_F(JobWindowTest, BusySwitchLocksTheWindowAndUnlocksIt) {
    state_.Mode = AppMode::Removal;
    ::ShowWindow(Item(IDC_HELP_BUTTON), SW_SHOW);
    // As with packages checked; the selection buttons do nothing while busy.
    ::EnableWindow(Item(IDC_CLEAR_SELECTION), TRUE);
    SetStatus(state_, L"Готовим", kProgressMarquee);
    // Refresh pressed from the keyboard: it is disabled while it has the focus.
    ::SetFocus(Item(IDC_REFRESH));
    ASSERT_EQ(::GetFocus(), Item(IDC_REFRESH));

    SetBusy(state_, true);
    EXPECT_TRUE(state_.Busy);
    for (int id : {IDC_REFRESH, IDC_SEARCH, IDC_HELP_BUTTON, IDC_SELECT_OLD_DRIVERS, IDC_CLEAR_SELECTION,
                   IDC_SELECT_ALL, IDC_PACKAGE_TREE})
        EXPECT_FALSE(::IsWindowEnabled(Item(id))) << id;
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_LOG_BUTTON)));
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_ACTION)));
    EXPECT_EQ(::GetFocus(), Item(IDC_ACTION)) << "the keyboard waits on Cancel";
    EXPECT_EQ(WindowText(Item(IDC_ACTION)), GetText(1, 170));
    EXPECT_FALSE(Shown(IDC_HELP_BUTTON));
    EXPECT_TRUE(Shown(IDC_PROGRESS));
    EXPECT_EQ(ProgressPosition(), 0);
    EXPECT_FALSE(ProgressHasMarqueeStyle());
    EXPECT_FALSE(state_.ProgressMarquee);

    SetStatus(state_, L"Упаковка", kProgressMarquee);
    SetBusy(state_, false);
    EXPECT_FALSE(state_.Busy);
    for (int id : {IDC_REFRESH, IDC_SEARCH, IDC_HELP_BUTTON}) EXPECT_TRUE(::IsWindowEnabled(Item(id))) << id;
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_SELECT_OLD_DRIVERS))) << "no list loaded";
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_ACTION))) << "nothing checked";
    EXPECT_EQ(WindowText(Item(IDC_ACTION)), GetText(1, 65));
    EXPECT_FALSE(Shown(IDC_PROGRESS));
    EXPECT_FALSE(ProgressHasMarqueeStyle());
    EXPECT_FALSE(state_.ProgressMarquee);
    EXPECT_EQ(::GetFocus(), Item(IDC_REFRESH)) << "the focus returns where it was";
    PumpPending();
    EXPECT_EQ(state_.MainWindow, main_) << "nobody asked to close";

    // A control that is gone by the end (nothing checked hides Clear selection)
    // hands the focus to the tree.
    ::ShowWindow(Item(IDC_CLEAR_SELECTION), SW_SHOWNA);
    ::EnableWindow(Item(IDC_CLEAR_SELECTION), TRUE);
    ::SetFocus(Item(IDC_CLEAR_SELECTION));
    SetBusy(state_, true);
    EXPECT_EQ(::GetFocus(), Item(IDC_ACTION));
    SetBusy(state_, false);
    EXPECT_FALSE(Shown(IDC_CLEAR_SELECTION));
    EXPECT_EQ(::GetFocus(), Item(IDC_PACKAGE_TREE));

    state_.Mode = AppMode::Installation;
    SetBusy(state_, false);
    EXPECT_EQ(WindowText(Item(IDC_ACTION)), GetText(1, 66));
}

TEST_F(JobWindowTest, ClosingDuringAJobCancelsItAndClosesAfterwards) {
    SetBusy(state_, true);
    bool cancelArrived = false;
    const bool completed = RunJob(state_, [&] {
        for (int package = 1; package <= 10; ++package) {
            if (state_.CancelRequested) throw OperationCancelled{};
            Log(state_.Events, L"Копирование " + std::to_wstring(package));
            if (package == 2) {
                ::PostMessageW(main_, WM_COMMAND, IDCANCEL, 0);  // Esc does nothing while busy
                ::PostMessageW(main_, WM_SYSCOMMAND, SC_CLOSE, 0);
                cancelArrived = WaitUntil([&] { return state_.CancelRequested.load(); });
            }
        }
    });
    EXPECT_FALSE(completed);
    EXPECT_TRUE(cancelArrived);
    EXPECT_TRUE(state_.CloseRequested);
    EXPECT_EQ(Logged(), (std::vector<std::wstring>{L"Копирование 1", L"Копирование 2", GetText(1, 172)}));
    ASSERT_EQ(state_.MainWindow, main_) << "the window stays while the job runs";
    EXPECT_EQ(state_.Events.MainWindow, main_);

    SetBusy(state_, false);
    PumpPending();
    EXPECT_EQ(state_.MainWindow, nullptr) << "the window closes once the job has ended";
    EXPECT_EQ(state_.Events.MainWindow, nullptr);
}

namespace {

// Live-region announcements of the status line, counted by a hook of this thread.
std::vector<HWND> g_announced;
void CALLBACK CountAnnouncement(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD) {
    g_announced.push_back(window);
}

}  // namespace

TEST_F(JobWindowTest, StatusLineSwitchesBetweenPositionAndMarquee) {
    constexpr DWORD kLiveRegionChanged = 0x8019;
    g_announced.clear();
    const HWINEVENTHOOK hook =
        ::SetWinEventHook(kLiveRegionChanged, kLiveRegionChanged, nullptr, CountAnnouncement,
                          ::GetCurrentProcessId(), ::GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT);
    ASSERT_TRUE(hook);
    SetStatus(state_, L"Чтение", 30);
    PumpPending();
    ::UnhookWinEvent(hook);
    EXPECT_EQ(g_announced, std::vector<HWND>{Item(IDC_STATUS_LINE)}) << "screen readers hear the new status";
    EXPECT_EQ(StatusText(), L"Чтение");
    EXPECT_EQ(ProgressPosition(), 30);
    EXPECT_FALSE(ProgressHasMarqueeStyle());

    SetStatus(state_, L"Распаковка", kProgressMarquee);
    EXPECT_TRUE(ProgressHasMarqueeStyle());
    EXPECT_TRUE(state_.ProgressMarquee);
    for (int keep : {kProgressUnchanged, -7}) {
        SetStatus(state_, L"Отмена", keep);
        EXPECT_EQ(StatusText(), L"Отмена");
        EXPECT_TRUE(ProgressHasMarqueeStyle()) << keep;
    }
    SetStatus(state_, L"Почти", 150);
    EXPECT_FALSE(ProgressHasMarqueeStyle());
    EXPECT_FALSE(state_.ProgressMarquee);
    EXPECT_EQ(ProgressPosition(), 100);

    // A temporary result gives way to "Ready"; a lasting one stays.
    ResetStatusIfTemporary(state_);
    EXPECT_EQ(StatusText(), L"Почти");
    state_.StatusIsTemporary = true;
    ResetStatusIfTemporary(state_);
    EXPECT_EQ(StatusText(), GetText(1, 67));
    EXPECT_FALSE(state_.StatusIsTemporary);
    EXPECT_EQ(ProgressPosition(), 100);

    state_.StatusIsTemporary = true;
    SetStatus(state_, L"Новое", 0);
    EXPECT_FALSE(state_.StatusIsTemporary) << "any new status ends a temporary one";
}

TEST_F(JobWindowTest, LogWindowOpenedDuringAJobTakesItsDialogKeys) {
    std::vector<WORD> logTemplate = DialogTemplate(
        {
            {IDOK, L"BUTTON", WS_TABSTOP},
            {IDCANCEL, L"BUTTON", WS_TABSTOP},
        },
        WS_VISIBLE);
    HWND logWindow = nullptr;
    bool focusMoved = false;
    ASSERT_TRUE(RunJob(state_, [&] {
        OnInterface([&] {
            logWindow = ::CreateDialogIndirectParamW(
                ::GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(logTemplate.data()), nullptr,
                [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
            state_.Events.LogWindow = logWindow;
            ::SetFocus(::GetDlgItem(logWindow, IDOK));
        });
        if (!logWindow) return;
        ::PostMessageW(::GetDlgItem(logWindow, IDOK), WM_KEYDOWN, VK_TAB, 0);
        focusMoved = WaitUntil(
            [&] {
                bool moved = false;
                OnInterface([&] { moved = ::GetFocus() == ::GetDlgItem(logWindow, IDCANCEL); });
                return moved;
            },
            3s);
    }));
    ASSERT_TRUE(logWindow);
    EXPECT_TRUE(focusMoved) << "Tab in the Log window must move the focus while a job runs";
    state_.Events.LogWindow = nullptr;
    ::DestroyWindow(logWindow);
}

TEST(StatusLine, WithoutControlsOrWindowNothingBreaks) {
    AppState state;
    state.Language = 1;
    {
        // No main window: a worker's status has nowhere to go and changes nothing.
        state.StatusIsTemporary = true;
        std::thread worker([&] { SetStatus(state, L"с рабочего потока", 50); });
        worker.join();
        EXPECT_TRUE(state.StatusIsTemporary);
    }
    {
        // A window without the status line, bar or buttons: the state still follows.
        std::vector<WORD> bare = DialogTemplate({});
        HWND window =
            ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(bare.data()),
                                         nullptr, MainWindowProc, reinterpret_cast<LPARAM>(&state));
        ASSERT_TRUE(window);
        SetStatus(state, L"Без элементов", kProgressMarquee);
        EXPECT_TRUE(state.ProgressMarquee);
        EXPECT_FALSE(state.StatusIsTemporary);
        SetBusy(state, true);
        EXPECT_TRUE(state.Busy);
        EXPECT_FALSE(state.ProgressMarquee);
        EXPECT_TRUE(RunJob(state, [&] { SetStatus(state, L"через окно", 10); }));
        SetBusy(state, false);
        EXPECT_FALSE(state.Busy);
        ::DestroyWindow(window);
    }
}
