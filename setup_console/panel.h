#pragma once

#include <windows.h>

#include "dpi.h"

namespace corvalidyne {

// A framed panel: a container that draws a frame line with its caption set into
// the top line, in its own font and in the colours its parent gives through
// WM_CTLCOLORSTATIC (a themed group box would ignore them). It passes its
// children's notifications and colour requests on to its parent, so that their
// clicks reach the window. A panel without a caption is a plain band; one with a
// caption is a group, named by its caption, to assistive technology.
inline constexpr wchar_t kPanelClassName[] = L"CorvalidynePanel";

[[nodiscard]] bool RegisterPanelClass(HINSTANCE instance);

// Tells a panel the DPI its window is laid out at, which it draws its
// caption's margins at (96 until told) from its next paint on.
void TellPanelDpi(HWND panel, Dpi dpi) noexcept;

}  // namespace corvalidyne
