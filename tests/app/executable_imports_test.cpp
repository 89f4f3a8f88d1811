// Quillbay.exe must run on a clean Windows: every DLL it imports is part of the system.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>

#include "test_support.h"

namespace {

template <typename T>
bool ReadAt(const std::string& image, size_t offset, T& value) {
    if (offset > image.size() || image.size() - offset < sizeof(T)) return false;
    std::memcpy(&value, image.data() + offset, sizeof(T));
    return true;
}

// Names of the DLLs in the import directory of a PE32+ image.
bool ImportedDlls(const std::string& image, std::set<std::string>& names) {
    IMAGE_DOS_HEADER dos{};
    if (!ReadAt(image, 0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return false;
    IMAGE_NT_HEADERS64 nt{};
    if (!ReadAt(image, static_cast<size_t>(dos.e_lfanew), nt) || nt.Signature != IMAGE_NT_SIGNATURE ||
        nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        return false;
    const size_t sections = static_cast<size_t>(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                            nt.FileHeader.SizeOfOptionalHeader;
    auto rvaToOffset = [&](DWORD rva, size_t& offset) {
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER section{};
            if (!ReadAt(image, sections + i * sizeof(section), section)) return false;
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.SizeOfRawData) {
                offset = section.PointerToRawData + (rva - section.VirtualAddress);
                return true;
            }
        }
        return false;
    };
    const IMAGE_DATA_DIRECTORY imports = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    size_t offset = 0;
    if (!rvaToOffset(imports.VirtualAddress, offset)) return false;
    for (;; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR descriptor{};
        if (!ReadAt(image, offset, descriptor)) return false;
        if (descriptor.Name == 0) break;
        size_t nameOffset = 0;
        if (!rvaToOffset(descriptor.Name, nameOffset)) return false;
        std::string name;
        for (char c; ReadAt(image, nameOffset + name.size(), c) && c != '\0';) name += c;
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        names.insert(name);
    }
    return true;
}

}  // namespace

TEST(ExecutableImports, OnlyWindowsSystemLibraries) {
    const std::string image = test::ReadFileBytes(test::BinFolder() / L"Quillbay.exe");
    std::set<std::string> dlls;
    ASSERT_TRUE(ImportedDlls(image, dlls));
    ASSERT_TRUE(dlls.count("kernel32.dll")) << "the parser found the import table";

    const std::set<std::string> system = {
        "kernel32.dll", "user32.dll",   "gdi32.dll",    "advapi32.dll", "shell32.dll", "shlwapi.dll",
        "ole32.dll",    "oleaut32.dll", "comctl32.dll", "comdlg32.dll", "setupapi.dll", "cfgmgr32.dll",
        "version.dll",  "uxtheme.dll",  "msvcrt.dll",   "ntdll.dll",    "bcrypt.dll",  "msimg32.dll",
        "dwmapi.dll",   "newdev.dll",   "fltlib.dll",   "propsys.dll",  "oleacc.dll",  "ws2_32.dll",
        "mpr.dll"};
    for (const std::string& dll : dlls) {
        const bool apiSet = dll.rfind("api-ms-win-", 0) == 0;
        EXPECT_TRUE(system.count(dll) || apiSet) << dll << " is not a Windows system library";
    }
}
