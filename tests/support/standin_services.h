#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "setup_services.h"

namespace corvalidyne::testing {

// A machine whose steps are done as a text says ("101": steps 1 and 3), with or
// without the web server; notes what was asked, in order ('1' to '3' a step,
// 'W' the web server). Writes nothing anywhere.
class StandInState final : public InstallationState {
 public:
  StandInState() = default;
  explicit StandInState(std::string done, bool webServer = false)
      : done(std::move(done)), webServer(webServer) {}
  bool IsDone(const InstallationStep& step) const override {
    const auto index = static_cast<std::size_t>(&step - InstallationSteps().data());
    asked += static_cast<char>('1' + index);
    return done[index] == '1';
  }
  bool IsIISInstalled() const override {
    asked += 'W';
    return webServer;
  }

  std::string done = "000";
  bool webServer = false;
  mutable std::string asked;
};

// Records each launch, and runs `during` inside it, where the real launcher
// serves the window's messages while it waits.
class RecordingLauncher final : public InstallerLauncher {
 public:
  struct Launch {
    std::string commandLine;
    std::int32_t windowStyle;
    bool serveMessages;
    bool operator==(const Launch&) const = default;
  };
  void ShellAndWait(const std::string& commandLine, std::int32_t windowStyle,
                    bool serveMessages) const override {
    launches.push_back({commandLine, windowStyle, serveMessages});
    if (during) during();
  }

  std::function<void()> during;
  mutable std::vector<Launch> launches;
};

// Records what was opened and for which owner, and runs `whileOpening` inside
// the opening, where a shell may serve sent messages.
class RecordingPages final : public PageOpener {
 public:
  void Open(HWND owner, const std::string& target) const override {
    opened.push_back(target);
    owners.push_back(owner);
    if (whileOpening) whileOpening();
  }

  std::function<void()> whileOpening;
  mutable std::vector<std::string> opened;
  mutable std::vector<HWND> owners;
};

// A screen of a given DPI (0: the monitor's, as the system says) and a
// high-contrast setting read from a function (none: off), for what Wine cannot
// show: a move to a monitor of another DPI, a high-contrast theme.
class StandInDisplay final : public DisplaySettings {
 public:
  StandInDisplay() = default;
  explicit StandInDisplay(int dpi, bool (*highContrast)() = nullptr)
      : dpi_(dpi), highContrast_(highContrast) {}
  Dpi DpiOf(HWND window) const override { return dpi_ > 0 ? Dpi(dpi_) : Dpi::OfWindow(window); }
  bool HighContrast() const override { return highContrast_ != nullptr && highContrast_(); }

 private:
  int dpi_ = 0;
  bool (*highContrast_)() = nullptr;
};

// One of each: a bare machine and the monitor's DPI unless a test says otherwise.
struct StandIns {
  // A machine whose steps are done as the text says.
  static StandIns Machine(std::string done, bool webServer = false) {
    StandIns standIns;
    standIns.state = StandInState(std::move(done), webServer);
    return standIns;
  }
  // A screen of that DPI (0: the monitor's) and high-contrast setting.
  static StandIns Screen(int dpi, bool (*highContrast)() = nullptr) {
    StandIns standIns;
    standIns.display = StandInDisplay(dpi, highContrast);
    return standIns;
  }

  SetupServices Services() const { return {state, launcher, pages, display}; }

  StandInState state;
  RecordingLauncher launcher;
  RecordingPages pages;
  StandInDisplay display;
};

}  // namespace corvalidyne::testing
