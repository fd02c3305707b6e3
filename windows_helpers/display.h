#pragma once

#include <windows.h>

namespace corvalidyne {

inline constexpr int kDefaultDpi = 96;

// The DPI a window is laid out at: the first known (above 0) of a test's
// stand-in, the window's monitor's and the system's; else 96.
[[nodiscard]] constexpr int ChosenDpi(int standIn, int monitor, int system) noexcept {
  if (standIn > 0) return standIn;
  if (monitor > 0) return monitor;
  return system > 0 ? system : kDefaultDpi;
}

// The DPI of the system's (primary) screen.
[[nodiscard]] int SystemDpi() noexcept;

// The DPI of a window's monitor, for a process aware of each monitor's DPI; 0
// on Windows before 10, which cannot say.
[[nodiscard]] int MonitorDpi(HWND window) noexcept;

// A system metric (SM_CXICON, say) as it is at a DPI.
[[nodiscard]] int SystemMetricForDpi(int index, int dpi) noexcept;

// Whether the system's answer to SPI_GETHIGHCONTRAST says a high-contrast theme
// is on: HCF_HIGHCONTRASTON alone tells, HCF_AVAILABLE is normally set anyway.
[[nodiscard]] constexpr bool HighContrastOn(BOOL answered, DWORD flags) noexcept {
  return answered != FALSE && (flags & HCF_HIGHCONTRASTON) != 0;
}

// Whether the user has a high-contrast theme on.
[[nodiscard]] bool IsHighContrastOn() noexcept;

}  // namespace corvalidyne
