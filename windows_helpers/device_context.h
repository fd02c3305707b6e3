#pragma once

#include <windows.h>

#include "scope_exit.h"

namespace corvalidyne {

// The device-context guards: a context held for a scope, and what a scope
// changes in a context put back at its end.

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

// A GDI object selected into a context for the scope; the one it replaced is
// selected again at the end.
[[nodiscard]] inline auto SelectForScope(HDC dc, HGDIOBJ object) noexcept {
  const HGDIOBJ replaced = SelectObject(dc, object);
  return ScopeExit([dc, replaced]() noexcept { SelectObject(dc, replaced); });
}

// A context's whole state (mode, colours, selections) saved for the scope and
// restored at its end.
[[nodiscard]] inline auto SaveForScope(HDC dc) noexcept {
  const int saved = SaveDC(dc);
  return ScopeExit([dc, saved]() noexcept {
    if (saved != 0) RestoreDC(dc, saved);
  });
}

}  // namespace corvalidyne
