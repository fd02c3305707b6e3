#include "setup_form.h"

namespace corvalidyne {

// Fonts, icons, positions and the window's size, all from the design at one
// DPI. The controls take the new fonts before the old ones are freed.
void SetupForm::LayOutAt(int dpi) {
  dpi_ = dpi;
  FormFonts fonts(dpi);
  controls_.SetFonts(fonts);
  fonts_ = std::move(fonts);
  SetIcons();
  controls_.Place(dpi);
  FitWindowToDesign();
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The client area is the design's at the window's DPI, to the pixel. The frame
// is taken as the window really has it: the system's idea of a frame at another
// DPI can differ from it (Wine's does not scale frames at all).
void SetupForm::FitWindowToDesign() const {
  if (IsIconic(window_) || IsZoomed(window_)) return;
  RECT frame;
  RECT client;
  GetWindowRect(window_, &frame);
  GetClientRect(window_, &client);
  const int widthMissing = Pixels(SetupFormDesign().clientWidth, dpi_) - client.right;
  const int heightMissing = Pixels(SetupFormDesign().clientHeight, dpi_) - client.bottom;
  if (widthMissing == 0 && heightMissing == 0) return;
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left + widthMissing,
               frame.bottom - frame.top + heightMissing, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The icons of the title bar and task bar at the window's DPI.
void SetupForm::SetIcons() {
  SetIcon(ICON_BIG, {SM_CXICON, SM_CYICON, GCLP_HICON}, bigIcon_);
  SetIcon(ICON_SMALL, {SM_CXSMICON, SM_CYSMICON, GCLP_HICONSM}, smallIcon_);
}

// One of them: at the system's size, the window class's shared icon (loaded
// already); at another, one loaded at that size, which the window owns. An
// icon the window owned before is freed once the window holds the new one.
void SetupForm::SetIcon(WPARAM which, const IconSize& size, Icon& owned) {
  const int width = SystemMetricForDpi(size.widthMetric, dpi_);
  const int height = SystemMetricForDpi(size.heightMetric, dpi_);
  Icon loaded;
  auto* shown = reinterpret_cast<HICON>(GetClassLongPtrW(window_, size.classIcon));
  if (width != GetSystemMetrics(size.widthMetric) || height != GetSystemMetrics(size.heightMetric)) {
    loaded = Icon(LoadProgramIcon(instance_, width, height, 0));
    shown = loaded.get();
  }
  SendMessageW(window_, WM_SETICON, which, reinterpret_cast<LPARAM>(shown));
  owned = std::move(loaded);
}

}  // namespace corvalidyne
