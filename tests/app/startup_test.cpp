// The interactive start as a user meets it: Quillbay.exe run from a folder of its
// own, with and without the DISM API, its windows answered by the test.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "app/startup.h"
#include "console/elevation.h"
#include "core/event_log.h"
#include "core/localized_text.h"
#include "core/text_encoding.h"
#include "import_hook.h"
#include "test_support.h"
#include "unelevated_token.h"

namespace fs = std::filesystem;

namespace {

constexpr wchar_t kMissingDism[] = L"Не найдена DismApi.dll. Добавьте компонент DISM в образ Windows PE.";
constexpr wchar_t kMainCaption[] = L"Quillbay 1.14.19";

fs::path CopyProgramTo(const fs::path& folder) {
    const fs::path program = folder / L"Quillbay.exe";
    fs::copy_file(test::BinFolder() / L"Quillbay.exe", program);
    return program;
}

std::wstring WindowText(HWND window) {
    wchar_t text[4096] = {};
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &copied);
    return text;
}

struct Outcome {
    test::ProcessResult Result;
    std::wstring MessageText;  // empty when no error box appeared
    bool MainWindowShown = false;
};

// Runs the program, answers its first window (the error box with OK, the main
// window with a close request) and waits for the exit.
Outcome RunAndAnswer(const fs::path& program, const std::wstring& workingFolder) {
    test::RunningProcess process(program, L"", {workingFolder});
    Outcome outcome;
    if (!process.Started()) return outcome;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        if (HWND box = test::WaitForProcessWindow(process.ProcessId(), L"Quillbay", L"#32770",
                                                  std::chrono::milliseconds(100))) {
            outcome.MessageText = WindowText(::GetDlgItem(box, 0xFFFF));
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            break;
        }
        if (HWND main = test::WaitForProcessWindow(process.ProcessId(), kMainCaption, L"",
                                                   std::chrono::milliseconds(100))) {
            outcome.MainWindowShown = true;
            ::PostMessageW(main, WM_CLOSE, 0, 0);
            break;
        }
    }
    outcome.Result = process.Finish();
    return outcome;
}

std::string LogTailAfter(const fs::path& log, uintmax_t offset) {
    const std::string bytes = test::ReadFileBytes(log);
    return bytes.size() > offset ? bytes.substr(offset) : std::string();
}

uintmax_t SizeOrZero(const fs::path& path) {
    std::error_code ec;
    const uintmax_t size = fs::file_size(path, ec);
    return ec ? 0 : size;
}

}  // namespace

// One test, so that no other test sees the System32 copy of the DLL.
TEST(StartupE2E, DismApiIsFoundOnlyInSystem32OrBesideTheProgram) {
    const fs::path logPath = TempFilePath(L"Quillbay.log");
    const fs::path standIn = test::BinFolder() / L"DismApi.dll";
    ASSERT_TRUE(fs::exists(standIn));

    {
        SCOPED_TRACE("no DismApi.dll anywhere: logged, explained, exit code 2");
        test::TempFolder folder;
        const fs::path program = CopyProgramTo(folder.Path());
        const uintmax_t logBefore = SizeOrZero(logPath);
        const Outcome outcome = RunAndAnswer(program, folder.Path().wstring());
        ASSERT_TRUE(outcome.Result.Started);
        EXPECT_FALSE(outcome.MainWindowShown);
        EXPECT_EQ(outcome.Result.ExitCode, 2u);
        EXPECT_EQ(outcome.MessageText, std::wstring(kMissingDism) +
                                           L"\r\n\r\nDISM API не удалось инициализировать. Приложение будет "
                                           L"закрыто.\r\nЖурнал: " +
                                           logPath.wstring());
        const std::string tail = LogTailAfter(logPath, logBefore);
        EXPECT_NE(tail.find("] " + WideToUtf8(kMissingDism) + "\r\n"), std::string::npos)
            << tail;
        ASSERT_GE(tail.size(), 11u);
        EXPECT_EQ(tail[0], '[');
        EXPECT_EQ(tail[9], ']');
        EXPECT_EQ(tail.substr(tail.size() - 2), "\r\n");
    }
    {
        SCOPED_TRACE("a DismApi.dll in the current directory is never loaded");
        test::TempFolder programFolder;
        test::TempFolder planted;
        const fs::path program = CopyProgramTo(programFolder.Path());
        fs::copy_file(standIn, planted.Path() / L"DismApi.dll");
        const Outcome outcome = RunAndAnswer(program, planted.Path().wstring());
        EXPECT_EQ(outcome.Result.ExitCode, 2u);
        EXPECT_EQ(outcome.MessageText.rfind(kMissingDism, 0), 0u) << outcome.MessageText;
    }
    {
        SCOPED_TRACE("a copy beside the program is used; closing the window ends with 0");
        test::TempFolder folder;
        const fs::path program = CopyProgramTo(folder.Path());
        fs::copy_file(standIn, folder.Path() / L"DismApi.dll");
        const fs::path dismLog = TempFilePath(L"Quillbay-DISM.log");
        const uintmax_t dismLogBefore = SizeOrZero(dismLog);
        const Outcome outcome = RunAndAnswer(program, folder.Path().wstring());
        EXPECT_TRUE(outcome.MainWindowShown);
        EXPECT_EQ(outcome.MessageText, L"");
        EXPECT_EQ(outcome.Result.ExitCode, 0u);
        EXPECT_GT(SizeOrZero(dismLog), dismLogBefore) << "DISM was given its log file";
    }
    {
        SCOPED_TRACE("System32 is searched first");
        wchar_t system32[MAX_PATH];
        ::GetSystemDirectoryW(system32, MAX_PATH);
        const fs::path systemCopy = fs::path(system32) / L"DismApi.dll";
        ASSERT_FALSE(fs::exists(systemCopy));
        fs::copy_file(standIn, systemCopy);
        test::TempFolder folder;
        const fs::path program = CopyProgramTo(folder.Path());
        const Outcome outcome = RunAndAnswer(program, folder.Path().wstring());
        std::error_code ec;
        fs::remove(systemCopy, ec);
        EXPECT_TRUE(outcome.MainWindowShown);
        EXPECT_EQ(outcome.Result.ExitCode, 0u);
    }
}

namespace {

// Platform answers for the branches Wine never takes, installed at the program's
// import table (see sim::ImportHook).
const std::wstring kLongProgram = L"C:\\" + std::wstring(300, L'q') + L"\\Quillbay.exe";
std::wstring g_startedFile;
std::wstring g_startedParameters;
std::wstring g_boxText;

DWORD WINAPI LongProgramPath(HMODULE module, LPWSTR buffer, DWORD size) {
    if (module) return 0;
    const DWORD length = static_cast<DWORD>(kLongProgram.size());
    const DWORD copied = std::min(length, size - 1);
    std::copy(kLongProgram.c_str(), kLongProgram.c_str() + copied, buffer);
    buffer[copied] = L'\0';
    if (copied < length) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    return length;
}

BOOL WINAPI DeclinePrompt(SHELLEXECUTEINFOW* execute) {
    g_startedFile = execute->lpFile ? execute->lpFile : L"";
    g_startedParameters = execute->lpParameters ? execute->lpParameters : L"";
    ::SetLastError(ERROR_CANCELLED);
    return FALSE;
}

int WINAPI NoteMessageBox(HWND, LPCWSTR text, LPCWSTR, UINT) {
    g_boxText = text ? text : L"";
    return IDOK;
}

INT_PTR WINAPI DialogWithoutError(HINSTANCE, LPCWSTR, HWND, DLGPROC, LPARAM) {
    ::SetLastError(0);
    return -1;
}

}  // namespace

// The program declares long-path awareness, so it may run from a path longer
// than MAX_PATH, and must still be able to relaunch itself elevated.
TEST(StartupGates, ElevationRelaunchesAProgramWhosePathIsLong) {
    const sim::UnelevatedToken unelevated;
    const sim::ImportHook module(L"kernel32.dll", "GetModuleFileNameW", reinterpret_cast<void*>(&LongProgramPath));
    const sim::ImportHook shell(L"shell32.dll", "ShellExecuteExW", reinterpret_cast<void*>(&DeclinePrompt));
    const sim::ImportHook box(L"user32.dll", "MessageBoxW", reinterpret_cast<void*>(&NoteMessageBox));
    ASSERT_TRUE(unelevated.Installed() && module.Installed() && shell.Installed() && box.Installed());

    EXPECT_FALSE(EnsureElevated(L" cleanup-preview ", 1));
    EXPECT_EQ(g_startedFile, kLongProgram);
    EXPECT_EQ(g_startedParameters, L"cleanup-preview --elevation-relaunch");
    EXPECT_EQ(g_boxText, GetText(1, 168)) << "the declined prompt, not an unknown program path";
}

// DialogBoxParamW may fail without setting an error; a script must not read a
// window that never opened as a session that ended well.
TEST(StartupGates, AMainWindowThatCannotOpenEndsWithACodeAndALogLine) {
    const fs::path log = TempFilePath(L"Quillbay.log");
    const uintmax_t before = SizeOrZero(log);
    const sim::ImportHook dialog(L"user32.dll", "DialogBoxParamW", reinterpret_cast<void*>(&DialogWithoutError));
    ASSERT_TRUE(dialog.Installed());
    EXPECT_EQ(RunInteractive(::GetModuleHandleW(nullptr), 1), ERROR_CAN_NOT_COMPLETE);
    EXPECT_NE(LogTailAfter(log, before).find(WideToUtf8(L"] Не удалось открыть главное окно, код 1003\r\n")),
              std::string::npos)
        << LogTailAfter(log, before);
}
