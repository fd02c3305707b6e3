#pragma once

#include <windows.h>

namespace corvalidyne {

// Whether the system's answer to SPI_GETHIGHCONTRAST says a high-contrast theme
// is on: HCF_HIGHCONTRASTON alone tells, HCF_AVAILABLE is normally set anyway.
[[nodiscard]] constexpr bool HighContrastOn(BOOL answered, DWORD flags) noexcept {
  return answered != FALSE && (flags & HCF_HIGHCONTRASTON) != 0;
}

// Whether the user has a high-contrast theme on.
[[nodiscard]] bool IsHighContrastOn() noexcept;

}  // namespace corvalidyne
