#include "setup_form.h"

#include "fatal_error.h"
#include "panel.h"
#include "window_procedure.h"

namespace corvalidyne {

namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

// The program icon at the system's size, for the window class; shared, so the
// system owns it.
HICON SharedProgramIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
  return LoadProgramIcon(instance, GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), LR_SHARED);
}

// The top-left corner of a window of that size centred on the screen.
POINT CentredOnScreen(SIZE size) {
  return {(GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2, (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2};
}

// Common controls keep copies of the system colours, which this message refreshes.
BOOL CALLBACK PassOnColourChange(HWND child, LPARAM) noexcept {
  SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
  return TRUE;
}

bool RegisterFormClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = SharedProgramIcon(instance, SM_CXICON, SM_CYICON);
  windowClass.hIconSm = SharedProgramIcon(instance, SM_CXSMICON, SM_CYSMICON);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = SetupForm::kClassName;
  return RegisterWindowClass(windowClass);
}

}  // namespace

HWND FocusAfterRefresh(HWND window, HWND focus) noexcept {
  if (focus == nullptr || !IsChild(window, focus)) return GetNextDlgTabItem(window, nullptr, FALSE);
  return IsWindowEnabled(focus) ? focus : GetNextDlgTabItem(window, focus, FALSE);
}

SetupForm::SetupForm(HINSTANCE instance, const SetupServices& services)
    : instance_(instance), services_(services), flow_(services, *this) {}

SetupForm::~SetupForm() {
  if (window_ != nullptr) DestroyWindow(window_);
}

std::unique_ptr<SetupForm> SetupForm::Create(HINSTANCE instance, const SetupServices& services) {
  std::unique_ptr<SetupForm> form(new SetupForm(instance, services));
  if (!RegisterPanelClass(instance) || !RegisterFormClass(instance, WindowProc)) return nullptr;

  // A first size from the DPI the window will show at and the system's frame,
  // centred already (a move costs Wine a round trip to the display); once the
  // window knows its own DPI and frame, it is fitted to the design exactly.
  const Dpi dpi = services.display.DpiOf(nullptr);
  RECT frame{0, 0, dpi.FromTwips(SetupFormDesign().clientWidth),
             dpi.FromTwips(SetupFormDesign().clientHeight)};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  const SIZE size{frame.right - frame.left, frame.bottom - frame.top};
  const POINT centred = CentredOnScreen(size);
  CreateWindowExW(0, kClassName, SetupFormDesign().caption, kWindowStyle, centred.x, centred.y, size.cx,
                  size.cy, nullptr, nullptr, instance, form.get());
  if (form->window_ == nullptr) return nullptr;
  form->FitWindowToDesign();
  return form;
}

void SetupForm::Show() {
  RECT frame;
  GetWindowRect(window_, &frame);
  const POINT centred = CentredOnScreen({frame.right - frame.left, frame.bottom - frame.top});
  if (centred.x != frame.left || centred.y != frame.top) {
    SetWindowPos(window_, nullptr, centred.x, centred.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The steps are refreshed before the window shows: its first picture has the
  // right Install button enabled, and the refresh does not wait for an
  // activation that the system may withhold (no foreground rights).
  flow_.RefreshOnce();
  ShowWindow(window_, SW_SHOWNORMAL);
  SetForegroundWindow(window_);
  UpdateWindow(window_);
}

LRESULT CALLBACK SetupForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<SetupForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<SetupForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return WithoutEscape(window, EndWithError, [&] { return form->HandleMessage(message, wParam, lParam); });
}

LRESULT SetupForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_ACTIVATE:
      return OnActivate(wParam, lParam);
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
    case WM_DPICHANGED:
      OnDpiChanged(Dpi(LOWORD(wParam)), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
    case WM_SETTINGCHANGE:
      if (ChangesTheLooks(message, wParam)) OnDisplaySettingsChanged();
      return 0;
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

// The DPI is decided here, once, for the first layout, and told to everything
// laid out at it.
void SetupForm::OnCreate() {
  dpi_ = services_.display.DpiOf(window_);
  palette_ = FormPalette(services_.display.HighContrast());
  fonts_ = FormFonts(dpi_);
  icons_.ShowAt(window_, instance_, dpi_);
  controls_.Create(window_, instance_, dpi_, fonts_);
  // No Install button is offered before the registry has been asked. Done while
  // the window is hidden, it costs nothing; on a shown window Wine repaints
  // each button as it is disabled.
  DisableInstallButtons();
}

// Activated, the window takes the focus (the system's handling), which
// OnSetFocus hands on to a button.
LRESULT SetupForm::OnActivate(WPARAM state, LPARAM other) {
  if (LOWORD(state) == WA_INACTIVE) {
    lastFocus_ = GetFocus();
  } else {
    flow_.RefreshOnce();
  }
  return DefWindowProcW(window_, WM_ACTIVATE, state, other);
}

// Back where it was, or on from there where a refresh has disabled that button.
void SetupForm::OnSetFocus() {
  if (const HWND next = FocusAfterRefresh(window_, lastFocus_)) SetFocus(next);
}

LRESULT SetupForm::OnEraseBackground(HDC dc) {
  RECT client;
  GetClientRect(window_, &client);
  FillRect(dc, &client, palette_.WindowBrush());
  return 1;
}

LRESULT SetupForm::OnColourRequest(UINT message, HDC dc, HWND control) {
  const ControlDesign* design = controls_.DesignOf(control);
  if (design == nullptr || design->background.kind == DesignColour::Kind::Standard) {
    return DefWindowProcW(window_, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  }
  if (design->foreground.kind != DesignColour::Kind::Standard) SetTextColor(dc, palette_.Text(*design));
  SetBkColor(dc, palette_.Background(*design));
  return reinterpret_cast<LRESULT>(palette_.BackgroundBrush(*design));
}

void SetupForm::OnCommand(int id, int notification, HWND control) {
  // Enter reaches a window that is not a dialog as IDOK: it acts on the focused button alone.
  if (id == IDOK && control == nullptr) {
    const HWND focus = GetFocus();
    const ControlDesign* design = controls_.DesignOf(focus);
    if (design != nullptr && design->kind == ControlKind::PushButton && IsWindowEnabled(focus)) {
      SendMessageW(focus, BM_CLICK, 0, 0);
    }
    return;
  }
  // Only a click of a button that exists runs a command: a command without a
  // control (a menu, an accelerator, Esc's IDCANCEL) or another notification does not.
  if (control == nullptr || notification != BN_CLICKED) return;
  const ControlDesign* design = controls_.DesignOf(control);
  if (design != nullptr && ControlId(*design) == id) flow_.Click(design->id);
}

LRESULT SetupForm::OnSetCursor(WPARAM wParam, LPARAM lParam) {
  if (!flow_.Installing()) return DefWindowProcW(window_, WM_SETCURSOR, wParam, lParam);
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return TRUE;
}

// The window went to a monitor of another DPI: it takes the place the system
// suggests and is laid out anew from the design, without a restart; the
// controls stay, and with them the enabled Install button and the focus.
void SetupForm::OnDpiChanged(Dpi dpi, const RECT& suggested) {
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  LayOutAt(dpi);
}

// High contrast, the system's colours or the theme changed: the colours are
// chosen anew (the old brushes freed) and everything is painted again.
void SetupForm::OnDisplaySettingsChanged() {
  palette_ = FormPalette(services_.display.HighContrast());
  EnumChildWindows(window_, PassOnColourChange, 0);
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

// The session ends without a close: the close request runs here, or never.
void SetupForm::OnEndSession(bool ending) {
  if (ending) OnClose();
}

void SetupForm::OnClose() {
  flow_.RunCloseRequest();
  DestroyWindow(window_);
}

void SetupForm::OnNcDestroy() {
  window_ = nullptr;
  controls_.Clear();
}

// Fonts, icons, positions and the window's size, all from the design at one
// DPI. The controls take the new fonts before the old ones are freed.
void SetupForm::LayOutAt(Dpi dpi) {
  dpi_ = dpi;
  FormFonts fonts(dpi_);
  controls_.SetFonts(fonts);
  fonts_ = std::move(fonts);
  icons_.ShowAt(window_, instance_, dpi_);
  controls_.Place(dpi_);
  FitWindowToDesign();
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The client area is the design's at the window's DPI, to the pixel. The frame
// is taken as the window really has it: the system's idea of a frame at another
// DPI can differ from it (Wine's does not scale frames at all).
void SetupForm::FitWindowToDesign() const {
  if (IsIconic(window_) || IsZoomed(window_)) return;
  RECT frame;
  RECT client;
  GetWindowRect(window_, &frame);
  GetClientRect(window_, &client);
  const int widthMissing = dpi_.FromTwips(SetupFormDesign().clientWidth) - client.right;
  const int heightMissing = dpi_.FromTwips(SetupFormDesign().clientHeight) - client.bottom;
  if (widthMissing == 0 && heightMissing == 0) return;
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left + widthMissing,
               frame.bottom - frame.top + heightMissing, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetupForm::KeepFocusOnEnabledControl() {
  if (GetActiveWindow() != window_) return;
  const HWND focus = GetFocus();
  const HWND next = FocusAfterRefresh(window_, focus);
  if (next != nullptr && next != focus) SetFocus(next);
}

void SetupForm::DisableInstallButtons() {
  for (const InstallationStep& step : InstallationSteps()) EnableWindow(Control(step.installButton), FALSE);
}

void SetupForm::ShowNextStep(const InstallationStep* next) {
  if (next != nullptr) EnableWindow(Control(next->installButton), TRUE);
  KeepFocusOnEnabledControl();
}

void SetupForm::Tell(const wchar_t* message) { MessageBoxW(window_, message, kApplicationTitle, MB_OK); }

void SetupForm::Unload() { PostMessageW(window_, WM_CLOSE, 0, 0); }

}  // namespace corvalidyne
