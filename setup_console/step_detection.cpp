#include "installation_steps.h"
#include "setup_form.h"

namespace corvalidyne {

void SetupForm::RefreshSteps() {
  DisableInstallButtons();
  if (const InstallationStep* next = NextStep(RegistryInstallationState())) {
    EnableWindow(Control(next->installButton), TRUE);
  }
  KeepFocusOnEnabledControl();
}

void SetupForm::DisableInstallButtons() {
  for (const InstallationStep& step : InstallationSteps()) EnableWindow(Control(step.installButton), FALSE);
}

HWND FocusAfterRefresh(HWND window, HWND focus) noexcept {
  if (focus == nullptr || !IsChild(window, focus)) return GetNextDlgTabItem(window, nullptr, FALSE);
  return IsWindowEnabled(focus) ? focus : GetNextDlgTabItem(window, focus, FALSE);
}

void SetupForm::KeepFocusOnEnabledControl() {
  if (GetActiveWindow() != window_) return;
  const HWND focus = GetFocus();
  const HWND next = FocusAfterRefresh(window_, focus);
  if (next != nullptr && next != focus) SetFocus(next);
}

}  // namespace corvalidyne
