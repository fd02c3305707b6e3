#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "form_design.h"
#include "installation_steps.h"
#include "unique_handle.h"

namespace corvalidyne {

// The program's only window: the three installation steps, View Readme and Close.
// The object outlives its window; the window holds a non-owning pointer to it.
class SetupForm {
 public:
  static constexpr wchar_t kClassName[] = L"CorvalidyneSetupForm";

  // Creates the window and its controls from the design, hidden, laid out for
  // the system DPI (or for the given one, as on a screen of that density).
  static std::unique_ptr<SetupForm> Create(HINSTANCE instance, int dpi = 0);

  SetupForm(const SetupForm&) = delete;
  SetupForm& operator=(const SetupForm&) = delete;
  ~SetupForm();

  // Shows the window centred and normal, activates it, and refreshes the steps
  // before any click can be served.
  void Show();

  HWND Handle() const noexcept { return window_; }
  HWND Control(std::wstring_view name) const noexcept;
  HWND Control(FormControl id) const noexcept;

 private:
  struct PlacedControl {
    const ControlDesign* design;
    HWND window;
  };

  SetupForm(HINSTANCE instance, int dpi);

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void OnCreate();
  void OnActivate(WPARAM state);
  void OnSetFocus();
  LRESULT OnEraseBackground(HDC dc);
  LRESULT OnColourRequest(UINT message, HDC dc, HWND control);
  void OnCommand(int id, int notification, HWND control);
  LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
  void OnEndSession(bool ending);
  void OnClose();
  void OnNcDestroy();

  void CreateControls();
  void CreateControl(const ControlDesign& design);
  int FitDescriptions() const;
  HFONT FontOf(const ControlDesign& design);
  HFONT FontFor(std::wstring_view face, int characterHeight);
  HBRUSH BrushFor(const DesignColour& colour);
  const PlacedControl* FindPlaced(HWND control) const noexcept;
  int Pixels(int twips) const noexcept;
  int CharacterHeight(int centipoints) const noexcept;
  void RunFirstActivation();
  void KeepFocusOnEnabledControl();

  // Installation state detection: enables the Install button of the first step
  // that is not done.
  void RefreshSteps();

  // Step commands: the buttons and the close request.
  void RunCommand(FormControl button);
  void Install(const InstallationStep& step);
  void RunInstaller(const char* commandLine);
  void ViewReadme() const;
  void RunCloseRequest();
  void OpenWithShell(const std::string& target) const;

  HINSTANCE instance_;
  HWND window_ = nullptr;
  int dpi_ = 96;
  bool activated_ = false;
  HWND lastFocus_ = nullptr;
  int installersRunning_ = 0;  // nested Install commands waiting for their installers
  bool closeRequestRun_ = false;
  std::vector<PlacedControl> controls_;
  struct FontKey {
    std::wstring face;
    int characterHeight;
  };
  std::vector<std::pair<FontKey, Font>> fonts_;
  int descriptionHeight_ = 0;  // pixels; the step descriptions' font
  std::vector<std::pair<COLORREF, Brush>> brushes_;
};

}  // namespace corvalidyne
