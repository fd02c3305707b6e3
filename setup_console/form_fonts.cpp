#include "form_fonts.h"

namespace corvalidyne {

Font CreateRegularFont(std::wstring_view face, int characterHeight) {
  LOGFONTW logFont{};
  logFont.lfHeight = -characterHeight;
  logFont.lfWeight = FW_NORMAL;
  logFont.lfCharSet = ANSI_CHARSET;
  logFont.lfQuality = DEFAULT_QUALITY;
  face.copy(logFont.lfFaceName, LF_FACESIZE - 1);
  return Font(CreateFontIndirectW(&logFont));
}

namespace {

bool AllFit(HDC dc, std::span<const TextBox> boxes) {
  for (const TextBox& box : boxes) {
    const WrappedExtent extent = MeasureWrapped(dc, box);
    if (extent.lines > kMostDescriptionLines || extent.height > box.height) return false;
  }
  return true;
}

}  // namespace

WrappedExtent MeasureWrapped(HDC dc, const TextBox& box) {
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  // The flags with which a left-aligned label without prefixes draws its text.
  RECT needed{0, 0, box.width, 0};
  DrawTextW(dc, box.text.data(), static_cast<int>(box.text.size()), &needed,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  const int lineHeight = metrics.tmHeight > 0 ? metrics.tmHeight : 1;
  return {(needed.bottom + lineHeight - 1) / lineHeight, needed.bottom};
}

int FittingCharacterHeight(std::wstring_view face, std::span<const TextBox> boxes, int largest,
                           int smallest) {
  const HDC screen = GetDC(nullptr);
  int height = largest;
  for (; height > smallest; --height) {
    const Font font = CreateRegularFont(face, height);
    const ScopedSelection selected(screen, font.get());
    if (AllFit(screen, boxes)) break;
  }
  ReleaseDC(nullptr, screen);
  return height;
}

}  // namespace corvalidyne
