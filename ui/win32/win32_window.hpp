// State of the Win32 window shared by the shell and the platform functions.
#pragma once
#include <windows.h>

namespace vh::win32 {

inline HINSTANCE g_instance = nullptr;
inline HWND g_main = nullptr;
// The device context of the paint in progress (between BeginPaint and EndPaint).
inline HDC g_paint_dc = nullptr;

}  // namespace vh::win32
