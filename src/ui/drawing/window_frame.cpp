#include "ui/drawing/window_frame.h"

#include <dwmapi.h>

#include "ui/drawing/palette.h"
#include "core/system_function.h"

namespace {

// Attributes of Windows 11's frame, missing from older SDK headers.
constexpr DWORD kAttributeCornerPreference = 33;
constexpr DWORD kAttributeBorderColour = 34;
constexpr DWORD kAttributeCaptionColour = 35;
constexpr DWORD kAttributeTextColour = 36;
constexpr DWORD kCornerRound = 2;

using SetWindowAttributeFunction = decltype(&::DwmSetWindowAttribute);

SetWindowAttributeFunction SetWindowAttribute() {
    static const auto dwm = LoadSystemFunction<SetWindowAttributeFunction>(L"dwmapi.dll", "DwmSetWindowAttribute");
    return dwm.Call;
}

}  // namespace

bool IsHighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

bool ApplyWindowFrameAttributes(HWND window) {
    const auto setAttribute = SetWindowAttribute();
    if (!setAttribute || IsHighContrastOn()) return false;
    struct Attribute {
        DWORD Id;
        DWORD Value;  // a COLORREF for the colours
    };
    const Attribute attributes[] = {{kAttributeCornerPreference, kCornerRound},
                                     {kAttributeCaptionColour, kColorBand},
                                     {kAttributeTextColour, kColorText},
                                     {kAttributeBorderColour, kColorNeutralBorder}};
    // Each attribute stands alone: older systems refuse the ones they lack.
    bool applied = false;
    for (const Attribute& attribute : attributes) {
        if (SUCCEEDED(setAttribute(window, attribute.Id, &attribute.Value, sizeof(attribute.Value)))) applied = true;
    }
    return applied;
}
