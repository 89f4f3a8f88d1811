#pragma once
// Helpers shared by the test programs: temporary folders inside the Wine prefix,
// running the built programs with redirected output, finding their windows.
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace test {

// The folder of the running test program (the build's bin folder).
std::filesystem::path BinFolder();

// A fresh folder under the user's temporary folder, removed with everything in it.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& prefix = L"qbtest");
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

struct ProcessResult {
    bool Started = false;
    bool TimedOut = false;
    DWORD ExitCode = 0;
    std::string StdOut;  // raw bytes the program wrote
    std::string StdErr;
    DWORD ProcessId = 0;
};

// Runs a program to its end (at most the timeout) with standard output and error
// redirected to files, and collects what it wrote.
struct RunOptions {
    std::wstring WorkingFolder;
    std::chrono::milliseconds Timeout{60000};
};
ProcessResult RunProgram(const std::filesystem::path& program, const std::wstring& arguments,
                         const RunOptions& options = {});

// Starts a program and returns without waiting; Finish() collects the result.
class RunningProcess {
public:
    RunningProcess(const std::filesystem::path& program, const std::wstring& arguments,
                   const RunOptions& options = {});
    RunningProcess(const RunningProcess&) = delete;
    RunningProcess& operator=(const RunningProcess&) = delete;
    ~RunningProcess();
    bool Started() const { return process_ != nullptr; }
    DWORD ProcessId() const { return processId_; }
    // What it has written to its standard output so far.
    std::string StdOutSoFar() const;
    ProcessResult Finish();

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    std::chrono::milliseconds timeout_;
    TempFolder outFolder_;
};

// Waits until a visible top-level window of `processId` with this caption (and
// class, when given) exists; null after the timeout.
HWND WaitForProcessWindow(DWORD processId, const std::wstring& caption, const std::wstring& className = L"",
                          std::chrono::milliseconds timeout = std::chrono::milliseconds(30000));
// The text of a message box's message (its static control 0xFFFF).
std::wstring MessageBoxText(HWND box);

// The lines of an event log's memory text without their "[hh:mm:ss] " stamps
// and line ends.
std::vector<std::wstring> LoggedTexts(const std::wstring& memoryText);

// Sets an environment variable of this process (and the children it starts
// from now on) and restores the old value when it ends.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const std::wstring& value);
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment();

private:
    const wchar_t* name_;
    bool had_ = false;
    std::wstring old_;
};

// Makes `folder` the current directory while it lives.
class ScopedCurrentFolder {
public:
    explicit ScopedCurrentFolder(const std::filesystem::path& folder) : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
    ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;
    ~ScopedCurrentFolder() { std::filesystem::current_path(saved_); }

private:
    std::filesystem::path saved_;
};

// Polls `condition` every 50 ms for five seconds at most.
template <typename Condition>
bool WaitUntil(Condition condition) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (condition()) return true;
        ::Sleep(50);
    }
    return false;
}

// Wine: the host's path of a Windows path; empty elsewhere.
std::wstring UnixPath(const std::filesystem::path& path);
// Wine: starts a host program without waiting. Host programs give Wine no exit
// code, so the caller watches for the effect.
void RunHostCommand(const wchar_t* program, std::wstring commandLine);

std::string ReadFileBytes(const std::filesystem::path& path);
std::wstring ReadUtf8File(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace test
