#pragma once

#include <windows.h>

#include <span>
#include <string_view>
#include <vector>

#include "dpi.h"
#include "form_design.h"
#include "unique_handle.h"

namespace corvalidyne {

// A regular (weight 400, upright, ANSI) font of a face at a character height in pixels.
Font CreateRegularFont(std::wstring_view face, int characterHeight);

// A text and the box it must fit, in pixels.
struct TextBox {
  std::wstring_view text;
  int width;
  int height;
};

inline constexpr int kMostFittedLines = 3;

// The character height (pixels, as a positive lfHeight) at which every box's
// text fits its box in at most kMostFittedLines lines, in the face the system
// really gives for `face`: from `largest` down one pixel at a time to
// `smallest`, which is used even where nothing fits, since a smaller text would
// no longer be readable.
int FittingCharacterHeight(std::wstring_view face, std::span<const TextBox> boxes, int largest, int smallest);

// The fonts of the window's controls at one DPI, each face and size made once
// and freed with the set. Controls without a face of their own take the
// window's default font, the platform's dialog font at 8 points; a role fitted
// to its text (the step descriptions) takes it one pixel smaller at a time,
// down to 7 points, until each of its texts fits its control in
// kMostFittedLines lines in whatever face the system gives for it.
class FormFonts {
 public:
  FormFonts() = default;
  explicit FormFonts(Dpi dpi);

  // The font of a control of the design table.
  [[nodiscard]] HFONT For(const ControlDesign& design) const noexcept;

 private:
  struct Made {
    std::wstring_view face;  // the design's or the dialog font's: it outlives the set
    int characterHeight;
    Font font;
  };

  HFONT Make(std::wstring_view face, int characterHeight);

  std::vector<Made> made_;
  std::vector<HFONT> byControl_;  // in the order of the design table
};

}  // namespace corvalidyne
