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

void SetupForm::KeepFocusOnEnabledControl() {
  const HWND focus = GetFocus();
  if (focus != nullptr && IsChild(window_, focus) && IsWindowEnabled(focus)) return;
  if (GetActiveWindow() != window_) return;
  if (const HWND next = GetNextDlgTabItem(window_, focus, FALSE)) SetFocus(next);
}

}  // namespace corvalidyne
