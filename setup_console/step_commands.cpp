#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>

#include "fatal_error.h"
#include "installation_steps.h"
#include "program_path.h"
#include "setup_form.h"
#include "shell_command.h"
#include "system_library.h"

namespace corvalidyne {

namespace {

constexpr std::int32_t kShowMaximized = SW_SHOWMAXIMIZED;
constexpr wchar_t kWebServerMissing[] =
    L"You must install Internet Information Services prior to installing Corvalidyne.";
constexpr char kWebAppAddress[] = "http://localhost/corvalidyne";
constexpr char kReadmeName[] = "\\Readme.htm";

}  // namespace

void SetupForm::RunCommand(FormControl button) {
  if (const InstallationStep* step = FindInstallationStep(button)) return Install(*step);
  if (button == FormControl::ViewReadme) return ViewReadme();
  if (button == FormControl::Close) PostMessageW(window_, WM_CLOSE, 0, 0);
}

void SetupForm::Install(const InstallationStep& step) {
  if (step.needsWebServer && !RegistryInstallationState().IsIISInstalled()) {
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
  if (OpensWebApplicationAtClose(RegistryInstallationState())) OpenWithShell(kWebAppAddress);
}

// A page the user asked to see opens in a normal window; that the shell could
// not open it is not reported. The shell is loaded here, not at start.
void SetupForm::OpenWithShell(const std::string& target) const {
  if (opener_ != nullptr) return opener_(window_, target);
  const auto shellExecute = SystemFunction<decltype(&ShellExecuteA)>(L"shell32.dll", "ShellExecuteA");
  if (shellExecute != nullptr) shellExecute(window_, "open", target.c_str(), nullptr, "", SW_SHOWNORMAL);
}

}  // namespace corvalidyne
