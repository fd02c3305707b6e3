#pragma once

#include <windows.h>

#include "system_library.h"

namespace corvalidyne::testing {

// The rectangle Windows suggests with WM_DPICHANGED: the design's client area
// (6390 by 7155 twips) at the new DPI, framed as the system says a frame is at
// that DPI, with its top-left corner where the window's is. Under Wine the real
// frame does not grow with the DPI, so a window sized from this alone would
// have too large a client area.
inline RECT SuggestedRect(HWND window, int dpi) {
  using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  const auto adjust = SystemFunction<AdjustForDpi>(L"user32.dll", "AdjustWindowRectExForDpi");
  RECT frame;
  GetWindowRect(window, &frame);
  RECT suggested{0, 0, MulDiv(6390, dpi, 1440), MulDiv(7155, dpi, 1440)};
  if (adjust != nullptr) {
    adjust(&suggested, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
           static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)), static_cast<UINT>(dpi));
  }
  OffsetRect(&suggested, frame.left - suggested.left, frame.top - suggested.top);
  return suggested;
}

// What Windows sends a per-monitor aware window moved to a monitor of another
// DPI, which Wine never does.
inline void SendDpiChange(HWND window, int dpi, const RECT& suggested) {
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

}  // namespace corvalidyne::testing
