#pragma once

#include <windows.h>

namespace corvalidyne {

// What assistive technology (screen readers, speech input) is told about a
// window: the standard accessible object of its client area, with a name or
// role of our own where the standard ones say too little. Each request gets a
// new object that holds nothing but the window handle and the standard object,
// so a window keeps no pointer to it, and names are read from the windows when
// asked.

// The answer to WM_GETOBJECT for a window that groups its children: a group
// named by the window's text. Other objects than the client area get 0, the
// system's standard answer.
LRESULT AnswerAsGroup(HWND window, WPARAM wParam, LPARAM lParam) noexcept;

// Names a control after its container as well: its own name followed by the
// container's text ("Install" in the step "Microsoft .Net Framework v1.1" is
// "Install Microsoft .Net Framework v1.1"). Subclasses the control.
void NameAfterContainer(HWND control) noexcept;

}  // namespace corvalidyne
