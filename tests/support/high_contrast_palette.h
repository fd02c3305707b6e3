#pragma once

#include <windows.h>

#include <array>

namespace corvalidyne::testing {

// The system colours of a black high-contrast theme, as Windows ships it, which
// a test or a screenshot sets with SetSysColors. None of them is one of the
// design's fixed colours except black.
struct SystemColourSetting {
  int element;
  COLORREF colour;
};
inline constexpr std::array kHighContrastBlack{
    SystemColourSetting{COLOR_BACKGROUND, RGB(0x00, 0x00, 0x00)},
    SystemColourSetting{COLOR_WINDOW, RGB(0x00, 0x00, 0x00)},
    SystemColourSetting{COLOR_WINDOWTEXT, RGB(0xFF, 0xFF, 0xFF)},
    SystemColourSetting{COLOR_BTNFACE, RGB(0x00, 0x00, 0x00)},
    SystemColourSetting{COLOR_BTNTEXT, RGB(0xFF, 0xFF, 0xFF)},
    SystemColourSetting{COLOR_BTNHIGHLIGHT, RGB(0xFF, 0xFF, 0xFF)},
    SystemColourSetting{COLOR_BTNSHADOW, RGB(0xFF, 0xFF, 0xFF)},
    SystemColourSetting{COLOR_3DLIGHT, RGB(0xFF, 0xFF, 0xFF)},
    SystemColourSetting{COLOR_3DDKSHADOW, RGB(0xFF, 0xFF, 0xFF)},
    SystemColourSetting{COLOR_HIGHLIGHT, RGB(0x1A, 0xEB, 0xFF)},
    SystemColourSetting{COLOR_HIGHLIGHTTEXT, RGB(0x00, 0x00, 0x00)},
    SystemColourSetting{COLOR_GRAYTEXT, RGB(0x3F, 0xF2, 0x3F)},
};

// Sets the palette's colours for the whole session (every program of the Wine
// prefix sees them) and puts the previous ones back when it goes.
class SystemColours {
 public:
  SystemColours() {
    for (std::size_t i = 0; i < kHighContrastBlack.size(); ++i) {
      elements_[i] = kHighContrastBlack[i].element;
      before_[i] = GetSysColor(elements_[i]);
      wanted_[i] = kHighContrastBlack[i].colour;
    }
    SetSysColors(static_cast<int>(elements_.size()), elements_.data(), wanted_.data());
  }
  ~SystemColours() { SetSysColors(static_cast<int>(elements_.size()), elements_.data(), before_.data()); }
  SystemColours(const SystemColours&) = delete;
  SystemColours& operator=(const SystemColours&) = delete;

 private:
  std::array<INT, kHighContrastBlack.size()> elements_{};
  std::array<COLORREF, kHighContrastBlack.size()> before_{};
  std::array<COLORREF, kHighContrastBlack.size()> wanted_{};
};

}  // namespace corvalidyne::testing
