#include "form_fonts.h"

#include "device_context.h"

namespace corvalidyne {

namespace {

constexpr wchar_t kDialogFace[] = L"MS Shell Dlg 2";
constexpr int kSmallestDescriptionCentipoints = 700;

// Lines the text needs when a label of the box's width wraps it in the font
// selected into the device context, and their height in pixels.
struct WrappedExtent {
  int lines;
  int height;
};

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

bool AllFit(HDC dc, std::span<const TextBox> boxes) {
  for (const TextBox& box : boxes) {
    const WrappedExtent extent = MeasureWrapped(dc, box);
    if (extent.lines > kMostDescriptionLines || extent.height > box.height) return false;
  }
  return true;
}

// Labels in the window's default font are the step descriptions.
bool IsDescription(const ControlDesign& design) {
  return design.kind == ControlKind::Label && design.font.face == nullptr;
}

int FitDescriptions(int dpi) {
  std::vector<TextBox> descriptions;
  for (const auto& design : SetupFormControls()) {
    if (IsDescription(design)) {
      descriptions.push_back({design.text, Pixels(design.width, dpi), Pixels(design.height, dpi)});
    }
  }
  return FittingCharacterHeight(kDialogFace, descriptions, CharacterHeight(kDialogCentipoints, dpi),
                                CharacterHeight(kSmallestDescriptionCentipoints, dpi));
}

}  // namespace

Font CreateRegularFont(std::wstring_view face, int characterHeight) {
  LOGFONTW logFont{};
  logFont.lfHeight = -characterHeight;
  logFont.lfWeight = FW_NORMAL;
  logFont.lfCharSet = ANSI_CHARSET;
  logFont.lfQuality = DEFAULT_QUALITY;
  face.copy(logFont.lfFaceName, LF_FACESIZE - 1);
  return Font(CreateFontIndirectW(&logFont));
}

int FittingCharacterHeight(std::wstring_view face, std::span<const TextBox> boxes, int largest,
                           int smallest) {
  const WindowDc screen;
  int height = largest;
  for (; height > smallest; --height) {
    const Font font = CreateRegularFont(face, height);
    const ScopedSelection selected(screen.get(), font.get());
    if (AllFit(screen.get(), boxes)) break;
  }
  return height;
}

FormFonts::FormFonts(int dpi) : dpi_(dpi), descriptionHeight_(FitDescriptions(dpi)) {}

HFONT FormFonts::For(const ControlDesign& design) {
  if (design.font.face != nullptr)
    return Make(design.font.face, CharacterHeight(design.font.centipoints, dpi_));
  if (IsDescription(design)) return Make(kDialogFace, descriptionHeight_);
  return Make(kDialogFace, CharacterHeight(kDialogCentipoints, dpi_));
}

HFONT FormFonts::Make(std::wstring_view face, int characterHeight) {
  for (const Made& made : made_) {
    if (made.face == face && made.characterHeight == characterHeight) return made.font.get();
  }
  made_.push_back({face, characterHeight, CreateRegularFont(face, characterHeight)});
  return made_.back().font.get();
}

}  // namespace corvalidyne
