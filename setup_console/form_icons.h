#pragma once

#include <windows.h>

#include "dpi.h"
#include "unique_handle.h"

namespace corvalidyne {

// The program icon, icon group 1 of the executable's resources, at a size.
inline HICON LoadProgramIcon(HINSTANCE instance, int width, int height, UINT flags) {
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, width, height, flags));
}

// The icons of a window's title bar and task bar at its DPI: at the system's
// size the window class's shared icons (loaded already), at another size icons
// loaded at that size, which the set owns. An icon owned before is freed once
// the window shows the new one.
class FormIcons {
 public:
  void ShowAt(HWND window, HINSTANCE instance, Dpi dpi);

 private:
  struct Size {
    int widthMetric, heightMetric;
    int classIcon;  // GCLP_HICON or GCLP_HICONSM
  };
  static void Show(HWND window, HINSTANCE instance, Dpi dpi, WPARAM which, const Size& size, Icon& owned);

  Icon big_;
  Icon small_;
};

}  // namespace corvalidyne
