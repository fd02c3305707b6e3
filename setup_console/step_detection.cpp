#include <array>

#include "registry.h"
#include "setup_form.h"

namespace corvalidyne {

namespace {

constexpr wchar_t kFrameworkKey[] = L"SOFTWARE\\Microsoft\\.NETFramework\\policy\\v1.1";
constexpr wchar_t kMsdeInstanceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\MSSQL$Corvalidyne";
constexpr wchar_t kWebAppKey[] = L"SOFTWARE\\Corvalidyne";

constexpr std::array kInstallButtons{L"cmdInstallStep1", L"cmdInstallStep2", L"cmdInstallStep3"};

bool LocalMachineKeyExists(const wchar_t* path) {
  Registry registry;
  registry.ClassKey(kHKeyLocalMachine);
  registry.SectionKey(path);
  return registry.KeyExists();
}

}  // namespace

void SetupForm::RefreshSteps() {
  for (const wchar_t* button : kInstallButtons) EnableWindow(Control(button), FALSE);

  using Test = bool (SetupForm::*)() const;
  constexpr std::array<Test, 3> kStepDone{&SetupForm::IsFrameworkInstalled,
                                          &SetupForm::IsMSDEInstalled,
                                          &SetupForm::IsWebAppInstalled};
  for (std::size_t step = 0; step < kStepDone.size(); ++step) {
    if (!(this->*kStepDone[step])()) {
      EnableWindow(Control(kInstallButtons[step]), TRUE);
      break;
    }
  }
  KeepFocusOnEnabledControl();
}

bool SetupForm::IsFrameworkInstalled() const { return LocalMachineKeyExists(kFrameworkKey); }

bool SetupForm::IsMSDEInstalled() const {
  Registry registry;
  registry.ClassKey(kHKeyLocalMachine);
  registry.SectionKey(kMsdeInstanceKey);
  registry.ValueKey(L"");
  return registry.KeyExists();
}

bool SetupForm::IsWebAppInstalled() const { return LocalMachineKeyExists(kWebAppKey); }

}  // namespace corvalidyne
