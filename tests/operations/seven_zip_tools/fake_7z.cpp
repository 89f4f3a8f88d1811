// A scripted stand-in for the 7-Zip console program: lets the tests choose what a
// child writes to which stream, in what amounts, and how it ends. Each argument is
// one step, run in order:
//   out:TEXT / err:TEXT   write TEXT (as UTF-8) to standard output / error
//   bulk:N                write N bytes to each stream, alternating 64 KiB blocks;
//                         standard error gets the lines "e0000000\n", "e0000001\n", ...
//   cwd                   write the current folder to standard error
//   args                  write every later argument, one per line, to standard error
//   release:H             release the semaphore whose handle value is H, if we have it
//   exit:N                end with exit code N (default 0)
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                             nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr,
                          nullptr);
    return bytes;
}

void Write(DWORD stream, const std::string& bytes) {
    const HANDLE handle = ::GetStdHandle(stream);
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!::WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr)) {
            ::ExitProcess(90);
        }
        done += written;
    }
}

std::string ErrorLines(size_t bytes) {
    std::string text;
    char line[16];
    for (unsigned index = 0; text.size() < bytes; ++index) {
        std::snprintf(line, sizeof(line), "e%07u\n", index);
        text += line;
    }
    text.resize(bytes);
    return text;
}

void WriteBulk(size_t bytes) {
    const std::string output(bytes, 'o');
    const std::string errors = ErrorLines(bytes);
    constexpr size_t kBlock = 64 * 1024;
    for (size_t offset = 0; offset < bytes; offset += kBlock) {
        const size_t length = bytes - offset < kBlock ? bytes - offset : kBlock;
        Write(STD_OUTPUT_HANDLE, output.substr(offset, length));
        Write(STD_ERROR_HANDLE, errors.substr(offset, length));
    }
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix, std::wstring& rest) {
    const std::wstring head(prefix);
    if (text.compare(0, head.size(), head) != 0) return false;
    rest = text.substr(head.size());
    return true;
}

}  // namespace

int wmain() {
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!arguments) return 91;
    UINT exitCode = 0;
    for (int i = 1; i < count; ++i) {
        const std::wstring step = arguments[i];
        std::wstring value;
        if (StartsWith(step, L"out:", value)) {
            Write(STD_OUTPUT_HANDLE, Utf8(value));
        } else if (StartsWith(step, L"err:", value)) {
            Write(STD_ERROR_HANDLE, Utf8(value));
        } else if (StartsWith(step, L"bulk:", value)) {
            WriteBulk(std::stoull(value));
        } else if (step == L"cwd") {
            wchar_t folder[MAX_PATH];
            const DWORD length = ::GetCurrentDirectoryW(MAX_PATH, folder);
            Write(STD_ERROR_HANDLE, Utf8(std::wstring(folder, length)));
        } else if (step == L"args") {
            for (++i; i < count; ++i) Write(STD_ERROR_HANDLE, Utf8(arguments[i]) + "\n");
        } else if (StartsWith(step, L"release:", value)) {
            const HANDLE semaphore = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(std::stoull(value)));
            ::ReleaseSemaphore(semaphore, 1, nullptr);
        } else if (StartsWith(step, L"exit:", value)) {
            exitCode = static_cast<UINT>(std::stoul(value));
        } else {
            Write(STD_ERROR_HANDLE, "fake_7z: unknown step " + Utf8(step) + "\n");
            return 92;
        }
    }
    ::LocalFree(arguments);
    return static_cast<int>(exitCode);
}
