#pragma once
// What a console command owns while it runs.
#include <string>

#include "app/localized_text.h"
#include "platform/dism_session.h"

struct ConsoleState {
    LangId Language = 1;
    std::wstring LogPath;
    std::wstring TargetRoot;
    DismSession Dism;
};
