#include "setup_form.h"

#include <algorithm>

#include "accessible_object.h"
#include "fatal_error.h"
#include "form_fonts.h"
#include "panel.h"

namespace corvalidyne {

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kCentipointsPerInch = 7200;
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;

// The window's default font: the platform's standard dialog font, 8 points. The
// descriptions take it one pixel smaller at a time, down to 7 points, until each
// fits its label in three lines in whatever face the system gives for it.
constexpr wchar_t kDialogFace[] = L"MS Shell Dlg 2";
constexpr int kDialogCentipoints = 800;
constexpr int kSmallestDescriptionCentipoints = 700;

int ScreenDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

COLORREF Resolve(const DesignColour& colour) {
  return colour.kind == DesignColour::Kind::System ? GetSysColor(colour.systemIndex) : colour.rgb;
}

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

// Whether Tab stops at the control or at one inside it.
bool HoldsTabStop(const ControlDesign& design) {
  if (design.kind == ControlKind::PushButton) return true;
  if (design.kind != ControlKind::Panel) return false;
  for (const auto& inner : SetupFormControls()) {
    if (inner.container != nullptr && design.name == std::wstring_view(inner.container) &&
        HoldsTabStop(inner)) {
      return true;
    }
  }
  return false;
}

int TypeSize(const ControlDesign& design) {
  return design.font.face ? design.font.centipoints : kDialogCentipoints;
}

// Containers first, then their contents. Creation order is z-order, which Tab
// and screen readers both follow. Within a container, what Tab never stops at
// comes first, larger type first: a reader says the header band before the
// steps and a step's digit and description before its Install button, and
// "Installation" lies above the smaller "Corvalidyne" it overlaps. The rest
// follow by tab index, so Tab visits the buttons by tab index.
std::vector<const ControlDesign*> CreationOrder() {
  std::vector<const ControlDesign*> order;
  for (const auto& design : SetupFormControls()) order.push_back(&design);
  std::stable_sort(order.begin(), order.end(), [](const ControlDesign* a, const ControlDesign* b) {
    const bool aNested = a->container != nullptr;
    const bool bNested = b->container != nullptr;
    if (aNested != bNested) return !aNested;
    const bool aTabStop = HoldsTabStop(*a);
    if (aTabStop != HoldsTabStop(*b)) return !aTabStop;
    if (!aTabStop && TypeSize(*a) != TypeSize(*b)) return TypeSize(*a) > TypeSize(*b);
    return a->tabIndex < b->tabIndex;
  });
  return order;
}

// The program icon at a size; shared, so the system owns it.
HICON ProgramIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                       GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric),
                                       LR_SHARED));
}

void RegisterFormClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = ProgramIcon(instance, SM_CXICON, SM_CYICON);
  windowClass.hIconSm = ProgramIcon(instance, SM_CXSMICON, SM_CYSMICON);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = SetupForm::kClassName;
  RegisterClassExW(&windowClass);
}

}  // namespace

SetupForm::SetupForm(HINSTANCE instance, int dpi) : instance_(instance), dpi_(dpi > 0 ? dpi : ScreenDpi()) {}

SetupForm::~SetupForm() {
  if (window_ != nullptr) DestroyWindow(window_);
}

std::unique_ptr<SetupForm> SetupForm::Create(HINSTANCE instance, int dpi) {
  std::unique_ptr<SetupForm> form(new SetupForm(instance, dpi));
  RegisterPanelClass(instance);
  RegisterFormClass(instance, WindowProc);

  RECT frame{0, 0, form->Pixels(SetupFormDesign().clientWidth), form->Pixels(SetupFormDesign().clientHeight)};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  CreateWindowExW(0, kClassName, SetupFormDesign().caption, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, form.get());
  if (form->window_ == nullptr) return nullptr;
  return form;
}

void SetupForm::Show() {
  RECT frame;
  GetWindowRect(window_, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(window_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window_, SW_SHOWNORMAL);
  SetForegroundWindow(window_);
  UpdateWindow(window_);
  // The system may withhold activation (no foreground rights); the steps are
  // refreshed before the first click all the same.
  RunFirstActivation();
}

HWND SetupForm::Control(FormControl id) const noexcept {
  for (const auto& placed : controls_) {
    if (placed.design->id == id) return placed.window;
  }
  return nullptr;
}

HWND SetupForm::Control(std::wstring_view name) const noexcept {
  for (const auto& placed : controls_) {
    if (name == placed.design->name) return placed.window;
  }
  return nullptr;
}

LRESULT CALLBACK SetupForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<SetupForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<SetupForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  try {
    return form->HandleMessage(message, wParam, lParam);
  } catch (...) {
    EndWithError(window, std::current_exception());
  }
}

LRESULT SetupForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_ACTIVATE:
      OnActivate(wParam);
      return 0;
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case WM_ERASEBKGND:
      return OnEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return OnColourRequest(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_SETCURSOR:
      return OnSetCursor(wParam, lParam);
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      OnEndSession(wParam != FALSE);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      OnNcDestroy();
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

void SetupForm::OnCreate() {
  // Set on the window as well, where the task bar and other programs ask for it.
  SendMessageW(window_, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(ProgramIcon(instance_, SM_CXICON, SM_CYICON)));
  SendMessageW(window_, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(ProgramIcon(instance_, SM_CXSMICON, SM_CYSMICON)));
  CreateControls();
}

void SetupForm::OnActivate(WPARAM state) {
  if (LOWORD(state) == WA_INACTIVE) {
    lastFocus_ = GetFocus();
    return;
  }
  RunFirstActivation();
}

void SetupForm::OnSetFocus() {
  if (lastFocus_ != nullptr && IsChild(window_, lastFocus_) && IsWindowEnabled(lastFocus_)) {
    SetFocus(lastFocus_);
    return;
  }
  if (const HWND first = GetNextDlgTabItem(window_, nullptr, FALSE)) SetFocus(first);
}

LRESULT SetupForm::OnEraseBackground(HDC dc) {
  RECT client;
  GetClientRect(window_, &client);
  FillRect(dc, &client, BrushFor(SetupFormDesign().background));
  return 1;
}

LRESULT SetupForm::OnColourRequest(UINT message, HDC dc, HWND control) {
  const PlacedControl* placed = FindPlaced(control);
  if (placed == nullptr || placed->design->background.kind == DesignColour::Kind::Standard) {
    return DefWindowProcW(window_, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  }
  if (placed->design->foreground.kind != DesignColour::Kind::Standard) {
    SetTextColor(dc, Resolve(placed->design->foreground));
  }
  SetBkColor(dc, Resolve(placed->design->background));
  return reinterpret_cast<LRESULT>(BrushFor(placed->design->background));
}

void SetupForm::OnCommand(int id, int notification, HWND control) {
  // Enter reaches a window that is not a dialog as IDOK: it acts on the focused button alone.
  if (id == IDOK && control == nullptr) {
    const HWND focus = GetFocus();
    const PlacedControl* placed = FindPlaced(focus);
    if (placed != nullptr && placed->design->kind == ControlKind::PushButton && IsWindowEnabled(focus)) {
      SendMessageW(focus, BM_CLICK, 0, 0);
    }
    return;
  }
  // Only a click of a button that exists runs a command: a command without a
  // control (a menu, an accelerator, Esc's IDCANCEL) or another notification does not.
  if (control == nullptr || notification != BN_CLICKED) return;
  const PlacedControl* placed = FindPlaced(control);
  if (placed != nullptr && ControlId(*placed->design) == id) RunCommand(placed->design->id);
}

LRESULT SetupForm::OnSetCursor(WPARAM wParam, LPARAM lParam) {
  if (installersRunning_ == 0) return DefWindowProcW(window_, WM_SETCURSOR, wParam, lParam);
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return TRUE;
}

// The session ends without a close: the close request runs here, or never.
void SetupForm::OnEndSession(bool ending) {
  if (ending) OnClose();
}

void SetupForm::OnClose() {
  RunCloseRequest();
  DestroyWindow(window_);
}

void SetupForm::OnNcDestroy() {
  window_ = nullptr;
  controls_.clear();
}

void SetupForm::CreateControls() {
  descriptionHeight_ = FitDescriptions();
  for (const ControlDesign* design : CreationOrder()) CreateControl(*design);
}

// Labels in the window's default font are the step descriptions.
int SetupForm::FitDescriptions() const {
  std::vector<TextBox> descriptions;
  for (const auto& design : SetupFormControls()) {
    if (design.kind == ControlKind::Label && design.font.face == nullptr) {
      descriptions.push_back({design.text, Pixels(design.width), Pixels(design.height)});
    }
  }
  return FittingCharacterHeight(kDialogFace, descriptions, CharacterHeight(kDialogCentipoints),
                                CharacterHeight(kSmallestDescriptionCentipoints));
}

void SetupForm::CreateControl(const ControlDesign& design) {
  const HWND parent = design.container != nullptr ? Control(design.container) : window_;
  const DWORD extendedStyle = design.kind == ControlKind::Panel ? WS_EX_CONTROLPARENT : 0;
  const HWND control = CreateWindowExW(
      extendedStyle, WindowClassOf(design.kind), design.text, StyleOf(design.kind), Pixels(design.left),
      Pixels(design.top), Pixels(design.width), Pixels(design.height), parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(design))), instance_, nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(design)), FALSE);
  // A button's own text does not say which step it installs; its panel's caption does.
  if (design.kind == ControlKind::PushButton && design.container != nullptr) NameAfterContainer(control);
  controls_.push_back({&design, control});
}

HFONT SetupForm::FontOf(const ControlDesign& design) {
  if (design.font.face != nullptr) {
    return FontFor(design.font.face, CharacterHeight(design.font.centipoints));
  }
  if (design.kind == ControlKind::Label) return FontFor(kDialogFace, descriptionHeight_);
  return FontFor(kDialogFace, CharacterHeight(kDialogCentipoints));
}

HFONT SetupForm::FontFor(std::wstring_view face, int characterHeight) {
  for (const auto& [key, created] : fonts_) {
    if (key.face == face && key.characterHeight == characterHeight) return created.get();
  }
  fonts_.emplace_back(FontKey{std::wstring(face), characterHeight}, CreateRegularFont(face, characterHeight));
  return fonts_.back().second.get();
}

HBRUSH SetupForm::BrushFor(const DesignColour& colour) {
  if (colour.kind == DesignColour::Kind::System) return GetSysColorBrush(colour.systemIndex);
  for (const auto& [rgb, brush] : brushes_) {
    if (rgb == colour.rgb) return brush.get();
  }
  brushes_.emplace_back(colour.rgb, Brush(CreateSolidBrush(colour.rgb)));
  return brushes_.back().second.get();
}

const SetupForm::PlacedControl* SetupForm::FindPlaced(HWND control) const noexcept {
  for (const auto& placed : controls_) {
    if (placed.window == control) return &placed;
  }
  return nullptr;
}

int SetupForm::Pixels(int twips) const noexcept { return MulDiv(twips, dpi_, kTwipsPerInch); }

int SetupForm::CharacterHeight(int centipoints) const noexcept {
  return MulDiv(centipoints, dpi_, kCentipointsPerInch);
}

void SetupForm::RunFirstActivation() {
  if (activated_) return;
  activated_ = true;
  RefreshSteps();
}

void SetupForm::KeepFocusOnEnabledControl() {
  const HWND focus = GetFocus();
  if (focus != nullptr && IsChild(window_, focus) && IsWindowEnabled(focus)) return;
  if (GetActiveWindow() != window_) return;
  if (const HWND next = GetNextDlgTabItem(window_, focus, FALSE)) SetFocus(next);
}

}  // namespace corvalidyne
