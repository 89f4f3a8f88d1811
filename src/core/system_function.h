#pragma once
// Functions the program looks up at run time, for systems and Wine versions
// that may lack them.
#include <windows.h>

#include "core/unique_handle.h"

template <typename Function>
Function LookUpFunction(HMODULE library, const char* name) {
    if (!library) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

// One function of a library from the system folder, which stays loaded as long as
// this object lives; `Call` is null when the library or the function is missing.
template <typename Function>
struct SystemFunction {
    Module Library;
    Function Call = nullptr;
};

template <typename Function>
SystemFunction<Function> LoadSystemFunction(const wchar_t* library, const char* name) {
    SystemFunction<Function> loaded;
    loaded.Library.reset(::LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    loaded.Call = LookUpFunction<Function>(loaded.Library.get(), name);
    return loaded;
}
