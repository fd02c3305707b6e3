#include "display.h"

#include "device_context.h"
#include "system_library.h"

namespace corvalidyne {

namespace {

// Windows 10 (1607) and later have the per-DPI functions; older systems have
// only the system's DPI, so they are looked up when first needed.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

template <typename Function>
Function User32Function(const char* name) noexcept {
  return SystemFunction<Function>(L"user32.dll", name);
}

}  // namespace

int SystemDpi() noexcept {
  const WindowDc screen;
  return ChosenDpi(0, 0, GetDeviceCaps(screen.get(), LOGPIXELSY));
}

int MonitorDpi(HWND window) noexcept {
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  return getDpiForWindow != nullptr ? static_cast<int>(getDpiForWindow(window)) : 0;
}

int SystemMetricForDpi(int index, int dpi) noexcept {
  static const auto getMetricForDpi = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
  if (getMetricForDpi != nullptr) return getMetricForDpi(index, static_cast<UINT>(dpi));
  return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

bool IsHighContrastOn() noexcept {
  HIGHCONTRASTW setting{};
  setting.cbSize = sizeof setting;
  const BOOL answered = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0);
  return HighContrastOn(answered, setting.dwFlags);
}

}  // namespace corvalidyne
