// The scale of the monitor a window is on, for a program that follows each monitor's scale
// itself (its manifest says so). The calls that give it came with Windows 10; before them
// the screen's own scale serves.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace quorbit {

// Dots per inch of the window's monitor (96 is 100 %).
UINT WindowDpi(HWND window);

// SystemParametersInfoW for a DPI: the metrics (fonts, sizes) at that scale.
bool SystemParametersForDpi(UINT action, UINT size, void* out, UINT dpi);

}  // namespace quorbit
