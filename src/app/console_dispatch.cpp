#include "app/console_dispatch.h"

ConsoleDispatchResult DispatchConsoleMode(const std::wstring& /*commandTail*/, LangId /*language*/) {
    // No console commands are parsed yet: every start is interactive.
    return {};
}
