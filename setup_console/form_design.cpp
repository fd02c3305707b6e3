#include "form_design.h"

#include <algorithm>
#include <array>

namespace corvalidyne {

namespace {

constexpr DesignFont Arial(int centipoints) { return {L"Arial", centipoints}; }

constexpr auto kGrey = Rgb(0xE0E0E0);
constexpr auto kBlack = Rgb(0x000000);
constexpr auto kWhite = Rgb(0xFFFFFF);
constexpr auto kDesktop = SystemColour(COLOR_BACKGROUND);
constexpr auto kWindowText = SystemColour(COLOR_WINDOWTEXT);
constexpr auto kHighlight = SystemColour(COLOR_HIGHLIGHT);
constexpr auto kButtonText = SystemColour(COLOR_BTNTEXT);

// Under a high-contrast theme the grey of the window and the steps gives way
// to the theme's button face, on which every theme makes button text legible.
constexpr WindowDesign kWindow{L"Corvalidyne, Inc.", 6390, 7155, kGrey, SystemColour(COLOR_BTNFACE)};

using K = ControlKind;
using C = FormControl;
using R = ControlRole;

// clang-format off
constexpr std::array kControls{
  ControlDesign{C::HeaderBand, L"Frame2", K::Panel, R::HeaderBand, nullptr, 0, 0, 6375, 1215, L"", kDefaultFont, kDesktop, kWindowText, 4},
  ControlDesign{C::HeaderProductWord, L"Label8", K::Label, R::HeaderText, L"Frame2", 120, 120, 3615, 495, L"Corvalidyne", Arial(1575), kDesktop, kWhite, 14},
  ControlDesign{C::HeaderHeading, L"Label3", K::Label, R::HeaderText, L"Frame2", 600, 480, 4575, 615, L"Installation", Arial(2625), kDesktop, kWhite, 5},

  ControlDesign{C::StepOnePanel, L"Step1", K::Panel, R::Caption, nullptr, 240, 1320, 5895, 1695, L"Microsoft .Net Framework v1.1", Arial(975), kGrey, kHighlight, 0},
  ControlDesign{C::StepOneDigit, L"Label1", K::Label, R::Digit, L"Step1", 120, 360, 735, 975, L"1", Arial(4800), kGrey, kBlack, 1},
  ControlDesign{C::StepOneDescription, L"Label2", K::Label, R::Description, L"Step1", 1080, 360, 3855, 615,
                L"The .NET Framework version 1.1 is a component of the Microsoft Windows\u00AE operating system "
                L"used to build and run Windows-based applications. ",
                kDefaultFont, kGrey, kButtonText, 2},
  ControlDesign{C::StepOneInstall, L"cmdInstallStep1", K::PushButton, R::Button, L"Step1", 4560, 1200, 1215, 375, L"Install", kDefaultFont, kGrey, kStandardColour, 3},

  ControlDesign{C::StepTwoPanel, L"Step2", K::Panel, R::Caption, nullptr, 240, 3120, 5895, 1695, L"Microsoft SQL Server 2000 (Desktop Edition)", Arial(975), kGrey, kHighlight, 6},
  ControlDesign{C::StepTwoDigit, L"Label5", K::Label, R::Digit, L"Step2", 120, 360, 735, 975, L"2", Arial(4800), kGrey, kBlack, 9},
  ControlDesign{C::StepTwoDescription, L"Label4", K::Label, R::Description, L"Step2", 1080, 360, 3855, 615,
                L"The Microsoft SQL Server 2000 Desktop Engine (MSDE 2000) is a data engine built and based on "
                L"core SQL Server technology.",
                kDefaultFont, kGrey, kButtonText, 8},
  ControlDesign{C::StepTwoInstall, L"cmdInstallStep2", K::PushButton, R::Button, L"Step2", 4560, 1200, 1215, 375, L"Install", kDefaultFont, kGrey, kStandardColour, 7},

  ControlDesign{C::StepThreePanel, L"Step3", K::Panel, R::Caption, nullptr, 240, 4920, 5895, 1695, L"Corvalidyne Web Application", Arial(975), kGrey, kHighlight, 10},
  ControlDesign{C::StepThreeDigit, L"Label7", K::Label, R::Digit, L"Step3", 120, 360, 735, 975, L"3", Arial(4800), kGrey, kBlack, 13},
  ControlDesign{C::StepThreeDescription, L"Label6", K::Label, R::Description, L"Step3", 1080, 360, 3855, 615, L"Instant Intranet for Small Business.", kDefaultFont, kGrey, kButtonText, 12},
  ControlDesign{C::StepThreeInstall, L"cmdInstallStep3", K::PushButton, R::Button, L"Step3", 4560, 1200, 1215, 375, L"Install", kDefaultFont, kGrey, kStandardColour, 11},

  ControlDesign{C::ViewReadme, L"cmdViewReadme", K::PushButton, R::Button, nullptr, 240, 6720, 1335, 375, L"View Readme", kDefaultFont, kStandardColour, kStandardColour, 16},
  ControlDesign{C::Close, L"cmdClose", K::PushButton, R::Button, nullptr, 4800, 6720, 1215, 375, L"Close", kDefaultFont, kStandardColour, kStandardColour, 15},
};
// clang-format on

// Whether Tab stops at the control or at one inside it.
constexpr bool HoldsTabStop(const ControlDesign& design) {
  if (design.kind == ControlKind::PushButton) return true;
  if (design.kind != ControlKind::Panel) return false;
  return std::ranges::any_of(kControls, [&](const ControlDesign& inner) {
    return inner.container != nullptr && std::wstring_view(design.name) == inner.container &&
           HoldsTabStop(inner);
  });
}

constexpr int TypeSize(const ControlDesign& design) {
  return design.font.face != nullptr ? design.font.centipoints : kDialogCentipoints;
}

constexpr bool CreatedBefore(const ControlDesign* a, const ControlDesign* b) {
  const bool aNested = a->container != nullptr;
  const bool bNested = b->container != nullptr;
  if (aNested != bNested) return !aNested;
  const bool aTabStop = HoldsTabStop(*a);
  if (aTabStop != HoldsTabStop(*b)) return !aTabStop;
  if (!aTabStop && TypeSize(*a) != TypeSize(*b)) return TypeSize(*a) > TypeSize(*b);
  return a->tabIndex < b->tabIndex;
}

// Worked out when the program is built: the tab indices are unique, so the
// order is total.
constexpr auto kCreationOrder = [] {
  std::array<const ControlDesign*, kControls.size()> order{};
  for (std::size_t i = 0; i < kControls.size(); ++i) order[i] = &kControls[i];
  std::ranges::sort(order, CreatedBefore);
  return order;
}();

// Each role's colours under a high-contrast theme. The header band and its
// texts take the theme's selection pair, which every theme makes legible and
// which keeps the band apart from the steps; the steps keep the button face and
// its text, their captions the highlight. Where the design leaves a control's
// colour standard, the system's stays there too.
struct RoleRow {
  ControlRole role;
  RoleDesign design;
};
constexpr RoleRow kRoles[] = {
    {R::HeaderBand, {SystemColour(COLOR_HIGHLIGHT), SystemColour(COLOR_HIGHLIGHTTEXT), false}},
    {R::HeaderText, {SystemColour(COLOR_HIGHLIGHT), SystemColour(COLOR_HIGHLIGHTTEXT), false}},
    {R::Caption, {SystemColour(COLOR_BTNFACE), SystemColour(COLOR_HIGHLIGHT), false}},
    {R::Digit, {SystemColour(COLOR_BTNFACE), SystemColour(COLOR_BTNTEXT), false}},
    {R::Description, {SystemColour(COLOR_BTNFACE), SystemColour(COLOR_BTNTEXT), true}},
    {R::Button, {SystemColour(COLOR_BTNFACE), kStandardColour, false}},
};
// A role's row is found by its place.
static_assert([] {
  for (std::size_t i = 0; i < std::size(kRoles); ++i) {
    if (static_cast<std::size_t>(kRoles[i].role) != i) return false;
  }
  return std::size(kRoles) == static_cast<std::size_t>(R::Button) + 1;
}());

}  // namespace

const WindowDesign& SetupFormDesign() { return kWindow; }

const RoleDesign& DesignOfRole(ControlRole role) { return kRoles[static_cast<std::size_t>(role)].design; }

std::span<const ControlDesign> SetupFormControls() { return kControls; }

std::span<const ControlDesign* const> CreationOrder() { return kCreationOrder; }

const ControlDesign* FindControlDesign(std::wstring_view name) {
  for (const auto& design : kControls) {
    if (name == design.name) return &design;
  }
  return nullptr;
}

}  // namespace corvalidyne
