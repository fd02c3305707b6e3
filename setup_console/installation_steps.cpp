#include "installation_steps.h"

namespace corvalidyne {

namespace {

// clang-format off
constexpr InstallationStep kSteps[] = {
  {FormControl::StepOneInstall, L"SOFTWARE\\Microsoft\\.NETFramework\\policy\\v1.1",
   "Framework\\dotnetfx.exe", false},
  // The instance name on the command line is the one in the service key.
  {FormControl::StepTwoInstall, L"SYSTEM\\CurrentControlSet\\Services\\MSSQL$Corvalidyne",
   "MSDE\\Setup.exe SAPWD=\"KelvaNortum\" INSTANCENAME=\"Corvalidyne\" SECURITYMODE=\"SQL\" ", false},
  {FormControl::StepThreeInstall, L"SOFTWARE\\Corvalidyne", "App\\Setup.exe", true},
};
// clang-format on

}  // namespace

std::span<const InstallationStep> InstallationSteps() { return kSteps; }

const InstallationStep* FindInstallationStep(FormControl installButton) {
  for (const InstallationStep& step : kSteps) {
    if (step.installButton == installButton) return &step;
  }
  return nullptr;
}

const InstallationStep* NextStep(const InstallationState& state) {
  for (const InstallationStep& step : kSteps) {
    if (!state.IsDone(step)) return &step;
  }
  return nullptr;
}

bool OpensWebApplicationAtClose(const InstallationState& state) {
  bool everything = state.IsIISInstalled();
  for (const InstallationStep& step : kSteps) everything = state.IsDone(step) && everything;
  return everything;
}

}  // namespace corvalidyne
