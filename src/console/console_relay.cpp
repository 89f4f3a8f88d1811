#include "console/console_relay.h"

#include <windows.h>

#include <shellapi.h>

#include <filesystem>
#include <vector>

#include "console/console_output.h"
#include "core/event_log.h"
#include "core/string_compare.h"
#include "core/text_encoding.h"
#include "core/text_trim.h"
#include "core/unique_handle.h"
#include "platform/argument_quoting.h"

namespace fs = std::filesystem;

namespace {

constexpr wchar_t kRelayPrefix[] = L"Quillbay-console-";
constexpr LONGLONG kMaxRelayBytes = 0x4000000;
constexpr DWORD kLongPath = 32768;

bool FullNormalPath(const std::wstring& path, fs::path& result) {
    std::vector<wchar_t> buffer(kLongPath);
    const DWORD length = ::GetFullPathNameW(path.c_str(), kLongPath, buffer.data(), nullptr);
    if (length == 0 || length >= kLongPath) return false;
    result = fs::path(std::wstring(buffer.data(), length)).lexically_normal();
    return true;
}

}  // namespace

bool IsValidRelayPath(const std::wstring& path) {
    if (path.empty()) return false;
    std::vector<wchar_t> temp(kLongPath);
    const DWORD tempLength = ::GetTempPathW(kLongPath, temp.data());
    if (tempLength == 0 || tempLength >= kLongPath) return false;

    fs::path candidate;
    fs::path tempFolder;
    if (!FullNormalPath(path, candidate) || !FullNormalPath(std::wstring(temp.data(), tempLength), tempFolder))
        return false;
    if (!tempFolder.has_filename()) tempFolder = tempFolder.parent_path();
    if (!EqualsIgnoreCase(candidate.parent_path().wstring(), tempFolder.wstring())) return false;

    const std::wstring name = candidate.filename().wstring();
    const size_t prefixLength = sizeof(kRelayPrefix) / sizeof(wchar_t) - 1;
    return name.size() >= prefixLength + 4 && name.compare(0, prefixLength, kRelayPrefix) == 0 &&
           EqualsIgnoreCase(std::wstring_view(name).substr(name.size() - 4), L".tmp");
}

bool ReadRelayFile(const std::wstring& path, std::wstring& text) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxRelayBytes) return false;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && !::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return false;
    bytes.resize(read);
    if (bytes.size() > 2 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    text = Utf8ToWide(bytes);
    return true;
}

std::wstring NewRelayFilePath() {
    return TempFilePath(kRelayPrefix + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                        std::to_wstring(::GetTickCount64()) + L".tmp");
}

int RunConsoleRelay(const std::wstring& commandTail, LangId language) {
    std::vector<wchar_t> module(kLongPath);
    const DWORD moduleLength = ::GetModuleFileNameW(nullptr, module.data(), kLongPath);
    if (moduleLength == 0 || moduleLength >= kLongPath) {
        WriteConsoleText(std::wstring(GetText(language, 167)) + L"\r\n", true);
        return 5;
    }
    const std::wstring relayPath = NewRelayFilePath();
    ::DeleteFileW(relayPath.c_str());

    std::wstring parameters = TrimWhitespace(commandTail);
    if (!parameters.empty()) parameters += L' ';
    parameters += L"--console-relay " + QuoteArgument(relayPath);

    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    // No error box from the shell: a script may be waiting, and the failure is
    // reported on the error stream with its code.
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    execute.lpVerb = L"runas";
    execute.lpFile = module.data();
    execute.lpParameters = parameters.c_str();
    execute.nShow = SW_HIDE;
    const BOOL started = ::ShellExecuteExW(&execute);
    KernelHandle process(started ? execute.hProcess : nullptr);
    if (!process) {
        const DWORD error = ::GetLastError();
        const std::wstring message = error == ERROR_CANCELLED
                                         ? std::wstring(GetText(language, 168))
                                         : std::wstring(GetText(language, 169)) + std::to_wstring(error);
        WriteConsoleText(message + L"\r\n", true);
        ::DeleteFileW(relayPath.c_str());
        return 5;
    }

    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD exitCode = 4;
    DWORD childCode = 0;
    if (::GetExitCodeProcess(process.get(), &childCode)) exitCode = childCode;
    process.reset();

    std::wstring output;
    if (ReadRelayFile(relayPath, output) && !output.empty()) WriteConsoleText(output, false);
    ::DeleteFileW(relayPath.c_str());
    return static_cast<int>(exitCode);
}
