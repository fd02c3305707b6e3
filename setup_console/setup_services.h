#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "dpi.h"
#include "installation_steps.h"

namespace corvalidyne {

// Starts a program from its command line and returns once its process has
// ended, the thread's messages served meanwhile where asked; fails as the
// start fails (LaunchError).
class InstallerLauncher {
 public:
  virtual ~InstallerLauncher() = default;
  virtual void ShellAndWait(const std::string& commandLine, std::int32_t windowStyle,
                            bool serveMessages) const = 0;
};

// Opens a page for the user, the window its owner; a page that cannot be
// opened is not reported.
class PageOpener {
 public:
  virtual ~PageOpener() = default;
  virtual void Open(HWND owner, const std::string& target) const = 0;
};

// What the window asks of the display.
class DisplaySettings {
 public:
  virtual ~DisplaySettings() = default;
  // The DPI of the window's monitor; for no window yet, the system's.
  [[nodiscard]] virtual Dpi DpiOf(HWND window) const = 0;
  [[nodiscard]] virtual bool HighContrast() const = 0;
};

// Everything the window and its steps work over. The program passes the
// system's (SystemServices); a test stands in for any of them, also for what
// Wine cannot show (a monitor of another DPI, a high-contrast theme, a shell
// that serves messages while it opens a page).
struct SetupServices {
  const InstallationState& state;
  const InstallerLauncher& launcher;
  const PageOpener& pages;
  const DisplaySettings& display;
};

}  // namespace corvalidyne
