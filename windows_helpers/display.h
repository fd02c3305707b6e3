#pragma once

#include <windows.h>

namespace corvalidyne {

inline constexpr int kDefaultDpi = 96;

// The DPI of the system's (primary) screen.
[[nodiscard]] int SystemDpi() noexcept;

// The DPI a window is shown at: its monitor's, for a process aware of each
// monitor's DPI; the system's on Windows before 10, which cannot say.
[[nodiscard]] int WindowDpi(HWND window) noexcept;

// A system metric (SM_CXICON, say) as it is at a DPI.
[[nodiscard]] int SystemMetricForDpi(int index, int dpi) noexcept;

// Whether the user has a high-contrast theme on.
[[nodiscard]] bool IsHighContrastOn() noexcept;

}  // namespace corvalidyne
