#pragma once

#include "registry_installation_state.h"
#include "setup_services.h"

namespace corvalidyne {

// The launch of an installer: one ShellCommand for each.
class ShellLauncher final : public InstallerLauncher {
 public:
  void ShellAndWait(const std::string& commandLine, std::int32_t windowStyle,
                    bool serveMessages) const override;
};

// The shell's open verb, the page in a normal window. The shell is loaded here,
// when a page is first opened, not at start.
class ShellPageOpener final : public PageOpener {
 public:
  void Open(HWND owner, const std::string& target) const override;
};

// The display as the system reports it.
class SystemDisplay final : public DisplaySettings {
 public:
  [[nodiscard]] Dpi DpiOf(HWND window) const override { return Dpi::OfWindow(window); }
  [[nodiscard]] bool HighContrast() const override;
};

// The services the program runs on: the machine's registry, the launch, the
// shell and the display. Nothing switches them: a test that stands in for one
// builds its own SetupServices.
class SystemServices {
 public:
  [[nodiscard]] SetupServices Services() const noexcept { return {state_, launcher_, pages_, display_}; }

 private:
  RegistryInstallationState state_;
  ShellLauncher launcher_;
  ShellPageOpener pages_;
  SystemDisplay display_;
};

}  // namespace corvalidyne
