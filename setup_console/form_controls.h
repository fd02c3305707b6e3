#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

#include "dpi.h"
#include "form_design.h"
#include "form_fonts.h"

namespace corvalidyne {

// The window's controls, made from the design table and laid out from it at a
// DPI; each control's design row stays with its window.
class FormControls {
 public:
  // Creates every control of the design inside `form`, at `dpi`, in its font.
  void Create(HWND form, HINSTANCE instance, Dpi dpi, const FormFonts& fonts);
  // Moves and sizes every control to the design at `dpi`, and tells the panels.
  void Place(Dpi dpi) const;
  // Gives every control its font of the set.
  void SetFonts(const FormFonts& fonts) const;
  // Forgets the windows, which the form's destruction has destroyed.
  void Clear() noexcept { placed_.clear(); }

  [[nodiscard]] HWND Window(FormControl id) const noexcept;
  [[nodiscard]] HWND Window(std::wstring_view name) const noexcept;
  // The design row of one of the controls; nullptr for any other window.
  [[nodiscard]] const ControlDesign* DesignOf(HWND control) const noexcept;

 private:
  struct Placed {
    const ControlDesign* design;
    HWND window;
  };

  std::vector<Placed> placed_;
};

}  // namespace corvalidyne
