#include "dpi.h"

#include "device_context.h"
#include "system_library.h"

namespace corvalidyne {

namespace {

// Windows 10 (1607) and later have the per-DPI functions; older systems have
// only the system's DPI, so they are looked up when first needed.
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

template <typename Function>
Function User32Function(const char* name) noexcept {
  return SystemFunction<Function>(L"user32.dll", name);
}

}  // namespace

int Dpi::SystemMetric(int index) const noexcept {
  static const auto getMetricForDpi = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
  if (getMetricForDpi != nullptr) return getMetricForDpi(index, static_cast<UINT>(value_));
  return MulDiv(GetSystemMetrics(index), value_, OfSystem().Value());
}

Dpi Dpi::OfSystem() noexcept {
  const WindowDc screen;
  return Dpi(GetDeviceCaps(screen.get(), LOGPIXELSY));
}

Dpi Dpi::OfWindow(HWND window) noexcept {
  static const auto getDpiForWindow = User32Function<WindowDpiFunction>("GetDpiForWindow");
  return OfWindow(window, getDpiForWindow);
}

Dpi Dpi::OfWindow(HWND window, WindowDpiFunction lookup) noexcept {
  if (window != nullptr && lookup != nullptr) {
    if (const UINT answer = lookup(window); answer > 0) return Dpi(static_cast<int>(answer));
  }
  return OfSystem();
}

}  // namespace corvalidyne
