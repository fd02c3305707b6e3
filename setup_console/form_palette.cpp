#include "form_palette.h"

namespace corvalidyne {

DesignColour FormPalette::Shown(const DesignColour& design, const DesignColour& highContrast) const noexcept {
  if (!highContrast_ || design.kind == DesignColour::Kind::Standard) return design;
  return highContrast;
}

COLORREF FormPalette::Resolved(const DesignColour& colour) noexcept {
  return colour.kind == DesignColour::Kind::System ? GetSysColor(colour.systemIndex) : colour.rgb;
}

COLORREF FormPalette::Text(const ControlDesign& control) const noexcept {
  return Resolved(Shown(control.foreground, DesignOfRole(control.role).highContrastText));
}

COLORREF FormPalette::Background(const ControlDesign& control) const noexcept {
  return Resolved(Shown(control.background, DesignOfRole(control.role).highContrastBackground));
}

HBRUSH FormPalette::BackgroundBrush(const ControlDesign& control) {
  return BrushOf(Shown(control.background, DesignOfRole(control.role).highContrastBackground));
}

HBRUSH FormPalette::WindowBrush() {
  const WindowDesign& window = SetupFormDesign();
  return BrushOf(Shown(window.background, window.highContrastBackground));
}

HBRUSH FormPalette::BrushOf(const DesignColour& colour) {
  if (colour.kind == DesignColour::Kind::System) return GetSysColorBrush(colour.systemIndex);
  for (const auto& [rgb, brush] : brushes_) {
    if (rgb == colour.rgb) return brush.get();
  }
  brushes_.emplace_back(colour.rgb, Brush(CreateSolidBrush(colour.rgb)));
  return brushes_.back().second.get();
}

}  // namespace corvalidyne
