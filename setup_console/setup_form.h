#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "display.h"
#include "form_controls.h"
#include "form_design.h"
#include "form_fonts.h"
#include "form_palette.h"
#include "installation_steps.h"
#include "unique_handle.h"

namespace corvalidyne {

// Opens a page for the user; the shell's open verb unless a test stands in.
using PageOpener = void (*)(HWND owner, const std::string& target);

// Where the window takes its DPI and the high-contrast setting from. Tests
// stand in for the system here: Wine neither moves a window between monitors of
// different DPI nor has a high-contrast theme.
struct DisplaySource {
  int dpi = 0;  // laid out for this DPI at first, as on a screen of that density; 0: its monitor's
  bool (*highContrast)() = &IsHighContrastOn;
};

// Whether a message tells of a change in how the window must look: the system's
// colours, the theme, or the high-contrast setting (not another setting).
[[nodiscard]] constexpr bool ChangesTheLooks(UINT message, WPARAM wParam) noexcept {
  return message == WM_SYSCOLORCHANGE || message == WM_THEMECHANGED ||
         (message == WM_SETTINGCHANGE && wParam == SPI_SETHIGHCONTRAST);
}

// Where the focus goes after a refresh, or as the window is activated again: it
// stays on an enabled control of the window; from a button the refresh disabled
// it goes on to the next enabled push button in tab order; from nothing (or
// another window's control) to the first.
[[nodiscard]] HWND FocusAfterRefresh(HWND window, HWND focus) noexcept;

// The program's only window: the installation steps, View Readme and Close.
// The object outlives its window; the window holds a non-owning pointer to it.
//
// Its members live in four files:
// - setup_form.cpp: the window's life and messages (Create, Show, HandleMessage
//   and the On... handlers);
// - form_layout.cpp: the layout at a DPI (LayOutAt, FitWindowToDesign, SetIcons,
//   SetIcon);
// - step_detection.cpp: the refresh of the Install buttons (RefreshSteps,
//   DisableInstallButtons, KeepFocusOnEnabledControl);
// - step_commands.cpp: the commands behind the buttons and the close request
//   (RunCommand, Install, RunInstaller, ViewReadme, RunCloseRequest, OpenWithShell).
// The controls are made from the design by FormControls (form_controls.cpp),
// their fonts by FormFonts (form_fonts.cpp), their colours by FormPalette
// (form_palette.cpp).
class SetupForm {
 public:
  static constexpr wchar_t kClassName[] = L"CorvalidyneSetupForm";

  // Creates the window and its controls from the design, hidden, laid out for
  // its monitor's DPI.
  static std::unique_ptr<SetupForm> Create(HINSTANCE instance, const DisplaySource& display = {},
                                           PageOpener opener = nullptr);

  SetupForm(const SetupForm&) = delete;
  SetupForm& operator=(const SetupForm&) = delete;
  ~SetupForm();

  // Refreshes the steps, then shows the window centred and normal and activates
  // it: no click can be served before the refresh.
  void Show();

  [[nodiscard]] HWND Handle() const noexcept { return window_; }
  [[nodiscard]] HWND Control(std::wstring_view name) const noexcept { return controls_.Window(name); }
  [[nodiscard]] HWND Control(FormControl id) const noexcept { return controls_.Window(id); }

 private:
  SetupForm(HINSTANCE instance, const DisplaySource& display, PageOpener opener);

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void OnCreate();
  LRESULT OnActivate(WPARAM state, LPARAM other);
  void OnSetFocus();
  LRESULT OnEraseBackground(HDC dc);
  LRESULT OnColourRequest(UINT message, HDC dc, HWND control);
  void OnCommand(int id, int notification, HWND control);
  LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
  void OnDpiChanged(int dpi, const RECT& suggested);
  void OnDisplaySettingsChanged();
  void OnEndSession(bool ending);
  void OnClose();
  void OnNcDestroy();

  void LayOutAt(int dpi);
  void FitWindowToDesign() const;
  void SetIcons();
  struct IconSize {
    int widthMetric, heightMetric;
    int classIcon;  // GCLP_HICON or GCLP_HICONSM
  };
  void SetIcon(WPARAM which, const IconSize& size, Icon& owned);
  void RefreshStepsOnce();
  void KeepFocusOnEnabledControl();

  // Installation state detection: enables the Install button of the first step
  // that is not done.
  void RefreshSteps();
  void DisableInstallButtons();

  // Step commands: the buttons and the close request.
  void RunCommand(FormControl button);
  void Install(const InstallationStep& step);
  void RunInstaller(const char* commandLine);
  void ViewReadme() const;
  void RunCloseRequest();
  void OpenWithShell(const std::string& target) const;

  HINSTANCE instance_;
  DisplaySource display_;
  PageOpener opener_;
  HWND window_ = nullptr;
  int dpi_ = kDefaultDpi;  // the one DPI the window and its controls are laid out at
  bool stepsRefreshed_ = false;
  HWND lastFocus_ = nullptr;
  int installersRunning_ = 0;  // nested Install commands waiting for their installers
  bool closeRequestRun_ = false;
  FormControls controls_;
  FormFonts fonts_;
  FormPalette palette_;
  Icon bigIcon_;
  Icon smallIcon_;
};

}  // namespace corvalidyne
