#include "installation_steps.h"
#include "setup_form.h"

namespace corvalidyne {

// Disables the three Install buttons, then enables the one of the first step
// that is not done.
void SetupForm::RefreshSteps() {
  for (const InstallationStep& step : InstallationSteps()) EnableWindow(Control(step.installButton), FALSE);
  if (const InstallationStep* next = NextStep(RegistryInstallationState())) {
    EnableWindow(Control(next->installButton), TRUE);
  }
  KeepFocusOnEnabledControl();
}

}  // namespace corvalidyne
