#pragma once

#include <windows.h>

#include <memory>
#include <string_view>

#include "dpi.h"
#include "form_controls.h"
#include "form_design.h"
#include "form_fonts.h"
#include "form_icons.h"
#include "form_palette.h"
#include "setup_services.h"
#include "step_flow.h"

namespace corvalidyne {

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

// The program's only window: its life, its messages and its controls, laid out
// from the design at one DPI. What the steps show and what the buttons do is
// the flow's (StepFlow), which the window serves as its view (a public base, so
// that its type information stays that of single inheritance; the view's
// functions are the flow's alone). The object outlives its window; the window
// holds a non-owning pointer to it.
class SetupForm final : public StepsView {
 public:
  static constexpr wchar_t kClassName[] = L"CorvalidyneSetupForm";

  // Creates the window and its controls from the design, hidden, laid out for
  // its monitor's DPI. The services must outlive the form.
  static std::unique_ptr<SetupForm> Create(HINSTANCE instance, const SetupServices& services);

  SetupForm(const SetupForm&) = delete;
  SetupForm& operator=(const SetupForm&) = delete;
  ~SetupForm() override;

  // Refreshes the steps, then shows the window centred and normal and activates
  // it: no click can be served before the refresh.
  void Show();

  [[nodiscard]] HWND Handle() const noexcept { return window_; }
  [[nodiscard]] HWND Control(std::wstring_view name) const noexcept { return controls_.Window(name); }
  [[nodiscard]] HWND Control(FormControl id) const noexcept { return controls_.Window(id); }

 private:
  SetupForm(HINSTANCE instance, const SetupServices& services);

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void OnCreate();
  LRESULT OnActivate(WPARAM state, LPARAM other);
  void OnSetFocus();
  LRESULT OnEraseBackground(HDC dc);
  LRESULT OnColourRequest(UINT message, HDC dc, HWND control);
  void OnCommand(int id, int notification, HWND control);
  LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
  void OnDpiChanged(Dpi dpi, const RECT& suggested);
  void OnDisplaySettingsChanged();
  void OnEndSession(bool ending);
  void OnClose();
  void OnNcDestroy();

  void LayOutAt(Dpi dpi);
  void FitWindowToDesign() const;
  void KeepFocusOnEnabledControl();

  // What the flow asks of the window.
  [[nodiscard]] HWND Owner() const override { return window_; }
  void DisableInstallButtons() override;
  void ShowNextStep(const InstallationStep* next) override;
  void Tell(const wchar_t* message) override;
  void Unload() override;

  HINSTANCE instance_;
  SetupServices services_;
  HWND window_ = nullptr;
  Dpi dpi_;  // the one DPI the window and its controls are laid out at
  HWND lastFocus_ = nullptr;
  FormControls controls_;
  FormFonts fonts_;
  FormPalette palette_;
  FormIcons icons_;
  StepFlow flow_;
};

}  // namespace corvalidyne
