#include "form_fonts.h"

#include "device_context.h"

namespace corvalidyne {

namespace {

constexpr wchar_t kDialogFace[] = L"MS Shell Dlg 2";
constexpr int kSmallestFittedCentipoints = 700;

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
    if (extent.lines > kMostFittedLines || extent.height > box.height) return false;
  }
  return true;
}

bool FittedToText(const ControlDesign& design) { return DesignOfRole(design.role).fittedToText; }

// The one character height of every control fitted to its text, in the dialog face.
int FittedHeight(Dpi dpi) {
  std::vector<TextBox> boxes;
  for (const auto& design : SetupFormControls()) {
    if (FittedToText(design))
      boxes.push_back({design.text, dpi.FromTwips(design.width), dpi.FromTwips(design.height)});
  }
  return FittingCharacterHeight(kDialogFace, boxes, dpi.FontHeight(kDialogCentipoints),
                                dpi.FontHeight(kSmallestFittedCentipoints));
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
    const auto selected = SelectForScope(screen.get(), font.get());
    if (AllFit(screen.get(), boxes)) break;
  }
  return height;
}

FormFonts::FormFonts(Dpi dpi) {
  const int fitted = FittedHeight(dpi);
  for (const auto& design : SetupFormControls()) {
    if (design.font.face != nullptr) {
      byControl_.push_back(Make(design.font.face, dpi.FontHeight(design.font.centipoints)));
    } else {
      byControl_.push_back(
          Make(kDialogFace, FittedToText(design) ? fitted : dpi.FontHeight(kDialogCentipoints)));
    }
  }
}

HFONT FormFonts::For(const ControlDesign& design) const noexcept {
  const auto controls = SetupFormControls();
  for (std::size_t i = 0; i < controls.size() && i < byControl_.size(); ++i) {
    if (&controls[i] == &design) return byControl_[i];
  }
  return nullptr;
}

HFONT FormFonts::Make(std::wstring_view face, int characterHeight) {
  for (const Made& made : made_) {
    if (made.face == face && made.characterHeight == characterHeight) return made.font.get();
  }
  made_.push_back({face, characterHeight, CreateRegularFont(face, characterHeight)});
  return made_.back().font.get();
}

}  // namespace corvalidyne
