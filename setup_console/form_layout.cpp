#include "setup_form.h"

namespace corvalidyne {

namespace {

// The program icon at the size of a DPI; the caller owns it.
Icon ProgramIcon(HINSTANCE instance, int widthMetric, int heightMetric, int dpi) {
  return Icon(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                            SystemMetricForDpi(widthMetric, dpi),
                                            SystemMetricForDpi(heightMetric, dpi), 0)));
}

}  // namespace

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
  const int width = frame.right - frame.left - client.right + Pixels(SetupFormDesign().clientWidth, dpi_);
  const int height = frame.bottom - frame.top - client.bottom + Pixels(SetupFormDesign().clientHeight, dpi_);
  SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The icons of the title bar and task bar at the window's DPI; the old ones are
// freed once the window holds the new.
void SetupForm::SetIcons() {
  Icon big = ProgramIcon(instance_, SM_CXICON, SM_CYICON, dpi_);
  Icon small = ProgramIcon(instance_, SM_CXSMICON, SM_CYSMICON, dpi_);
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  bigIcon_ = std::move(big);
  smallIcon_ = std::move(small);
}

}  // namespace corvalidyne
