// The exported DISM entry points: argument checks, the session table, the call
// log and the per-thread last error message around the store operations.
#include <cwchar>
#include <map>
#include <mutex>

#include "call_log.h"
#include "dism_platform.h"
#include "driver_listing.h"
#include "image_root.h"
#include "inf_metadata.h"
#include "last_error_message.h"
#include "result_blocks.h"
#include "store_changes.h"

using namespace sim;

namespace {

struct ApiState {
    bool Initialized = false;
    // Kept after DismShutdown so late calls still show up in the log.
    CallLog Log;
    std::map<DismSession, ImageRoot> Sessions;
    DismSession NextSession = 1;
    InfMetadataCache Metadata;  // until DismShutdown
};

std::mutex g_apiMutex;
ApiState g_api;

// Ends a call: logs it with its result and keeps the failure text for
// DismGetLastErrorMessage. The caller holds g_apiMutex.
HRESULT Finish(const std::wstring& call, HRESULT hr, const std::wstring& message, const std::wstring& detail = {}) {
    std::wstring line = call + L" -> " + FormatHresult(hr);
    if (FAILED(hr)) {
        SetLastErrorMessage(message);
        line += L" " + message;
    } else if (!detail.empty()) {
        line += L" " + detail;
    }
    g_api.Log.Append(line);
    return hr;
}

HRESULT NotInitialized(const std::wstring& call) {
    return Finish(call, kDismNotInitialized, L"The DISM API is not initialized; call DismInitialize first.");
}

// The image of an open session, or null with the failure already finished.
const ImageRoot* SessionImage(DismSession session, const std::wstring& call, HRESULT& hr) {
    if (!g_api.Initialized) {
        hr = NotInitialized(call);
        return nullptr;
    }
    const auto found = g_api.Sessions.find(session);
    if (found == g_api.Sessions.end()) {
        hr = Finish(call, kDismInvalidSession, L"Session " + std::to_wstring(session) + L" is not open.");
        return nullptr;
    }
    return &found->second;
}

std::wstring PointerText(const void* pointer) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%p", pointer);
    return text;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_THREAD_DETACH) ForgetThreadMessage(::GetCurrentThreadId());
    return TRUE;
}

HRESULT WINAPI DismInitialize(DismLogLevel LogLevel, PCWSTR LogFilePath, PCWSTR ScratchDirectory) {
    std::lock_guard lock(g_apiMutex);
    ClearLastErrorMessage();
    const std::wstring call = L"DismInitialize(" + std::to_wstring(static_cast<int>(LogLevel)) + L", " +
                              QuoteArgument(LogFilePath) + L", " + QuoteArgument(ScratchDirectory) + L")";
    if (g_api.Initialized) {
        return Finish(call, HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED), L"The DISM API is already initialized.");
    }
    if (LogLevel < DismLogErrors || LogLevel > DismLogErrorsWarningsInfo) {
        return Finish(call, E_INVALIDARG, L"Unknown log level " + std::to_wstring(static_cast<int>(LogLevel)) + L".");
    }
    std::wstring message;
    const HRESULT hr = g_api.Log.Open(LogFilePath == nullptr ? std::wstring() : LogFilePath, message);
    if (FAILED(hr)) return Finish(call, hr, message);
    g_api.Initialized = true;
    return Finish(call, S_OK, {});
}

HRESULT WINAPI DismShutdown() {
    std::lock_guard lock(g_apiMutex);
    ClearLastErrorMessage();
    const std::wstring call = L"DismShutdown()";
    if (!g_api.Initialized) return NotInitialized(call);
    const size_t closed = g_api.Sessions.size();
    g_api.Sessions.clear();
    g_api.Metadata.Clear();
    g_api.Initialized = false;
    return Finish(call, S_OK, {},
                  L"(closed " + std::to_wstring(closed) + L" open sessions; " + std::to_wstring(LiveResultBlocks()) +
                      L" results not released)");
}

HRESULT WINAPI DismOpenSession(PCWSTR ImagePath, PCWSTR WindowsDirectory, PCWSTR SystemDrive, DismSession* Session) {
    std::lock_guard lock(g_apiMutex);
    ClearLastErrorMessage();
    const std::wstring call = L"DismOpenSession(" + QuoteArgument(ImagePath) + L", " + QuoteArgument(WindowsDirectory) +
                              L", " + QuoteArgument(SystemDrive) + L")";
    if (!g_api.Initialized) return NotInitialized(call);
    if (Session == nullptr) return Finish(call, E_INVALIDARG, L"DismOpenSession needs a place for the session.");
    *Session = 0;
    if (WindowsDirectory != nullptr || SystemDrive != nullptr) {
        return Finish(call, E_NOTIMPL, L"This DISM supports only the default Windows directory and system drive.");
    }
    ImageRoot image;
    std::wstring message;
    const HRESULT hr = OpenImageRoot(ImagePath, image, message);
    if (FAILED(hr)) return Finish(call, hr, message);
    const DismSession session = g_api.NextSession++;
    g_api.Sessions.emplace(session, std::move(image));
    *Session = session;
    return Finish(call, S_OK, {}, L"session " + std::to_wstring(session));
}

HRESULT WINAPI DismCloseSession(DismSession Session) {
    std::lock_guard lock(g_apiMutex);
    ClearLastErrorMessage();
    const std::wstring call = L"DismCloseSession(" + std::to_wstring(Session) + L")";
    HRESULT hr = S_OK;
    if (SessionImage(Session, call, hr) == nullptr) return hr;
    g_api.Sessions.erase(Session);
    return Finish(call, S_OK, {});
}

HRESULT WINAPI DismGetDrivers(DismSession Session, BOOL AllDrivers, DismDriverPackage** DriverPackage, UINT* Count) {
    std::lock_guard lock(g_apiMutex);
    ClearLastErrorMessage();
    const std::wstring call = L"DismGetDrivers(" + std::to_wstring(Session) + L", " + BoolArgument(AllDrivers) + L")";
    HRESULT hr = S_OK;
    const ImageRoot* image = SessionImage(Session, call, hr);
    if (image == nullptr) return hr;
    if (DriverPackage == nullptr || Count == nullptr) {
        return Finish(call, E_INVALIDARG, L"DismGetDrivers needs places for the packages and their count.");
    }
    *DriverPackage = nullptr;
    *Count = 0;
    std::wstring message;
    hr = BuildDriverPackageList(*image, g_api.Metadata, DriverPackage, Count, message);
    return Finish(call, hr, message, L"(" + std::to_wstring(*Count) + L" packages)");
}

HRESULT WINAPI DismAddDriver(DismSession Session, PCWSTR DriverPath, BOOL ForceUnsigned) {
    std::lock_guard lock(g_apiMutex);
    ClearLastErrorMessage();
    const std::wstring call = L"DismAddDriver(" + std::to_wstring(Session) + L", " + QuoteArgument(DriverPath) + L", " +
                              BoolArgument(ForceUnsigned) + L")";
    HRESULT hr = S_OK;
    const ImageRoot* image = SessionImage(Session, call, hr);
    if (image == nullptr) return hr;
    std::wstring publishedName;
    std::wstring message;
    hr = AddDriverPackage(*image, DriverPath, publishedName, message);
    return Finish(call, hr, message, L"published as " + publishedName);
}

HRESULT WINAPI DismRemoveDriver(DismSession Session, PCWSTR DriverPath) {
    std::lock_guard lock(g_apiMutex);
    ClearLastErrorMessage();
    const std::wstring call =
        L"DismRemoveDriver(" + std::to_wstring(Session) + L", " + QuoteArgument(DriverPath) + L")";
    HRESULT hr = S_OK;
    const ImageRoot* image = SessionImage(Session, call, hr);
    if (image == nullptr) return hr;
    std::wstring message;
    hr = RemoveDriverPackage(*image, DriverPath, message);
    return Finish(call, hr, message);
}

// Releasing the message of a failure leaves that message in place, so it reads
// the same until the thread's next DISM call.
HRESULT WINAPI DismDelete(VOID* DismStructure) {
    std::lock_guard lock(g_apiMutex);
    const std::wstring call = L"DismDelete(" + PointerText(DismStructure) + L")";
    if (!ReleaseResultBlock(DismStructure)) {
        return Finish(call, E_INVALIDARG, L"DismDelete was given a pointer that DISM did not hand out.");
    }
    return Finish(call, S_OK, {});
}

HRESULT WINAPI DismGetLastErrorMessage(DismString** ErrorMessage) {
    std::lock_guard lock(g_apiMutex);
    const std::wstring call = L"DismGetLastErrorMessage()";
    if (ErrorMessage == nullptr) {
        g_api.Log.Append(call + L" -> " + FormatHresult(E_INVALIDARG));
        return E_INVALIDARG;
    }
    *ErrorMessage = nullptr;
    const std::wstring text = LastErrorMessage();
    HRESULT hr = S_FALSE;
    if (!text.empty()) {
        *ErrorMessage = NewDismString(text);
        hr = *ErrorMessage != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    g_api.Log.Append(call + L" -> " + FormatHresult(hr));
    return hr;
}
