#include "ui/jobs/background_job.h"

#include <exception>
#include <optional>
#include <stdexcept>
#include <thread>

#include "core/event_log.h"
#include "core/localized_text.h"
#include "core/text_encoding.h"
#include "core/unique_handle.h"
#include "ui/main_window/app_state.h"
#include "ui/main_window/status_line.h"

namespace {

bool TakenByDialog(MSG& message, HWND mainWindow, HWND logWindow) {
    if (mainWindow) {
        HWND popup = ::GetLastActivePopup(mainWindow);
        if (popup && popup != mainWindow && ::IsWindow(popup) && ::IsDialogMessageW(popup, &message)) return true;
    }
    if (logWindow && ::IsWindow(logWindow) && ::IsDialogMessageW(logWindow, &message)) return true;
    return mainWindow && ::IsWindow(mainWindow) && ::IsDialogMessageW(mainWindow, &message);
}

// Serves sent and posted messages until the event is signalled; returns the
// exit code of a WM_QUIT that came meanwhile.
std::optional<int> PumpUntilSignalled(HANDLE event, HWND mainWindow, const HWND& logWindow) {
    std::optional<int> quitCode;
    for (;;) {
        const DWORD wait = ::MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) break;
        if (wait == WAIT_FAILED) {
            ::WaitForSingleObject(event, INFINITE);
            break;
        }
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quitCode = static_cast<int>(message.wParam);
                continue;
            }
            if (TakenByDialog(message, mainWindow, logWindow)) continue;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return quitCode;
}

void ReportJobFailure(AppState& state, const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const OperationCancelled&) {
        const std::wstring text = GetText(state.Language, 172);
        Log(state.Events, text);
        SetStatus(state, text, kProgressUnchanged);
        return;
    } catch (const std::exception& error) {
        Log(state.Events, L"ERROR: " + Utf8ToWide(error.what()));
    } catch (...) {
        Log(state.Events, L"ERROR: unexpected operation failure");
    }
    SetStatus(state, GetText(state.Language, 173), kProgressUnchanged);
}

}  // namespace

void WorkerRun(HWND mainWindow, const HWND& logWindow, const std::function<void()>& job) {
    KernelHandle finished(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!finished) throw std::runtime_error("Cannot create worker completion event");

    std::exception_ptr failure;
    HANDLE event = finished.get();
    std::thread worker([&job, &failure, event] {
        try {
            job();
        } catch (...) {
            failure = std::current_exception();
        }
        ::SetEvent(event);
    });
    const std::optional<int> quitCode = PumpUntilSignalled(event, mainWindow, logWindow);
    worker.join();
    finished.reset();

    if (quitCode) ::PostQuitMessage(*quitCode);
    if (failure) std::rethrow_exception(failure);
}

bool RunJob(AppState& state, const std::function<void()>& job) {
    // A handler reached through the pump must not start a second worker beside
    // the first: both would write into the caller's results.
    if (state.JobRunning) {
        Log(state.Events, L"ERROR: другая операция ещё выполняется");
        return false;
    }
    std::exception_ptr failure;
    state.JobRunning = true;
    try {
        WorkerRun(state.MainWindow, state.Events.LogWindow, job);
    } catch (...) {
        failure = std::current_exception();
    }
    state.JobRunning = false;
    if (!failure) return true;
    ReportJobFailure(state, failure);
    return false;
}

OperationCallbacks InterfaceCallbacks(AppState& state) {
    OperationCallbacks callbacks;
    callbacks.LogLine = [&state](const std::wstring& text) { Log(state.Events, text); };
    callbacks.Progress = [&state](const std::wstring& text, int percent) {
        SetStatus(state, text, percent >= 0 ? percent : kProgressMarquee);
    };
    callbacks.Cancelled = [&state] { return state.CancelRequested.load(); };
    return callbacks;
}
