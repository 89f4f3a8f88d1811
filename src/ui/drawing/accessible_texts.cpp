#include "ui/drawing/accessible_texts.h"

// Defines the property GUIDs here rather than requiring the accessibility library.
#include <initguid.h>
#include <oleacc.h>

namespace {

// UI Automation's LiveSetting property and its "polite" value, which the
// property service passes on for window-based controls.
// {C12BCD8E-2A8E-4950-8AE7-3625111D58EB}
constexpr GUID kLiveSettingProperty = {0xC12BCD8E, 0x2A8E, 0x4950, {0x8A, 0xE7, 0x36, 0x25, 0x11, 0x1D, 0x58, 0xEB}};
constexpr LONG kLivePolite = 1;
constexpr DWORD kEventLiveRegionChanged = 0x8019;  // EVENT_OBJECT_LIVEREGIONCHANGED

// The service for one call; null when the system has none.
class PropertyServices {
public:
    PropertyServices() {
        if (FAILED(::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                      reinterpret_cast<void**>(&services_))))
            services_ = nullptr;
    }
    PropertyServices(const PropertyServices&) = delete;
    PropertyServices& operator=(const PropertyServices&) = delete;
    ~PropertyServices() {
        if (services_) services_->Release();
    }
    IAccPropServices* operator->() const { return services_; }
    explicit operator bool() const { return services_ != nullptr; }

private:
    IAccPropServices* services_ = nullptr;
};

void SetText(HWND control, const GUID& property, const wchar_t* text) {
    const PropertyServices services;
    if (control && services) services->SetHwndPropStr(control, OBJID_CLIENT, CHILDID_SELF, property, text);
}

}  // namespace

void SetAccessibleName(HWND control, const wchar_t* name) { SetText(control, PROPID_ACC_NAME, name); }

void SetAccessibleShortcut(HWND control, const wchar_t* shortcut) {
    SetText(control, PROPID_ACC_KEYBOARDSHORTCUT, shortcut);
}

void MarkAsLiveRegion(HWND control) {
    const PropertyServices services;
    if (!control || !services) return;
    VARIANT polite{};
    polite.vt = VT_I4;
    polite.lVal = kLivePolite;
    services->SetHwndProp(control, OBJID_CLIENT, CHILDID_SELF, kLiveSettingProperty, polite);
}

void AnnounceTextChange(HWND control) {
    if (control) ::NotifyWinEvent(kEventLiveRegionChanged, control, OBJID_CLIENT, CHILDID_SELF);
}
