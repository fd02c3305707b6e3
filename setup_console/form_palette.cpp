#include "form_palette.h"

namespace corvalidyne {

DesignColour FormPalette::Shown(const DesignColour& colour) const noexcept {
  return highContrast_ ? HighContrastColour(colour) : colour;
}

COLORREF FormPalette::Colour(const DesignColour& colour) const noexcept {
  const DesignColour shown = Shown(colour);
  return shown.kind == DesignColour::Kind::System ? GetSysColor(shown.systemIndex) : shown.rgb;
}

HBRUSH FormPalette::BrushFor(const DesignColour& colour) {
  const DesignColour shown = Shown(colour);
  if (shown.kind == DesignColour::Kind::System) return GetSysColorBrush(shown.systemIndex);
  for (const auto& [rgb, brush] : brushes_) {
    if (rgb == shown.rgb) return brush.get();
  }
  brushes_.emplace_back(shown.rgb, Brush(CreateSolidBrush(shown.rgb)));
  return brushes_.back().second.get();
}

}  // namespace corvalidyne
