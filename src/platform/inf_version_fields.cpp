#include "platform/inf_version_fields.h"

#include "core/unique_handle.h"
#include "platform/inf_reader.h"

bool ReadInfVersionFields(const std::wstring& path, InfVersionFields& fields) {
    const InfFile inf(::SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr));
    if (!inf) return false;
    fields = ReadInfVersionFields(inf.get());
    return true;
}

InfVersionFields ReadInfVersionFields(HINF inf) {
    InfVersionFields fields;
    fields.Version = ReadInfValue(inf, L"Version", L"DriverVer", 2);
    fields.Date = NormalizeDriverDate(ReadInfValue(inf, L"Version", L"DriverVer", 1));
    fields.ClassName = ResolveInfString(inf, ReadInfValue(inf, L"Version", L"Class", 1));
    fields.ClassGuid = ReadInfValue(inf, L"Version", L"ClassGuid", 1);
    fields.ExtensionId = ReadInfValue(inf, L"Version", L"ExtensionId", 1);
    return fields;
}
