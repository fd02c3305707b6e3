#pragma once

#include <windows.h>

namespace corvalidyne {

// A framed panel: a container that draws a frame line with its caption set into
// the top line, in its own font and in the colours its parent gives through
// WM_CTLCOLORSTATIC (a themed group box would ignore them). It passes its
// children's notifications and colour requests on to its parent, so that their
// clicks reach the window. A panel without a caption is a plain band; one with a
// caption is a group, named by its caption, to assistive technology.
inline constexpr wchar_t kPanelClassName[] = L"CorvalidynePanel";

// The panel asks its top-level window, with this message, for the DPI the
// window is laid out at, which it draws its caption's margins at; a window that
// does not answer (0) is taken to be at its monitor's DPI.
inline constexpr UINT kLayoutDpiQuery = WM_APP + 1;

[[nodiscard]] bool RegisterPanelClass(HINSTANCE instance);

}  // namespace corvalidyne
