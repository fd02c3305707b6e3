#pragma once

#include <windows.h>

#include <utility>
#include <vector>

#include "form_design.h"
#include "unique_handle.h"

namespace corvalidyne {

// The colours the window paints with: the design's, or under a high-contrast
// theme the system colours of each control's role. A brush of a fixed colour is
// made once and lives as long as the palette; system colours use the system's
// brushes.
class FormPalette {
 public:
  explicit FormPalette(bool highContrast = false) noexcept : highContrast_(highContrast) {}

  // A control's colours as shown; a standard one (the control's own look) is
  // not asked for.
  [[nodiscard]] COLORREF Text(const ControlDesign& control) const noexcept;
  [[nodiscard]] COLORREF Background(const ControlDesign& control) const noexcept;
  [[nodiscard]] HBRUSH BackgroundBrush(const ControlDesign& control);
  // The window's own background.
  [[nodiscard]] HBRUSH WindowBrush();

 private:
  [[nodiscard]] DesignColour Shown(const DesignColour& design,
                                   const DesignColour& highContrast) const noexcept;
  [[nodiscard]] static COLORREF Resolved(const DesignColour& colour) noexcept;
  [[nodiscard]] HBRUSH BrushOf(const DesignColour& colour);

  bool highContrast_;
  std::vector<std::pair<COLORREF, Brush>> brushes_;
};

}  // namespace corvalidyne
