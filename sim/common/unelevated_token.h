#pragma once
// While it lives, the program's token elevation query answers "not elevated",
// as it does for a standard user or an administrator without the prompt.
#include "import_hook.h"

namespace sim {

class UnelevatedToken {
public:
    UnelevatedToken();
    [[nodiscard]] bool Installed() const noexcept { return hook_.Installed(); }

private:
    ImportHook hook_;
};

}  // namespace sim
