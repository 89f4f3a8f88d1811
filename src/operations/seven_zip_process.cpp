#include "operations/seven_zip_process.h"

#include <windows.h>

#include <filesystem>
#include <system_error>

#include "core/text_encoding.h"
#include "core/text_trim.h"
#include "core/unique_handle.h"
#include "operations/seven_zip_progress.h"
#include "platform/argument_quoting.h"

namespace {

constexpr DWORD kReadChunkBytes = 8192;
constexpr int kReadsPerPass = 16;
constexpr DWORD kIdleWaitMilliseconds = 30;
constexpr std::size_t kErrorCaptureBytes = 16384;

std::wstring WithCode(const wchar_t* text, DWORD code) { return text + std::to_wstring(code); }

// Storage and initialisation of a process-thread attribute list, released together.
class AttributeList {
public:
    AttributeList() = default;
    AttributeList(const AttributeList&) = delete;
    AttributeList& operator=(const AttributeList&) = delete;
    ~AttributeList() {
        if (initialized_) ::DeleteProcThreadAttributeList(get());
    }

    [[nodiscard]] bool Initialize(DWORD attributeCount) {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, attributeCount, 0, &size);
        if (size == 0) return false;
        storage_.assign(size, 0);
        initialized_ = ::InitializeProcThreadAttributeList(get(), attributeCount, 0, &size) != FALSE;
        return initialized_;
    }
    LPPROC_THREAD_ATTRIBUTE_LIST get() { return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data()); }

private:
    std::vector<unsigned char> storage_;
    bool initialized_ = false;
};

// One pass over a pipe: at most kReadsPerPass reads of what is already waiting, so
// the loop never blocks on a pipe and the other one gets its turn. Returns whether
// any bytes came. A failure other than the child closing its end is kept in
// `readError` (first one wins).
template <typename Sink>
bool ReadAvailable(HANDLE pipe, DWORD& readError, Sink&& sink) {
    bool delivered = false;
    char buffer[kReadChunkBytes];
    for (int read = 0; read < kReadsPerPass; ++read) {
        DWORD waiting = 0;
        DWORD got = 0;
        const bool ok = ::PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) &&
                        (waiting == 0 || ::ReadFile(pipe, buffer, waiting < kReadChunkBytes ? waiting : kReadChunkBytes,
                                                    &got, nullptr));
        if (!ok) {
            const DWORD code = ::GetLastError();
            if (code != ERROR_BROKEN_PIPE && readError == ERROR_SUCCESS) readError = code;
            return delivered;
        }
        if (waiting == 0 || got == 0) return delivered;
        sink(buffer, static_cast<std::size_t>(got));
        delivered = true;
    }
    return delivered;
}

void AppendErrorTail(std::string& capture, const char* data, std::size_t size) {
    capture.append(data, size);
    if (capture.size() > kErrorCaptureBytes) capture.erase(0, capture.size() - kErrorCaptureBytes);
}

// The tail may begin inside a UTF-8 sequence; its stray continuation bytes are dropped.
std::wstring DecodeErrorTail(const std::string& capture) {
    std::size_t start = 0;
    while (start < capture.size() && (static_cast<unsigned char>(capture[start]) & 0xC0) == 0x80) ++start;
    return TrimWhitespace(Utf8ToWide(capture.substr(start)));
}

std::wstring BuildCommandLine(const std::wstring& executable, const std::vector<std::wstring>& arguments) {
    std::wstring line = QuoteArgument(executable);
    for (const std::wstring& argument : arguments) {
        line += L' ';
        line += QuoteArgument(argument);
    }
    return line;
}

}  // namespace

bool Run7Zip(const std::wstring& executable, const std::vector<std::wstring>& arguments,
             const std::wstring& workingDirectory, std::wstring& error, const std::function<void(int)>& progress) {
    error.clear();
    std::error_code ignored;
    if (executable.empty() || !std::filesystem::is_regular_file(executable, ignored)) {
        error = L"Исполняемый файл 7-Zip не найден: " + executable;
        return false;
    }
    std::wstring commandLine = BuildCommandLine(executable, arguments);

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    FileHandle input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    KernelHandle outputRead;
    KernelHandle outputWrite;
    KernelHandle errorRead;
    KernelHandle errorWrite;
    if (!input || !::CreatePipe(outputRead.put(), outputWrite.put(), &inheritable, 0) ||
        !::CreatePipe(errorRead.put(), errorWrite.put(), &inheritable, 0) ||
        !::SetHandleInformation(outputRead.get(), HANDLE_FLAG_INHERIT, 0) ||
        !::SetHandleInformation(errorRead.get(), HANDLE_FLAG_INHERIT, 0)) {
        error = WithCode(L"Не удалось создать каналы вывода 7-Zip: ", ::GetLastError());
        return false;
    }

    // Only these three reach the child, whatever else this process holds inheritable.
    HANDLE inherited[] = {input.get(), outputWrite.get(), errorWrite.get()};
    AttributeList attributes;
    if (!attributes.Initialize(1) ||
        !::UpdateProcThreadAttribute(attributes.get(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                     sizeof(inherited), nullptr, nullptr)) {
        error = WithCode(L"Не удалось настроить запуск 7-Zip: ", ::GetLastError());
        return false;
    }

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdInput = input.get();
    startup.StartupInfo.hStdOutput = outputWrite.get();
    startup.StartupInfo.hStdError = errorWrite.get();
    startup.lpAttributeList = attributes.get();
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                          workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup.StartupInfo,
                          &started)) {
        error = WithCode(L"Не удалось запустить 7-Zip. Код Windows: ", ::GetLastError());
        return false;
    }
    KernelHandle process(started.hProcess);
    KernelHandle thread(started.hThread);
    // Our copies of the write ends would keep the pipes open after the child ends.
    outputWrite.reset();
    errorWrite.reset();
    input.reset();
    if (progress) progress(-1);

    SevenZipProgressParser parser;
    SevenZipProgressFilter filter;
    const std::function<void(int)> forward = [&](int percent) { ForwardSevenZipProgress(filter, percent, progress); };
    const auto toParser = [&](const char* data, std::size_t size) { ParseSevenZipProgress(parser, data, size, forward); };
    std::string errorTail;
    const auto toErrorTail = [&](const char* data, std::size_t size) { AppendErrorTail(errorTail, data, size); };
    DWORD readError = ERROR_SUCCESS;

    // Both pipes in turn, so that neither fills up and blocks the child.
    const auto drainBoth = [&] {
        const bool outputCame = ReadAvailable(outputRead.get(), readError, toParser);
        const bool errorsCame = ReadAvailable(errorRead.get(), readError, toErrorTail);
        return outputCame || errorsCame;
    };
    for (;;) {
        const DWORD waited = ::WaitForSingleObject(process.get(), drainBoth() ? 0 : kIdleWaitMilliseconds);
        if (waited == WAIT_OBJECT_0) break;
        if (waited != WAIT_TIMEOUT) {
            error = WithCode(L"Ошибка ожидания 7-Zip. Код Windows: ", ::GetLastError());
            return false;
        }
    }
    // What the child wrote just before it ended may still be in the pipes.
    while (drainBoth()) {
    }

    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process.get(), &exitCode)) {
        error = L"Не удалось получить код завершения 7-Zip.";
        return false;
    }
    if (exitCode == 0) {
        if (readError != ERROR_SUCCESS) {
            error = WithCode(L"Не удалось прочитать вывод 7-Zip: ", readError);
            return false;
        }
        if (progress) progress(100);
        return true;
    }
    error = WithCode(L"7-Zip завершился с кодом ", exitCode) + L".";
    const std::wstring details = DecodeErrorTail(errorTail);
    if (!details.empty()) error += L"\r\n" + details;
    return false;
}
