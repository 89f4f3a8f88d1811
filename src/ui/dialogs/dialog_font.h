#pragma once
// The font of a dialog's controls on a DPI change: the dialog manager made it
// once, for the DPI the dialog was created at.
#include <windows.h>

#include "ui/drawing/gdi_handles.h"

// Gives every child of `dialog` the font it uses now (the one in `owned`, else
// the template's) with its height scaled from `from` to `to` DPI. `owned` takes
// the new font only once every child has it, so no control keeps a deleted one.
void RescaleDialogFont(HWND dialog, UINT from, UINT to, FontHandle& owned);
