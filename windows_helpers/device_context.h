#pragma once

#include <windows.h>

namespace corvalidyne {

// A window's device context (the screen's for nullptr), released at the end of
// the scope.
class WindowDc {
 public:
  explicit WindowDc(HWND window = nullptr) noexcept : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  [[nodiscard]] HDC get() const noexcept { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// One WM_PAINT: the context BeginPaint gave, ended with EndPaint.
class PaintScope {
 public:
  explicit PaintScope(HWND window) noexcept : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~PaintScope() { EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;

  [[nodiscard]] HDC get() const noexcept { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// A device context's state (mode, colours, selections) saved for the scope and
// put back at its end.
class ScopedDcState {
 public:
  explicit ScopedDcState(HDC dc) noexcept : dc_(dc), saved_(SaveDC(dc)) {}
  ~ScopedDcState() {
    if (saved_ != 0) RestoreDC(dc_, saved_);
  }
  ScopedDcState(const ScopedDcState&) = delete;
  ScopedDcState& operator=(const ScopedDcState&) = delete;

 private:
  HDC dc_;
  int saved_;
};

}  // namespace corvalidyne
