#pragma once

#include <windows.h>

#include "form_design.h"
#include "installation_steps.h"
#include "setup_services.h"

namespace corvalidyne {

// What the flow asks of the window it serves.
class StepsView {
 public:
  virtual ~StepsView() = default;
  // The window, owner of what opens; nullptr once it has gone.
  [[nodiscard]] virtual HWND Owner() const = 0;
  // Disables the three Install buttons, before the refresh asks.
  virtual void DisableInstallButtons() = 0;
  // Enables the Install button of that step (none for nullptr), once it is known.
  virtual void ShowNextStep(const InstallationStep* next) = 0;
  // A modal message, with the application's title.
  virtual void Tell(const wchar_t* message) = 0;
  // Closes the window, which raises its close request.
  virtual void Unload() = 0;
};

// What the steps show and what the buttons and the close request do, over the
// installation state, the launcher and the page opener. It keeps no state of
// the machine: every answer is asked afresh.
class StepFlow {
 public:
  StepFlow(const SetupServices& services, StepsView& view) noexcept : services_(services), view_(view) {}

  // Disables the Install buttons, then enables that of the first step that is
  // not done; the steps after it are not asked about.
  void Refresh();
  // The refresh at showing or at the first activation, whichever comes first.
  void RefreshOnce();
  // A click of an Install button, View Readme or Close.
  void Click(FormControl button);
  // Opens the web application where everything is installed; runs once, also
  // where a second close request arrives while the first opens the page.
  void RunCloseRequest();
  // Whether an Install is waiting for its installer: the window shows the wait pointer.
  [[nodiscard]] bool Installing() const noexcept { return installersRunning_ > 0; }

 private:
  void Install(const InstallationStep& step);
  void RunInstaller(const InstallationStep& step);
  void ViewReadme() const;

  SetupServices services_;
  StepsView& view_;
  bool refreshed_ = false;
  int installersRunning_ = 0;  // nested Install commands waiting for their installers
  bool closeRequestRun_ = false;
};

}  // namespace corvalidyne
