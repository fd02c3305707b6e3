#pragma once

#include <windows.h>

#include <utility>
#include <vector>

#include "form_design.h"
#include "unique_handle.h"

namespace corvalidyne {

// The colours the window paints with: the design's, or under a high-contrast
// theme the system colours of the same roles. A brush of a fixed colour is made
// once and lives as long as the palette; system colours use the system's brushes.
class FormPalette {
 public:
  explicit FormPalette(bool highContrast = false) noexcept : highContrast_(highContrast) {}

  [[nodiscard]] bool HighContrast() const noexcept { return highContrast_; }
  [[nodiscard]] COLORREF Colour(const DesignColour& colour) const noexcept;
  [[nodiscard]] HBRUSH BrushFor(const DesignColour& colour);

 private:
  [[nodiscard]] DesignColour Shown(const DesignColour& colour) const noexcept;

  bool highContrast_;
  std::vector<std::pair<COLORREF, Brush>> brushes_;
};

}  // namespace corvalidyne
