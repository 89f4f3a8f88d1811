#include "analysis/identical_files.h"

#include <windows.h>

#include <array>
#include <cstring>

#include "core/unique_handle.h"

namespace {

constexpr DWORD kBlockBytes = 8192;

struct OpenedFile {
    FileHandle Handle;
    BY_HANDLE_FILE_INFORMATION Information{};
    ULONGLONG Size = 0;
};

bool Open(const std::wstring& path, OpenedFile& file) {
    file.Handle.reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.Handle || !::GetFileInformationByHandle(file.Handle.get(), &file.Information)) return false;
    file.Size = (static_cast<ULONGLONG>(file.Information.nFileSizeHigh) << 32) | file.Information.nFileSizeLow;
    return true;
}

bool SameFile(const OpenedFile& a, const OpenedFile& b) {
    return a.Information.dwVolumeSerialNumber == b.Information.dwVolumeSerialNumber &&
           a.Information.nFileIndexHigh == b.Information.nFileIndexHigh &&
           a.Information.nFileIndexLow == b.Information.nFileIndexLow;
}

// Fills the block unless the file ends first.
bool ReadBlock(HANDLE file, BYTE* block, DWORD wanted) {
    DWORD done = 0;
    while (done < wanted) {
        DWORD read = 0;
        if (!::ReadFile(file, block + done, wanted - done, &read, nullptr) || read == 0) return false;
        done += read;
    }
    return true;
}

}  // namespace

bool FilesIdentical(const std::wstring& first, const std::wstring& second) {
    OpenedFile a;
    OpenedFile b;
    if (!Open(first, a) || !Open(second, b) || a.Size != b.Size || a.Size == 0) return false;
    if (SameFile(a, b)) return true;
    std::array<BYTE, kBlockBytes> blockA{};
    std::array<BYTE, kBlockBytes> blockB{};
    for (ULONGLONG left = a.Size; left > 0;) {
        const DWORD wanted = left < kBlockBytes ? static_cast<DWORD>(left) : kBlockBytes;
        if (!ReadBlock(a.Handle.get(), blockA.data(), wanted) || !ReadBlock(b.Handle.get(), blockB.data(), wanted) ||
            std::memcmp(blockA.data(), blockB.data(), wanted) != 0) {
            return false;
        }
        left -= wanted;
    }
    return true;
}
