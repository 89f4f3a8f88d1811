#include "test_support.h"

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "core/text_encoding.h"
#include "core/unique_handle.h"
#include "platform/file_tree.h"

namespace test {

std::filesystem::path BinFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(std::wstring(path, length)).parent_path();
}

TempFolder::TempFolder(const std::wstring& prefix) {
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        const std::wstring name = prefix + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(::GetTickCount64()) + L"-" + std::to_wstring(++counter);
        path_ = std::filesystem::path(base) / name;
        if (std::filesystem::create_directories(path_)) break;
    }
}

TempFolder::~TempFolder() {
    // Never follows links out of the folder (the library's remove_all does on Wine).
    std::error_code ec;
    RemoveTree(path_, ec);
}

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::wstring ReadUtf8File(const std::filesystem::path& path) {
    std::string bytes = ReadFileBytes(path);
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
    return Utf8ToWide(bytes);
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

namespace {

FileHandle CreateInheritableFile(const std::filesystem::path& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    return FileHandle(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

RunningProcess::RunningProcess(const std::filesystem::path& program, const std::wstring& arguments,
                               const RunOptions& options)
    : timeout_(options.Timeout), outFolder_(L"qbrun") {
    FileHandle out = CreateInheritableFile(outFolder_.Path() / L"stdout.bin");
    FileHandle err = CreateInheritableFile(outFolder_.Path() / L"stderr.bin");
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    FileHandle in(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                nullptr));
    if (!out || !err) return;

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.get();
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    PROCESS_INFORMATION info{};
    const wchar_t* folder = options.WorkingFolder.empty() ? nullptr : options.WorkingFolder.c_str();
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder, &startup,
                          &info))
        return;
    ::CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
}

RunningProcess::~RunningProcess() {
    if (process_) {
        ::TerminateProcess(process_, 1);
        ::CloseHandle(process_);
    }
}

std::string RunningProcess::StdOutSoFar() const { return ReadFileBytes(outFolder_.Path() / L"stdout.bin"); }

ProcessResult RunningProcess::Finish() {
    ProcessResult result;
    if (!process_) return result;
    result.Started = true;
    result.ProcessId = processId_;
    if (::WaitForSingleObject(process_, static_cast<DWORD>(timeout_.count())) != WAIT_OBJECT_0) {
        result.TimedOut = true;
        ::TerminateProcess(process_, 1);
        ::WaitForSingleObject(process_, 5000);
    }
    ::GetExitCodeProcess(process_, &result.ExitCode);
    ::CloseHandle(process_);
    process_ = nullptr;
    result.StdOut = ReadFileBytes(outFolder_.Path() / L"stdout.bin");
    result.StdErr = ReadFileBytes(outFolder_.Path() / L"stderr.bin");
    return result;
}

ProcessResult RunProgram(const std::filesystem::path& program, const std::wstring& arguments,
                         const RunOptions& options) {
    RunningProcess process(program, arguments, options);
    return process.Finish();
}

namespace {

struct WindowSearch {
    DWORD processId;
    const std::wstring* caption;
    const std::wstring* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search.processId || !::IsWindowVisible(window)) return TRUE;
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    if (*search.caption != text) return TRUE;
    if (!search.className->empty()) {
        wchar_t cls[256] = {};
        ::GetClassNameW(window, cls, 256);
        if (*search.className != cls) return TRUE;
    }
    search.found = window;
    return FALSE;
}

}  // namespace

HWND WaitForProcessWindow(DWORD processId, const std::wstring& caption, const std::wstring& className,
                          std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        WindowSearch search{processId, &caption, &className, nullptr};
        ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return nullptr;
}

std::wstring MessageBoxText(HWND box) {
    HWND label = ::GetDlgItem(box, 0xFFFF);
    if (!label) return {};
    wchar_t text[4096] = {};
    ::GetWindowTextW(label, text, 4096);
    return text;
}

std::vector<std::wstring> LoggedTexts(const std::wstring& memoryText) {
    std::vector<std::wstring> texts;
    for (std::size_t start = 0; start < memoryText.size();) {
        const std::size_t end = memoryText.find(L"\r\n", start);
        if (end == std::wstring::npos) break;
        texts.push_back(memoryText.substr(start + 11, end - start - 11));
        start = end + 2;
    }
    return texts;
}

}  // namespace test

namespace test {

ScopedEnvironment::ScopedEnvironment(const wchar_t* name, const std::wstring& value) : name_(name) {
    std::wstring old(32768, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, old.data(), 32768);
    had_ = length > 0 && length < 32768;
    if (had_) old_.assign(old.data(), length);
    ::SetEnvironmentVariableW(name, value.c_str());
}

ScopedEnvironment::~ScopedEnvironment() { ::SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }

std::wstring UnixPath(const std::filesystem::path& path) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    char* unix = toUnix(path.c_str());
    if (!unix) return {};
    std::wstring result(unix, unix + std::strlen(unix));
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return result;
}

void RunHostCommand(const wchar_t* program, std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        return;
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
}

}  // namespace test
