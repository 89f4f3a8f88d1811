#include "analysis/boot_disk.h"

#include <initguid.h>
#include <setupapi.h>
#include <winioctl.h>

#include <cstring>
#include <vector>

#include "core/unique_handle.h"

namespace {

constexpr DWORD kPathCharacters = MAX_PATH;
constexpr DWORD kExtentsBufferBytes = 64 * 1024;
constexpr std::size_t kExtentsHeaderBytes = offsetof(VOLUME_DISK_EXTENTS, Extents);
// The record's size field and at least one character of a path with its terminator.
constexpr DWORD kMinimumDetailBytes = 8;

FileHandle OpenForQueries(const wchar_t* path) {
    return FileHandle(::CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
}

// The disk number of one disk interface and its device node.
DiskQuery QueryDiskInterface(HDEVINFO disks, DWORD index, DiskDevice& disk) {
    SP_DEVICE_INTERFACE_DATA face{};
    face.cbSize = sizeof(face);
    if (!::SetupDiEnumDeviceInterfaces(disks, nullptr, &GUID_DEVINTERFACE_DISK, index, &face)) return DiskQuery::End;
    DWORD required = 0;
    ::SetupDiGetDeviceInterfaceDetailW(disks, &face, nullptr, 0, &required, nullptr);
    if (required < kMinimumDetailBytes) return DiskQuery::Unreadable;
    // DWORD elements keep the detail record aligned.
    std::vector<DWORD> buffer((required + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    if (!::SetupDiGetDeviceInterfaceDetailW(disks, &face, detail, required, nullptr, &device)) {
        return DiskQuery::Unreadable;
    }
    // The path ends inside the buffer even if the platform failed to terminate it.
    reinterpret_cast<wchar_t*>(buffer.data())[buffer.size() * sizeof(DWORD) / sizeof(wchar_t) - 1] = L'\0';
    const FileHandle handle = OpenForQueries(detail->DevicePath);
    STORAGE_DEVICE_NUMBER number{};
    DWORD returned = 0;
    if (!handle ||
        !::DeviceIoControl(handle.get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof(number),
                           &returned, nullptr) ||
        returned < sizeof(number)) {
        return DiskQuery::Unreadable;
    }
    disk = {number.DeviceNumber, device.DevInst};
    return DiskQuery::Found;
}

std::optional<DEVINST> ParentNode(DEVINST node) {
    DEVINST parent = 0;
    if (::CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) return std::nullopt;
    return parent;
}

std::optional<std::wstring> NodeInstanceId(DEVINST node) {
    wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
    if (::CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN + 1, 0) != CR_SUCCESS || id[0] == L'\0') return std::nullopt;
    return std::wstring(id);
}

}  // namespace

std::set<DWORD> DiskNumbersFromExtents(const std::uint8_t* data, std::size_t returned) {
    std::set<DWORD> disks;
    if (returned < kExtentsHeaderBytes) return disks;
    DWORD count = 0;
    std::memcpy(&count, data, sizeof(count));
    if ((returned - kExtentsHeaderBytes) / sizeof(DISK_EXTENT) < count) return disks;
    for (DWORD extent = 0; extent < count; ++extent) {
        DWORD disk = 0;
        std::memcpy(&disk,
                    data + kExtentsHeaderBytes + extent * sizeof(DISK_EXTENT) + offsetof(DISK_EXTENT, DiskNumber),
                    sizeof(disk));
        disks.insert(disk);
    }
    return disks;
}

std::set<DWORD> GetWindowsVolumeDisks(const std::wstring& windowsDirectory) {
    wchar_t mountPoint[kPathCharacters] = {};
    wchar_t volume[kPathCharacters] = {};
    if (!::GetVolumePathNameW(windowsDirectory.c_str(), mountPoint, kPathCharacters) ||
        !::GetVolumeNameForVolumeMountPointW(mountPoint, volume, kPathCharacters)) {
        return {};
    }
    // \\?\Volume{...}\ names the root folder; without the backslash it names the volume itself.
    std::wstring volumePath = volume;
    if (!volumePath.empty() && volumePath.back() == L'\\') volumePath.pop_back();
    const FileHandle handle = OpenForQueries(volumePath.c_str());
    if (!handle) return {};
    // LARGE_INTEGER elements keep the extents aligned.
    std::vector<LARGE_INTEGER> buffer(kExtentsBufferBytes / sizeof(LARGE_INTEGER));
    DWORD returned = 0;
    if (!::DeviceIoControl(handle.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, buffer.data(),
                           kExtentsBufferBytes, &returned, nullptr)) {
        return {};
    }
    return DiskNumbersFromExtents(reinterpret_cast<const std::uint8_t*>(buffer.data()), returned);
}

std::set<DEVINST> SelectBootDiskNodes(std::set<DWORD> diskNumbers, const DiskAt& diskAt, const ParentOf& parentOf,
                                      bool& complete) {
    std::set<DEVINST> nodes;
    complete = false;
    if (diskNumbers.empty()) return nodes;
    for (DWORD index = 0; !diskNumbers.empty(); ++index) {
        DiskDevice disk;
        const DiskQuery query = diskAt(index, disk);
        if (query == DiskQuery::End) break;
        if (query != DiskQuery::Found || diskNumbers.erase(disk.Number) == 0) continue;
        for (std::optional<DEVINST> node = disk.Node; node && nodes.insert(*node).second; node = parentOf(*node)) {
        }
    }
    complete = diskNumbers.empty();
    return nodes;
}

DeviceInstanceIdSet FindBootDiskDevices(const std::wstring& windowsDirectory, bool& complete) {
    complete = false;
    DeviceInstanceIdSet devices;
    std::set<DWORD> diskNumbers = GetWindowsVolumeDisks(windowsDirectory);
    if (diskNumbers.empty()) return devices;
    const DeviceInfoList disks(
        ::SetupDiGetClassDevsW(&GUID_DEVINTERFACE_DISK, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!disks) return devices;
    const std::set<DEVINST> nodes = SelectBootDiskNodes(
        std::move(diskNumbers),
        [&](DWORD index, DiskDevice& disk) { return QueryDiskInterface(disks.get(), index, disk); }, ParentNode,
        complete);
    // Named while the list that produced the nodes is still open.
    for (const DEVINST node : nodes) {
        if (std::optional<std::wstring> id = NodeInstanceId(node)) devices.insert(std::move(*id));
    }
    return devices;
}
