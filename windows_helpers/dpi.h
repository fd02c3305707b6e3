#pragma once

#include <windows.h>

namespace corvalidyne {

// A screen's density in dots per inch, and what the window's units come to at
// it: the one place that turns twips, points and 96-DPI pixels into pixels.
class Dpi {
 public:
  static constexpr int kStandard = 96;  // Windows' 100 %
  static constexpr int kTwipsPerInch = 1440;
  static constexpr int kCentipointsPerInch = 7200;

  constexpr Dpi() noexcept = default;
  // A density of 0 or less is no answer: the standard one.
  constexpr explicit Dpi(int dotsPerInch) noexcept : value_(dotsPerInch > 0 ? dotsPerInch : kStandard) {}

  [[nodiscard]] constexpr int Value() const noexcept { return value_; }
  constexpr bool operator==(const Dpi&) const = default;

  // A length in twips (1/1440 inch) in pixels.
  [[nodiscard]] int FromTwips(int twips) const noexcept { return MulDiv(twips, value_, kTwipsPerInch); }
  // A type size in hundredths of a point as a font's character height in pixels.
  [[nodiscard]] int FontHeight(int centipoints) const noexcept {
    return MulDiv(centipoints, value_, kCentipointsPerInch);
  }
  // A margin given in pixels at 96 DPI, in pixels at this one.
  [[nodiscard]] int FromStandardPixels(int pixels) const noexcept {
    return MulDiv(pixels, value_, kStandard);
  }
  // A system metric (SM_CXICON, say) as it is at this DPI.
  [[nodiscard]] int SystemMetric(int index) const noexcept;

  // The system's (primary screen's) DPI.
  [[nodiscard]] static Dpi OfSystem() noexcept;
  // The DPI of a window's monitor; the system's where there is no window yet,
  // or where the system cannot say (before Windows 10 version 1607).
  [[nodiscard]] static Dpi OfWindow(HWND window) noexcept;
  // The same through the per-window function as the run-time lookup found it:
  // nullptr where the system lacks it.
  using WindowDpiFunction = UINT(WINAPI*)(HWND);
  [[nodiscard]] static Dpi OfWindow(HWND window, WindowDpiFunction lookup) noexcept;

 private:
  int value_ = kStandard;
};

}  // namespace corvalidyne
