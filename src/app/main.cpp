#include <windows.h>

#include <exception>

#include "app/startup.h"
#include "core/event_log.h"
#include "core/text_encoding.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandTail, int) {
    // Nothing may unwind out of the entry point: record the failure and end the run as failed.
    try {
        return RunApplication(instance, commandTail ? commandTail : L"");
    } catch (const std::exception& e) {
        AppendLogFile(TempFilePath(L"Quillbay.log"), FormatLogLine(L"Необработанная ошибка: " + Utf8ToWide(e.what())));
    } catch (...) {
        AppendLogFile(TempFilePath(L"Quillbay.log"), FormatLogLine(L"Необработанная ошибка"));
    }
    return 4;
}
