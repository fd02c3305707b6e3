#pragma once

#include <windows.h>

#include <span>
#include <string_view>

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

inline constexpr int kMostDescriptionLines = 3;

// Lines the text needs when a label of that width wraps it in the font selected
// into the device context, and their height in pixels.
struct WrappedExtent {
  int lines;
  int height;
};
WrappedExtent MeasureWrapped(HDC dc, const TextBox& box);

// The character height (pixels, as a positive lfHeight) at which every box's text
// fits its box in at most three lines, in the face the system really gives for
// `face`: from `largest` down one pixel at a time to `smallest`, which is used
// even where nothing fits, since a smaller text would no longer be readable.
int FittingCharacterHeight(std::wstring_view face, std::span<const TextBox> boxes, int largest, int smallest);

}  // namespace corvalidyne
