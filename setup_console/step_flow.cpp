#include "step_flow.h"

#include <cstdint>
#include <string>

#include "program_path.h"

namespace corvalidyne {

namespace {

constexpr std::int32_t kShowMaximized = SW_SHOWMAXIMIZED;
constexpr wchar_t kWebServerMissing[] =
    L"You must install Internet Information Services prior to installing Corvalidyne.";
constexpr char kWebAppAddress[] = "http://localhost/corvalidyne";
constexpr char kReadmeName[] = "\\Readme.htm";

}  // namespace

void StepFlow::Refresh() {
  view_.DisableInstallButtons();
  view_.ShowNextStep(NextStep(services_.state));
}

void StepFlow::RefreshOnce() {
  if (refreshed_) return;
  refreshed_ = true;
  Refresh();
}

void StepFlow::Click(FormControl button) {
  if (const InstallationStep* step = FindInstallationStep(button)) return Install(*step);
  if (button == FormControl::ViewReadme) return ViewReadme();
  if (button == FormControl::Close) view_.Unload();
}

void StepFlow::Install(const InstallationStep& step) {
  if (step.needsWebServer && !services_.state.IsIISInstalled()) {
    view_.Tell(kWebServerMissing);
    ViewReadme();
    return;
  }
  RunInstaller(step);
}

void StepFlow::RunInstaller(const InstallationStep& step) {
  ++installersRunning_;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  // A start failure leaves here as an exception and ends the program: no refresh.
  services_.launcher.ShellAndWait(step.commandLine, kShowMaximized, true);
  --installersRunning_;
  // The window may have been closed during the wait: nothing is left to refresh.
  if (view_.Owner() != nullptr) Refresh();
  if (installersRunning_ == 0) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

// Where the system cannot name the program's folder, nothing is opened: a guess
// (the root of the current drive, say) could open some other page.
void StepFlow::ViewReadme() const {
  if (const auto folder = ProgramFolderA()) services_.pages.Open(view_.Owner(), *folder + kReadmeName);
}

void StepFlow::RunCloseRequest() {
  if (closeRequestRun_) return;
  closeRequestRun_ = true;
  if (OpensWebApplicationAtClose(services_.state)) services_.pages.Open(view_.Owner(), kWebAppAddress);
}

}  // namespace corvalidyne
