#include "platform/inf_version_fields.h"

#include "platform/inf_reader.h"
#include "platform/unique_handle.h"

bool ReadInfVersionFields(const std::wstring& path, InfVersionFields& fields) {
    const InfFile inf(::SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr));
    if (!inf) return false;
    const HINF handle = inf.get();
    fields.Version = ReadInfValue(handle, L"Version", L"DriverVer", 2);
    fields.Date = NormalizeDriverDate(ReadInfValue(handle, L"Version", L"DriverVer", 1));
    fields.ClassName = ResolveInfString(handle, ReadInfValue(handle, L"Version", L"Class", 1));
    fields.ClassGuid = ReadInfValue(handle, L"Version", L"ClassGuid", 1);
    fields.ExtensionId = ReadInfValue(handle, L"Version", L"ExtensionId", 1);
    return true;
}
