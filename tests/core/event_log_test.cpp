// The event log as the program uses it: lines stamped with the local time, a file
// that only grows, and workers whose lines travel through the interface thread,
// even while that thread sits in a modal dialog.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cwctype>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "console/console_output.h"
#include "core/event_log.h"
#include "core/unique_handle.h"
#include "import_hook.h"
#include "platform/dism_session.h"
#include "platform/utf8_file.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

int SecondOfDay(const SYSTEMTIME& time) { return time.wHour * 3600 + time.wMinute * 60 + time.wSecond; }

// The seconds of day a line's "[hh:mm:ss] " stamp names, or -1 when it has no stamp.
int StampedSecond(const std::wstring& line) {
    if (line.size() < 11 || line[0] != L'[' || line[3] != L':' || line[6] != L':' || line[9] != L']' ||
        line[10] != L' ')
        return -1;
    for (int i : {1, 2, 4, 5, 7, 8}) {
        if (!std::iswdigit(line[i])) return -1;
    }
    return std::stoi(line.substr(1, 2)) * 3600 + std::stoi(line.substr(4, 2)) * 60 + std::stoi(line.substr(7, 2));
}

// Lines of `text` split after each CR LF.
std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end + 2 - start));
        start = end + 2;
    }
    return lines;
}

// A hidden stand-in for the main window: it stores the lines workers send, and
// notes on which thread it did so.
struct MainWindowStandIn {
    EventLog* Log = nullptr;
    std::vector<DWORD> HandlerThreads;
};

LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP_LOG) {
        auto* standIn = reinterpret_cast<MainWindowStandIn*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        standIn->HandlerThreads.push_back(::GetCurrentThreadId());
        Log(*standIn->Log, *reinterpret_cast<const std::wstring*>(lParam));
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

class HiddenWindow {
public:
    explicit HiddenWindow(MainWindowStandIn* standIn) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = StandInProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"QuillbayLogTestMain";
        ::RegisterClassW(&windowClass);
        window_ = ::CreateWindowExW(0, L"QuillbayLogTestMain", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                    nullptr, windowClass.hInstance, nullptr);
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(standIn));
    }
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;
    ~HiddenWindow() { ::DestroyWindow(window_); }
    HWND Get() const { return window_; }

private:
    HWND window_ = nullptr;
};

// Pumps this thread's messages until `done` is set or the time is up.
bool PumpUntil(const std::atomic<bool>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done && std::chrono::steady_clock::now() < deadline) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return done;
}

struct ModalRun {
    EventLog* Log = nullptr;
    std::thread Worker;
    std::atomic<bool> WorkerDone{false};
    std::atomic<bool> WorkerStarted{false};
    std::chrono::steady_clock::time_point Deadline;
    bool DialogWasUpWhenWorkerEnded = false;
};

INT_PTR CALLBACK ModalProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* run = reinterpret_cast<ModalRun*>(lParam);
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        run->Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        run->Worker = std::thread([run] {
            run->WorkerStarted = true;
            for (int i = 1; i <= 20; ++i) Log(*run->Log, L"Пакет " + std::to_wstring(i));
            run->WorkerDone = true;
        });
        ::SetTimer(dialog, 1, 10, nullptr);
        return TRUE;
    }
    if (message == WM_TIMER) {
        auto* run = reinterpret_cast<ModalRun*>(::GetWindowLongPtrW(dialog, DWLP_USER));
        if (run->WorkerDone || std::chrono::steady_clock::now() > run->Deadline) {
            run->DialogWasUpWhenWorkerEnded = run->WorkerDone;
            ::KillTimer(dialog, 1);
            ::EndDialog(dialog, IDOK);
        }
        return TRUE;
    }
    return FALSE;
}

// An in-memory dialog template without controls.
std::vector<WORD> EmptyDialogTemplate() {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
    header->style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    header->cx = 100;
    header->cy = 40;
    return words;  // menu, class and title: three zero words
}

struct LogWindowStandIn {
    HWND Window = nullptr;
    HWND Edit = nullptr;
    LogWindowStandIn() {
        Window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
        Edit = ::CreateWindowExW(0, L"EDIT", L"",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, 0,
                                 0, 400, 200, Window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLogEditControlId)),
                                 ::GetModuleHandleW(nullptr), nullptr);
    }
    LogWindowStandIn(const LogWindowStandIn&) = delete;
    LogWindowStandIn& operator=(const LogWindowStandIn&) = delete;
    ~LogWindowStandIn() { ::DestroyWindow(Window); }

    std::wstring Text() const {
        std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(Edit)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(::GetWindowTextW(Edit, text.data(), static_cast<int>(text.size()))));
        return text;
    }
    std::pair<DWORD, DWORD> Selection() const {
        DWORD start = 0;
        DWORD end = 0;
        ::SendMessageW(Edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }
    LRESULT FirstVisibleLine() const { return ::SendMessageW(Edit, EM_GETFIRSTVISIBLELINE, 0, 0); }
};

std::wstring NumberedLines(int count) {
    std::wstring text;
    for (int i = 0; i < count; ++i) text += L"[10:00:00] строка " + std::to_wstring(i) + L"\r\n";
    return text;
}

}  // namespace

TEST(EventLog, LineIsStampedWithLocalTimeOnItsFirstLineOnly) {
    SYSTEMTIME before{};
    ::GetLocalTime(&before);
    const std::wstring line = FormatLogLine(L"Удалён пакет oem5.inf\r\nподробности");
    SYSTEMTIME after{};
    ::GetLocalTime(&after);

    const int stamped = StampedSecond(line);
    ASSERT_GE(stamped, 0) << line;
    const bool midnightPassed = SecondOfDay(after) < SecondOfDay(before);
    EXPECT_TRUE(midnightPassed || (stamped >= SecondOfDay(before) && stamped <= SecondOfDay(after))) << line;
    EXPECT_EQ(line.substr(11), L"Удалён пакет oem5.inf\r\nподробности\r\n");
    EXPECT_EQ(FormatLogLine(L"").size(), 13u) << "stamp and CR LF only";
}

TEST(EventLog, TempFilePathJoinsTheTemporaryFolder) {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    ASSERT_GT(length, 0u);
    ASSERT_EQ(folder[length - 1], L'\\');
    EXPECT_EQ(TempFilePath(L"Quillbay.log"), std::wstring(folder, length) + L"Quillbay.log");

    // A temporary folder too long for the system gives the bare name.
    const std::wstring tooLong = L"C:\\" + std::wstring(300, L'x');
    test::ScopedEnvironment tmp(L"TMP", tooLong);
    test::ScopedEnvironment temp(L"TEMP", tooLong);
    EXPECT_EQ(TempFilePath(L"Quillbay-DISM.log"), L"Quillbay-DISM.log");
}

TEST(EventLog, FileOnlyGrowsAndStaysUtf8WithoutByteOrderMark) {
    test::TempFolder temp;
    const fs::path path = temp.Path() / L"Quillbay.log";

    AppendLogFile(path.wstring(), L"[09:05:03] первый запуск\r\n");
    EXPECT_EQ(test::ReadFileBytes(path), "[09:05:03] \xD0\xBF\xD0\xB5\xD1\x80\xD0\xB2\xD1\x8B\xD0\xB9 "
                                         "\xD0\xB7\xD0\xB0\xD0\xBF\xD1\x83\xD1\x81\xD0\xBA\r\n");

    // A second run appends to what the first wrote.
    const std::string firstRun = test::ReadFileBytes(path);
    AppendLogFile(path.wstring(), L"[00:00:07] second\r\n");
    AppendLogFile(path.wstring(), L"[00:00:08] third\r\n");
    EXPECT_EQ(test::ReadFileBytes(path), firstRun + "[00:00:07] second\r\n[00:00:08] third\r\n");

    // A file locked without sharing drops the line silently; a reader sharing it does not.
    const std::string beforeLock = test::ReadFileBytes(path);
    {
        FileHandle locker(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(locker);
        AppendLogFile(path.wstring(), L"lost\r\n");
    }
    EXPECT_EQ(test::ReadFileBytes(path), beforeLock);
    {
        FileHandle reader(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(reader);
        AppendLogFile(path.wstring(), L"kept\r\n");
    }
    EXPECT_EQ(test::ReadFileBytes(path), beforeLock + "kept\r\n");

    AppendLogFile((temp.Path() / L"missing" / L"Quillbay.log").wstring(), L"nowhere\r\n");
    EXPECT_FALSE(fs::exists(temp.Path() / L"missing"));
}

namespace {

using GetFileInformationFunction = decltype(&::GetFileInformationByHandle);
GetFileInformationFunction g_platformInformation = nullptr;

BOOL WINAPI ReportReparsePoint(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information) {
    if (!g_platformInformation(file, information)) return FALSE;
    information->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return TRUE;
}

}  // namespace

// The elevated program writes fixed names in the user's temporary folder, where
// the unelevated user can plant a link first. Wine makes real hard links; it shows
// a symbolic link as the file it names, so a reparse point is reported through
// the platform's file query, replaced at the program's import table.
TEST(EventLog, PlantedLinksNeverRedirectAPrivilegedWrite) {
    test::TempFolder temp;
    const fs::path victim = temp.Path() / L"victim.txt";
    test::WriteFileBytes(victim, "precious");
    const auto plant = [&](const wchar_t* name) {
        const fs::path link = temp.Path() / name;
        EXPECT_TRUE(::CreateHardLinkW(link.c_str(), victim.c_str(), nullptr)) << ::GetLastError();
        return link;
    };
    const auto hardLinked = [](const fs::path& path) {
        return L"Файл отклонён: у него несколько жёстких ссылок: " + path.wstring();
    };

    AppendLogFile(plant(L"Quillbay.log").wstring(), L"[09:05:03] line\r\n");
    std::wstring error;
    const fs::path report = plant(L"Quillbay-self-test.txt");
    EXPECT_FALSE(WriteUtf8File(report, L"Status=OK\r\n", error));
    EXPECT_EQ(error, hardLinked(report));
    std::wstring refusal;
    const fs::path relay = plant(L"Quillbay-console-1-2.tmp");
    EXPECT_FALSE(UseRelayFile(relay.wstring(), refusal));
    EXPECT_EQ(refusal, hardLinked(relay));
    {
        const fs::path dismLog = plant(L"Quillbay-DISM.log");
        DismSession dism;
        ASSERT_TRUE(dism.Initialize(dismLog.wstring(), error)) << error;
        EXPECT_EQ(dism.LogRefusal(), hardLinked(dismLog)) << "DISM keeps its own log instead";
    }
    EXPECT_EQ(test::ReadFileBytes(victim), "precious");

    const fs::path plain = temp.Path() / L"plain.log";
    const sim::ImportHook reparse(L"kernel32.dll", "GetFileInformationByHandle",
                                  reinterpret_cast<void*>(&ReportReparsePoint));
    ASSERT_TRUE(reparse.Installed());
    g_platformInformation = reparse.Platform<GetFileInformationFunction>();
    AppendLogFile(plain.wstring(), L"[09:05:03] line\r\n");
    EXPECT_EQ(test::ReadFileBytes(plain), "");
    EXPECT_FALSE(WriteUtf8File(plain, L"Status=OK\r\n", error));
    EXPECT_EQ(error, L"Файл отклонён: это ссылка (точка повторной обработки): " + plain.wstring());
    EXPECT_EQ(test::ReadFileBytes(plain), "");
}

TEST(EventLog, WithoutMainWindowAnyThreadWritesDirectly) {
    test::TempFolder temp;
    EventLog log;
    log.LogPath = (temp.Path() / L"Quillbay.log").wstring();
    log.UiThreadId = ::GetCurrentThreadId();

    Log(log, L"Не удалось инициализировать DISM");
    std::thread worker([&log] { Log(log, L"с рабочего потока"); });
    worker.join();

    const std::vector<std::wstring> lines = Lines(log.MemoryText);
    ASSERT_EQ(lines.size(), 2u) << log.MemoryText;
    EXPECT_EQ(lines[0].substr(11), L"Не удалось инициализировать DISM\r\n");
    EXPECT_EQ(lines[1].substr(11), L"с рабочего потока\r\n");
    EXPECT_EQ(test::ReadUtf8File(log.LogPath), log.MemoryText);
}

TEST(EventLog, WorkerLinesTravelThroughTheInterfaceThread) {
    test::TempFolder temp;
    EventLog log;
    log.LogPath = (temp.Path() / L"Quillbay.log").wstring();
    log.UiThreadId = ::GetCurrentThreadId();
    MainWindowStandIn standIn{&log, {}};
    HiddenWindow main(&standIn);
    ASSERT_TRUE(main.Get());
    log.MainWindow = main.Get();

    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 1; i <= 5; ++i) Log(log, L"Экспорт " + std::to_wstring(i));
        done = true;
    });
    const bool finished = PumpUntil(done, std::chrono::seconds(20));
    if (finished) worker.join();
    else worker.detach();
    ASSERT_TRUE(finished) << "the worker's lines never arrived";

    const std::vector<std::wstring> lines = Lines(log.MemoryText);
    ASSERT_EQ(lines.size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(lines[i].substr(11), L"Экспорт " + std::to_wstring(i + 1) + L"\r\n");
    ASSERT_EQ(standIn.HandlerThreads.size(), 5u);
    for (DWORD thread : standIn.HandlerThreads) EXPECT_EQ(thread, ::GetCurrentThreadId());
    EXPECT_EQ(test::ReadUtf8File(log.LogPath), log.MemoryText);
}

TEST(EventLog, WorkerLogsWhileInterfaceThreadIsInModalDialog) {
    test::TempFolder temp;
    EventLog log;
    log.LogPath = (temp.Path() / L"Quillbay.log").wstring();
    log.UiThreadId = ::GetCurrentThreadId();
    MainWindowStandIn standIn{&log, {}};
    HiddenWindow main(&standIn);
    ASSERT_TRUE(main.Get());
    log.MainWindow = main.Get();

    ModalRun run;
    run.Log = &log;
    std::vector<WORD> dialogTemplate = EmptyDialogTemplate();
    const INT_PTR result =
        ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(dialogTemplate.data()),
                                  main.Get(), ModalProc, reinterpret_cast<LPARAM>(&run));
    ASSERT_EQ(result, IDOK);
    ASSERT_TRUE(run.WorkerStarted);
    const bool finished = PumpUntil(run.WorkerDone, std::chrono::seconds(5));
    if (finished) run.Worker.join();
    else run.Worker.detach();
    ASSERT_TRUE(finished);
    EXPECT_TRUE(run.DialogWasUpWhenWorkerEnded) << "the dialog's own loop must deliver the worker's lines";

    const std::vector<std::wstring> lines = Lines(log.MemoryText);
    ASSERT_EQ(lines.size(), 20u);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(lines[i].substr(11), L"Пакет " + std::to_wstring(i + 1) + L"\r\n");
    EXPECT_EQ(standIn.HandlerThreads.size(), 20u);
    for (DWORD thread : standIn.HandlerThreads) EXPECT_EQ(thread, ::GetCurrentThreadId());
}

TEST(EventLog, LogWindowKeepsTheReadersPlaceOrFollowsTheEnd) {
    test::TempFolder temp;
    EventLog log;
    log.LogPath = (temp.Path() / L"Quillbay.log").wstring();
    log.UiThreadId = ::GetCurrentThreadId();
    LogWindowStandIn window;
    ASSERT_TRUE(window.Edit);
    log.LogWindow = window.Window;

    const std::wstring initial = NumberedLines(200);
    ::SetWindowTextW(window.Edit, initial.c_str());

    {
        // A reader looking at the middle with a selection keeps both.
        ::SendMessageW(window.Edit, EM_LINESCROLL, 0, 40);
        const LRESULT selStart = ::SendMessageW(window.Edit, EM_LINEINDEX, 50, 0);
        ::SendMessageW(window.Edit, EM_SETSEL, selStart, selStart + 7);
        const auto selection = window.Selection();
        const LRESULT firstVisible = window.FirstVisibleLine();
        ASSERT_EQ(firstVisible, 40);

        Log(log, L"в середине");
        EXPECT_EQ(window.Selection(), selection);
        EXPECT_EQ(window.FirstVisibleLine(), firstVisible);
        const std::wstring text = window.Text();
        ASSERT_EQ(text.size(), initial.size() + log.MemoryText.size());
        EXPECT_EQ(text.substr(initial.size()), log.MemoryText);
    }
    {
        // A caret in the middle without a selection stays there too.
        ::SendMessageW(window.Edit, EM_SETSEL, 100, 100);
        ::SendMessageW(window.Edit, EM_SCROLLCARET, 0, 0);
        const LRESULT firstVisible = window.FirstVisibleLine();
        Log(log, L"ещё одна");
        EXPECT_EQ(window.Selection(), std::make_pair(DWORD{100}, DWORD{100}));
        EXPECT_EQ(window.FirstVisibleLine(), firstVisible);
    }
    {
        // A reader at the end follows the new line.
        const DWORD end = static_cast<DWORD>(::GetWindowTextLengthW(window.Edit));
        ::SendMessageW(window.Edit, EM_SETSEL, end, end);
        ::SendMessageW(window.Edit, EM_SCROLLCARET, 0, 0);
        const LRESULT firstVisible = window.FirstVisibleLine();

        Log(log, L"в конце");
        const DWORD newEnd = static_cast<DWORD>(::GetWindowTextLengthW(window.Edit));
        EXPECT_EQ(window.Selection(), std::make_pair(newEnd, newEnd));
        EXPECT_GT(window.FirstVisibleLine(), firstVisible);
        EXPECT_EQ(window.Text().substr(initial.size()), log.MemoryText);
    }
}

TEST(EventLog, LogWindowTakesLinesBeyondTheDefaultEditLimit) {
    test::TempFolder temp;
    EventLog log;
    log.LogPath = (temp.Path() / L"Quillbay.log").wstring();
    log.UiThreadId = ::GetCurrentThreadId();
    LogWindowStandIn window;
    ASSERT_TRUE(window.Edit);
    log.LogWindow = window.Window;

    // A long session easily passes the 30000 characters an edit control takes by default.
    const std::wstring initial = NumberedLines(1500);
    ASSERT_GT(initial.size(), 32767u);
    ::SetWindowTextW(window.Edit, initial.c_str());
    Log(log, L"после долгой работы");
    const std::wstring text = window.Text();
    ASSERT_GE(text.size(), initial.size());
    EXPECT_EQ(text.substr(initial.size()), log.MemoryText);
}
