#include "form_controls.h"

#include "accessible_object.h"
#include "panel.h"

namespace corvalidyne {

namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;

const wchar_t* WindowClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Panel:
      return kPanelClassName;
    case ControlKind::Label:
      return L"Static";
    case ControlKind::PushButton:
      return L"Button";
  }
  return L"Static";
}

DWORD StyleOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Panel:
      return kChildStyle | WS_CLIPCHILDREN;
    case ControlKind::Label:
      return kChildStyle | SS_LEFT | SS_NOPREFIX;
    case ControlKind::PushButton:
      return kChildStyle | WS_TABSTOP | BS_PUSHBUTTON;
  }
  return kChildStyle;
}

}  // namespace

void FormControls::Create(HWND form, HINSTANCE instance, Dpi dpi, const FormFonts& fonts) {
  for (const ControlDesign* design : CreationOrder()) {
    const HWND parent = design->container != nullptr ? Window(design->container) : form;
    const DWORD extendedStyle = design->kind == ControlKind::Panel ? WS_EX_CONTROLPARENT : 0;
    const HWND control =
        CreateWindowExW(extendedStyle, WindowClassOf(design->kind), design->text, StyleOf(design->kind),
                        dpi.FromTwips(design->left), dpi.FromTwips(design->top), dpi.FromTwips(design->width),
                        dpi.FromTwips(design->height), parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(*design))), instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.For(*design)), FALSE);
    if (design->kind == ControlKind::Panel) TellPanelDpi(control, dpi);
    // A button's own text does not say which step it installs; its panel's caption does.
    if (design->kind == ControlKind::PushButton && design->container != nullptr) NameAfterContainer(control);
    placed_.push_back({design, control});
  }
}

void FormControls::Place(Dpi dpi) const {
  for (const Placed& placed : placed_) {
    const ControlDesign& design = *placed.design;
    SetWindowPos(placed.window, nullptr, dpi.FromTwips(design.left), dpi.FromTwips(design.top),
                 dpi.FromTwips(design.width), dpi.FromTwips(design.height),
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    if (design.kind == ControlKind::Panel) TellPanelDpi(placed.window, dpi);
  }
}

void FormControls::SetFonts(const FormFonts& fonts) const {
  for (const Placed& placed : placed_) {
    SendMessageW(placed.window, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.For(*placed.design)), FALSE);
  }
}

HWND FormControls::Window(FormControl id) const noexcept {
  for (const Placed& placed : placed_) {
    if (placed.design->id == id) return placed.window;
  }
  return nullptr;
}

HWND FormControls::Window(std::wstring_view name) const noexcept {
  for (const Placed& placed : placed_) {
    if (name == placed.design->name) return placed.window;
  }
  return nullptr;
}

const ControlDesign* FormControls::DesignOf(HWND control) const noexcept {
  for (const Placed& placed : placed_) {
    if (placed.window == control) return placed.design;
  }
  return nullptr;
}

}  // namespace corvalidyne
