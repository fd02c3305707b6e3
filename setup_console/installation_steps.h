#pragma once

#include <span>

#include "form_design.h"

namespace corvalidyne {

// One installation step: everything the program knows about it.
struct InstallationStep {
  FormControl installButton;
  const wchar_t* doneKey;   // under HKEY_LOCAL_MACHINE: the installer leaves it, and it means done
  const char* commandLine;  // relative to the current directory the program was started in
  bool needsWebServer;      // installs only where the web server is present
};

// The steps, in the order they are installed.
std::span<const InstallationStep> InstallationSteps();
const InstallationStep* FindInstallationStep(FormControl installButton);

// What the decisions ask, each question answered afresh.
class InstallationState {
 public:
  virtual ~InstallationState() = default;
  [[nodiscard]] virtual bool IsDone(const InstallationStep& step) const = 0;
  [[nodiscard]] virtual bool IsIISInstalled() const = 0;  // the web server, version 5 or later
};

// The first step that is not done, or nullptr; steps after it are not asked about.
[[nodiscard]] const InstallationStep* NextStep(const InstallationState& state);

// Whether closing the window opens the web application: the web server and
// every step are asked, in this order, whatever the earlier answers.
[[nodiscard]] bool OpensWebApplicationAtClose(const InstallationState& state);

}  // namespace corvalidyne
