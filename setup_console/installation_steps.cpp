#include "installation_steps.h"

#include <cwchar>
#include <string>
#include <variant>

#include "corvalidyne/registry.h"

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

constexpr wchar_t kWebServerKey[] = L"SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters";
constexpr std::int32_t kLeastWebServerVersion = 5;

// A version held as a number (a DWORD reads as a 32-bit one) compares as one; a
// text compares by the whole decimal number it holds ("5" passes, "5a" and ""
// do not); anything else, a byte sequence among them, is no version and fails.
bool VersionAtLeast(const TaggedValue& value, std::int32_t least) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) return *number >= least;
  if (const auto* text = std::get_if<std::wstring>(&value)) {
    if (text->empty()) return false;
    wchar_t* end = nullptr;
    const long number = std::wcstol(text->c_str(), &end, 10);
    return *end == L'\0' && number >= least;
  }
  return false;
}

}  // namespace

std::span<const InstallationStep> InstallationSteps() { return kSteps; }

const InstallationStep* FindInstallationStep(FormControl installButton) {
  for (const InstallationStep& step : kSteps) {
    if (step.installButton == installButton) return &step;
  }
  return nullptr;
}

bool RegistryInstallationState::IsDone(const InstallationStep& step) const {
  Registry registry;
  registry.ClassKey(kHKeyLocalMachine);
  registry.SectionKey(step.doneKey);
  return registry.KeyExists();
}

bool RegistryInstallationState::IsIISInstalled() const {
  Registry registry;
  registry.ClassKey(kHKeyLocalMachine);
  registry.SectionKey(kWebServerKey);
  registry.ValueKey(L"MajorVersion");
  if (!registry.KeyExists()) return false;
  return VersionAtLeast(registry.Value(), kLeastWebServerVersion);
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
