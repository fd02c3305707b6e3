#pragma once

#include <windows.h>

#include <span>
#include <string_view>

namespace corvalidyne {

enum class ControlKind { Panel, Label, PushButton };

// What each control is, as its ID, clear of IDOK and IDCANCEL, which the
// keyboard interface sends for Enter and Esc. The designer's names (Label5 for
// step 2's digit) stay in the design table, for the tests and for readers.
enum class FormControl : int {
  StepOnePanel = 100,
  StepOneDigit,
  StepOneDescription,
  StepOneInstall,
  HeaderBand,
  HeaderHeading,
  StepTwoPanel,
  StepTwoInstall,
  StepTwoDescription,
  StepTwoDigit,
  StepThreePanel,
  StepThreeInstall,
  StepThreeDescription,
  StepThreeDigit,
  HeaderProductWord,
  Close,
  ViewReadme,
};

// A colour as the design gives it: #RRGGBB, a system colour index, or the
// control's standard look (nothing set).
struct DesignColour {
  enum class Kind { Rgb, System, Standard };
  Kind kind = Kind::Standard;
  COLORREF rgb = 0;
  int systemIndex = 0;

  constexpr bool operator==(const DesignColour&) const = default;
};

constexpr DesignColour Rgb(unsigned rrggbb) {
  return {DesignColour::Kind::Rgb, RGB((rrggbb >> 16) & 0xFF, (rrggbb >> 8) & 0xFF, rrggbb & 0xFF), 0};
}
constexpr DesignColour SystemColour(int index) { return {DesignColour::Kind::System, 0, index}; }
inline constexpr DesignColour kStandardColour{};

// Face and size in hundredths of a point; no face means the window's default
// font, the platform's dialog font at 8 points.
inline constexpr int kDialogCentipoints = 800;
struct DesignFont {
  const wchar_t* face = nullptr;
  int centipoints = 0;
};
inline constexpr DesignFont kDefaultFont{};

// What a control is to the reader: its role chooses its colours under a
// high-contrast theme and whether its font is fitted to its text.
enum class ControlRole { HeaderBand, HeaderText, Caption, Digit, Description, Button };

// A role's looks beyond the design's own colours.
struct RoleDesign {
  DesignColour highContrastBackground;
  DesignColour highContrastText;
  // The font shrinks, for every control of the role alike, until each text fits
  // its control (the step descriptions).
  bool fittedToText;
};

// One control of the window. Positions and sizes are twips from the top-left
// corner of the container (nullptr: the window's client area).
struct ControlDesign {
  FormControl id;
  const wchar_t* name;
  ControlKind kind;
  ControlRole role;
  const wchar_t* container;
  int left, top, width, height;
  const wchar_t* text;
  DesignFont font;
  DesignColour background;
  DesignColour foreground;
  int tabIndex;
};

// Positions and sizes are in twips, type sizes in hundredths of a point; on a
// screen they become pixels at the DPI the window is laid out at (Dpi).
struct WindowDesign {
  const wchar_t* caption;
  int clientWidth, clientHeight;  // twips
  DesignColour background;
  DesignColour highContrastBackground;
};

const WindowDesign& SetupFormDesign();
std::span<const ControlDesign> SetupFormControls();
const ControlDesign* FindControlDesign(std::wstring_view name);

// The controls in the order they are created: containers first, then their
// contents. Creation order is z-order, which Tab and screen readers both
// follow. Within a container, what Tab never stops at comes first, larger type
// first: a reader says the header band before the steps and a step's digit and
// description before its Install button, and "Installation" lies above the
// smaller "Corvalidyne" it overlaps. The rest follow by tab index, so Tab
// visits the buttons by tab index.
std::span<const ControlDesign* const> CreationOrder();

const RoleDesign& DesignOfRole(ControlRole role);

constexpr int ControlId(const ControlDesign& design) { return static_cast<int>(design.id); }

}  // namespace corvalidyne
