#include "platform/dism_session.h"

#include <cstring>
#include <cwchar>

#include "core/plain_file.h"
#include "core/system_function.h"
#include "platform/system_message.h"

namespace {

constexpr wchar_t kDismLibrary[] = L"DismApi.dll";

// Resolves one export into a typed pointer; false names the missing function.
template <typename Fn>
bool Resolve(HMODULE module, const char* name, Fn& slot) {
    slot = LookUpFunction<Fn>(module, name);
    return slot != nullptr;
}

std::wstring WideFromAscii(const char* text) {
    return std::wstring(text, text + std::strlen(text));
}

}  // namespace

bool DismSession::Initialize(const std::wstring& logPath, std::wstring& error) {
    if (initialized_) return true;

    // System32 first; then the program's own folder, never the current
    // directory: an elevated process must not pick up a planted DLL. The
    // fallback names System32 too, because the search flags also govern the
    // DLL's own imports, which live there.
    module_ = ::LoadLibraryExW(kDismLibrary, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module_)
        module_ = ::LoadLibraryExW(kDismLibrary, nullptr,
                                   LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module_) {
        error = L"Не найдена DismApi.dll. Добавьте компонент DISM в образ Windows PE.";
        return false;
    }

    struct Entry {
        const char* name;
        bool resolved;
    };
    const Entry entries[] = {
        {"DismInitialize", Resolve(module_, "DismInitialize", api_.DismInitialize)},
        {"DismShutdown", Resolve(module_, "DismShutdown", api_.DismShutdown)},
        {"DismOpenSession", Resolve(module_, "DismOpenSession", api_.DismOpenSession)},
        {"DismCloseSession", Resolve(module_, "DismCloseSession", api_.DismCloseSession)},
        {"DismGetDrivers", Resolve(module_, "DismGetDrivers", api_.DismGetDrivers)},
        {"DismAddDriver", Resolve(module_, "DismAddDriver", api_.DismAddDriver)},
        {"DismRemoveDriver", Resolve(module_, "DismRemoveDriver", api_.DismRemoveDriver)},
        {"DismDelete", Resolve(module_, "DismDelete", api_.DismDelete)},
        {"DismGetLastErrorMessage", Resolve(module_, "DismGetLastErrorMessage", api_.DismGetLastErrorMessage)},
    };
    for (const Entry& entry : entries) {
        if (!entry.resolved) {
            error = L"В DismApi.dll отсутствует функция " + WideFromAscii(entry.name);
            Shutdown();
            return false;
        }
    }

    std::wstring dismLog = logPath;
    logRefusal_.clear();
    if (!dismLog.empty()) {
        logGuard_ = OpenPlainFile(dismLog, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS, logRefusal_);
        if (!logRefusal_.empty()) dismLog.clear();
    }
    const HRESULT hr =
        api_.DismInitialize(dism::kLogErrorsWarningsInfo, dismLog.empty() ? nullptr : dismLog.c_str(), nullptr);
    if (FAILED(hr)) {
        error = L"DismInitialize: " + DescribeDismError(hr);
        Shutdown();
        return false;
    }
    initialized_ = true;
    return true;
}

bool DismSession::OpenSession(const std::wstring& imagePath, dism::Session& handle, std::wstring& error) {
    handle = 0;
    // Without an initialised API there is no function table to call.
    if (!initialized_) {
        error = L"DismOpenSession(" + imagePath + L"): " + DescribeDismError(static_cast<HRESULT>(0xC0040001));
        return false;
    }
    const HRESULT hr = api_.DismOpenSession(imagePath.c_str(), nullptr, nullptr, &handle);
    if (FAILED(hr)) {
        handle = 0;
        error = L"DismOpenSession(" + imagePath + L"): " + DescribeDismError(hr);
        return false;
    }
    return true;
}

void DismSession::CloseSession(dism::Session handle) const noexcept {
    if (initialized_ && handle != 0) api_.DismCloseSession(handle);
}

void DismSession::Shutdown() noexcept {
    if (initialized_) api_.DismShutdown();
    initialized_ = false;
    if (module_) {
        ::FreeLibrary(module_);
        module_ = nullptr;
    }
    api_ = DismFunctions{};
    logGuard_.reset();
}

std::wstring DismSession::DescribeDismError(HRESULT hr) const {
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08X", static_cast<unsigned>(hr));

    if (api_.DismGetLastErrorMessage && api_.DismDelete) {
        dism::String* message = nullptr;
        if (SUCCEEDED(api_.DismGetLastErrorMessage(&message)) && message) {
            std::wstring text = message->Value ? message->Value : L"";
            api_.DismDelete(message);
            if (!text.empty()) return std::wstring(code) + L" \u2014 " + text;
        }
    }

    const DWORD messageId = (static_cast<DWORD>(hr) & 0x1FFF0000u) == 0x00070000u
                                ? static_cast<DWORD>(hr) & 0xFFFFu
                                : static_cast<DWORD>(hr);
    const std::wstring systemText = SystemMessageText(messageId);
    if (!systemText.empty()) return std::wstring(code) + L" \u2014 " + systemText;
    return code;
}

bool DismSessionScope::Open(const std::wstring& imagePath, std::wstring& error) {
    Close();
    opened_ = owner_.OpenSession(imagePath, handle_, error);
    return opened_;
}

void DismSessionScope::Close() noexcept {
    if (opened_) owner_.CloseSession(handle_);
    opened_ = false;
    handle_ = 0;
}
