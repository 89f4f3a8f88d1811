#include "import_hook.h"

namespace sim {
namespace {

// The import address table entry of the main program that holds `target`.
void** FindImportSlot(void* target) {
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); module->Name;
         ++module) {
        for (auto* slot = reinterpret_cast<void**>(base + module->FirstThunk); *slot; ++slot) {
            if (*slot == target) return slot;
        }
    }
    return nullptr;
}

bool WriteSlot(void** slot, void* value) {
    DWORD protection = 0;
    if (!::VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection)) return false;
    *slot = value;
    ::VirtualProtect(slot, sizeof(*slot), protection, &protection);
    return true;
}

}  // namespace

ImportHook::ImportHook(const wchar_t* library, const char* function, void* replacement) {
    HMODULE module = ::GetModuleHandleW(library);
    void* platform = module ? reinterpret_cast<void*>(::GetProcAddress(module, function)) : nullptr;
    void** slot = platform ? FindImportSlot(platform) : nullptr;
    if (!slot || !WriteSlot(slot, replacement)) return;
    slot_ = slot;
    platform_ = platform;
}

ImportHook::~ImportHook() {
    if (slot_) (void)WriteSlot(slot_, platform_);
}

}  // namespace sim
