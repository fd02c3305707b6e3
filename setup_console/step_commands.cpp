#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <array>
#include <cwchar>
#include <string>
#include <variant>

#include "fatal_error.h"
#include "program_path.h"
#include "registry.h"
#include "setup_form.h"
#include "shell_command.h"

namespace corvalidyne {

struct SetupForm::InstallStep {
  const wchar_t* button;
  const char* commandLine;  // relative to the current directory the program was started in
  bool (SetupForm::*precondition)() const;  // nullptr: none
};

namespace {

constexpr std::int32_t kShowMaximized = SW_SHOWMAXIMIZED;
constexpr wchar_t kWebServerKey[] = L"SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters";
constexpr std::int32_t kLeastWebServerVersion = 5;
constexpr wchar_t kWebServerMissing[] =
    L"You must install Internet Information Services prior to installing Corvalidyne.";
constexpr char kWebAppAddress[] = "http://localhost/corvalidyne";
constexpr char kReadmeName[] = "\\Readme.htm";

// A version held as a number compares as one; a text compares by the whole
// decimal number it holds ("5" passes, "5a" and "" do not); anything else,
// a byte sequence among them, is no version and fails.
bool VersionAtLeast(const TaggedValue& value, std::int32_t least) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) return *number >= least;
  if (const auto* number = std::get_if<std::int16_t>(&value)) return *number >= least;
  if (const auto* text = std::get_if<std::wstring>(&value)) {
    if (text->empty()) return false;
    wchar_t* end = nullptr;
    const long number = std::wcstol(text->c_str(), &end, 10);
    return *end == L'\0' && number >= least;
  }
  return false;
}

}  // namespace

void SetupForm::RunCommand(std::wstring_view button) {
  static constexpr std::array<InstallStep, 3> kInstallSteps{{
      {L"cmdInstallStep1", "Framework\\dotnetfx.exe", nullptr},
      {L"cmdInstallStep2",
       "MSDE\\Setup.exe SAPWD=\"KelvaNortum\" INSTANCENAME=\"Corvalidyne\" SECURITYMODE=\"SQL\" ",
       nullptr},
      {L"cmdInstallStep3", "App\\Setup.exe", &SetupForm::IsIISInstalled},
  }};
  for (const InstallStep& step : kInstallSteps) {
    if (button == step.button) return Install(step);
  }
  if (button == L"cmdViewReadme") return ViewReadme();
  if (button == L"cmdClose") PostMessageW(window_, WM_CLOSE, 0, 0);
}

void SetupForm::Install(const InstallStep& step) {
  if (step.precondition != nullptr && !(this->*step.precondition)()) {
    MessageBoxW(window_, kWebServerMissing, kApplicationTitle, MB_OK);
    ViewReadme();
    return;
  }
  RunInstaller(step.commandLine);
}

void SetupForm::RunInstaller(const char* commandLine) {
  ++installersRunning_;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  // A start failure leaves here as an exception and ends the program: no refresh.
  ShellCommand().ShellAndWait(commandLine, kShowMaximized, true);
  --installersRunning_;
  // The window may have been closed during the wait: nothing is left to refresh.
  if (window_ != nullptr) RefreshSteps();
  if (installersRunning_ == 0) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

// Where the system cannot name the program's folder, nothing is opened: a guess
// (the root of the current drive, say) could open some other page.
void SetupForm::ViewReadme() const {
  if (const auto folder = ProgramFolderA()) OpenWithShell(*folder + kReadmeName);
}

void SetupForm::RunCloseRequest() {
  if (closeRequestRun_) return;
  closeRequestRun_ = true;
  const bool webServer = IsIISInstalled();
  const bool framework = IsFrameworkInstalled();
  const bool msde = IsMSDEInstalled();
  const bool webApp = IsWebAppInstalled();
  if (webServer && framework && msde && webApp) OpenWithShell(kWebAppAddress);
}

bool SetupForm::IsIISInstalled() const {
  Registry registry;
  registry.ClassKey(kHKeyLocalMachine);
  registry.SectionKey(kWebServerKey);
  registry.ValueKey(L"MajorVersion");
  if (!registry.KeyExists()) return false;
  return VersionAtLeast(registry.Value(), kLeastWebServerVersion);
}

// A page the user asked to see opens in a normal window; that the shell could
// not open it is not reported.
void SetupForm::OpenWithShell(const std::string& target) const {
  ShellExecuteA(window_, "open", target.c_str(), nullptr, "", SW_SHOWNORMAL);
}

}  // namespace corvalidyne
