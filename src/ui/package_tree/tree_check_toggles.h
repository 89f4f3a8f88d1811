#pragma once
// Check box toggles of a tree view reported as the system's control reports
// them: TVN_ITEMCHANGED with the old and the new state image. Some tree views
// (Wine's) change the image on a click or the space bar without telling the
// parent, and never leave the partly checked image; where the control is found
// to keep quiet, a subclass reports each toggle on its behalf. Elsewhere
// nothing changes.
#include <windows.h>

void ReportCheckToggles(HWND tree);
