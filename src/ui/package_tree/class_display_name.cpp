#include "ui/package_tree/class_display_name.h"

#include <windows.h>

#include <devpropdef.h>
#include <objbase.h>
#include <setupapi.h>

#include <array>
#include <string_view>

#include "core/string_compare.h"
#include "core/text_trim.h"
#include "platform/inf_reader.h"
#include "core/system_function.h"

namespace {

constexpr LangId kRussian = 0;

// Not declared by every SDK's setupapi.h, and missing from some systems'
// setupapi.dll: looked up at run time.
using GetClassPropertyFunction = BOOL(WINAPI*)(const GUID*, const DEVPROPKEY*, DEVPROPTYPE*, PBYTE, DWORD, PDWORD,
                                               DWORD);
constexpr DWORD kClassPropertyOfInstallerKey = 0x00000001;  // DICLASSPROP_INSTALLER
constexpr DEVPROPKEY kDeviceNameKey{{0xb725f130, 0x47ef, 0x101a, {0xa5, 0xf1, 0x02, 0x60, 0x8c, 0x9e, 0xeb, 0xac}},
                                    10};  // DEVPKEY_NAME

// Russian names for classes whose SetupAPI name often comes without a translation.
struct KnownClassName {
    std::wstring_view ClassKey;
    std::wstring_view Name;
};
constexpr std::array<KnownClassName, 7> kRussianClassNames{{
    {L"Image", L"Устройства обработки изображений"},
    {L"Mouse", L"Мыши и иные указывающие устройства"},
    {L"Printer", L"Принтеры"},
    {L"Keyboard", L"Клавиатуры"},
    {L"NetService", L"Сетевые службы"},
    {L"DeviceInterface", L"Интерфейсы устройств"},
    {L"Extension", L"Расширения"},
}};

std::wstring ClassKey(const DriverPackage& package) {
    return package.ClassName.empty() ? package.ClassDescription : package.ClassName;
}

bool HasCyrillicLetter(const std::wstring& text) {
    for (const wchar_t c : text) {
        if (c == L'\u0401' || c == L'\u0451' || (c >= L'\u0410' && c <= L'\u044F')) return true;
    }
    return false;
}

bool ClassGuidFor(const std::wstring& classGuid, const std::wstring& classKey, GUID& guid) {
    std::wstring text = TrimWhitespace(classGuid);
    if (text.size() == 36) text = L"{" + text + L"}";
    if (!text.empty() && SUCCEEDED(::IIDFromString(text.c_str(), &guid))) return true;
    if (classKey.empty()) return false;
    // Several classes may share a name; none of them is then the package's for sure.
    DWORD count = 0;
    return ::SetupDiClassGuidsFromNameW(classKey.c_str(), &guid, 1, &count) && count == 1;
}

std::wstring RussianClassDisplayName(const DriverPackage& package) {
    const std::wstring classKey = ClassKey(package);
    const std::wstring setupName = QuerySetupClassName(package.ClassGuid, classKey);
    if (HasCyrillicLetter(setupName)) return setupName;
    for (const KnownClassName& known : kRussianClassNames) {
        if (EqualsIgnoreCase(classKey, known.ClassKey)) return std::wstring(known.Name);
    }
    const std::wstring groupText = MapClassToGroupText(classKey, kRussian);
    if (groupText != classKey) return groupText;
    return setupName.empty() ? classKey : setupName;
}

}  // namespace

std::wstring QuerySetupClassName(const std::wstring& classGuid, const std::wstring& classKey) {
    static const auto getClassProperty =
        LookUpFunction<GetClassPropertyFunction>(::GetModuleHandleW(L"setupapi.dll"), "SetupDiGetClassPropertyW");
    GUID guid{};
    if (!getClassProperty || !ClassGuidFor(classGuid, classKey, guid)) return {};

    std::array<BYTE, 512> buffer{};
    DEVPROPTYPE type = DEVPROP_TYPE_EMPTY;
    DWORD required = 0;
    if (!getClassProperty(&guid, &kDeviceNameKey, &type, buffer.data(), static_cast<DWORD>(buffer.size()) - 2,
                          &required, kClassPropertyOfInstallerKey) ||
        type != DEVPROP_TYPE_STRING) {
        return {};
    }
    // The spare bytes at the end keep the text terminated whatever the property holds.
    return TrimWhitespace(reinterpret_cast<const wchar_t*>(buffer.data()));
}

std::wstring GetClassDisplayName(AppState& state, const DriverPackage& package) {
    if (state.Language != kRussian) return MapClassToGroupText(ClassKey(package), state.Language);
    const std::wstring cacheKey = package.ClassGuid + L"|" + ClassKey(package);
    if (const auto cached = state.ClassNameCache.find(cacheKey); cached != state.ClassNameCache.end())
        return cached->second;
    return state.ClassNameCache.emplace(cacheKey, RussianClassDisplayName(package)).first->second;
}
