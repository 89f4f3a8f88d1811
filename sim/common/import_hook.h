#pragma once
// Replaces one platform function for the calls the main program makes, by
// rewriting the program's import address table entry while the hook lives. This
// is how tests reach branches the Windows they run on never takes (Wine's token
// is always elevated, its links are never reparse points).
#include <windows.h>

namespace sim {

class ImportHook {
public:
    // `replacement` must have the signature of `function` in `library`.
    ImportHook(const wchar_t* library, const char* function, void* replacement);
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;
    ~ImportHook();

    [[nodiscard]] bool Installed() const noexcept { return slot_ != nullptr; }
    // The platform's own function, for a replacement that passes calls on.
    template <typename Function>
    Function Platform() const noexcept {
        return reinterpret_cast<Function>(platform_);
    }

private:
    void** slot_ = nullptr;
    void* platform_ = nullptr;
};

}  // namespace sim
