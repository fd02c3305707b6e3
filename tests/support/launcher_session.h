#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "build_folders.h"

namespace corvalidyne::testing {

// One start of an installer as the stand-in recorded it.
struct InstallerStart {
  std::wstring show;  // the STARTUPINFO show value, or "none"
  std::wstring commandLine;
  bool operator==(const InstallerStart&) const = default;
};

// The launcher started from a medium (its folder is the current directory), as
// a user starts it, with stand-in options and logs of its own. One that a test
// leaves running is told to quit, and ended by force if it does not.
class LauncherSession {
 public:
  // Waits up to startTimeoutMs for the window and the end of its first refresh.
  // The launcher is started from launcherFolder, or else from the medium.
  explicit LauncherSession(const std::wstring& standInOptions = L"run=200",
                           const std::wstring& medium = MediumFolder(), DWORD startTimeoutMs = 15000,
                           const std::wstring& launcherFolder = L"");
  ~LauncherSession();
  LauncherSession(const LauncherSession&) = delete;
  LauncherSession& operator=(const LauncherSession&) = delete;

  HWND Window() const { return window_; }
  // A control by its name in the design table.
  HWND Control(const wchar_t* name) const;
  bool IsEnabled(const wchar_t* name) const { return IsWindowEnabled(Control(name)) != FALSE; }
  // Which Install buttons are enabled, as "100", "010" and so on.
  std::string EnabledSteps() const;
  void Click(const wchar_t* name) const;
  // The control that has the keyboard focus in the launcher's thread.
  HWND Focus() const;
  bool WaitUntilEnabled(const wchar_t* name, bool enabled, DWORD timeoutMs = 15000) const;

  // A message box of the launcher: class #32770; nullptr after the timeout.
  HWND WaitForMessageBox(DWORD timeoutMs = 10000) const;

  // The exit code once the process has ended, or STILL_ACTIVE after the timeout.
  DWORD WaitForExit(DWORD timeoutMs = 10000) const;
  bool IsRunning() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

  std::vector<InstallerStart> InstallerStarts() const;
  // What the shell was asked to open, in order, and how each was to show.
  std::vector<std::wstring> Opened() const;
  std::vector<std::wstring> OpenedShows() const;

 private:
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
  HWND window_ = nullptr;
  std::wstring standInLog_;
  std::wstring recorderLog_;
};

// The processes of the stand-in installers that show their window now.
std::vector<DWORD> RunningStandIns();
// Waits until the process has ended; false after the timeout.
bool WaitForProcessEnd(DWORD processId, DWORD timeoutMs);

// Texts of a message box: its title and its message.
std::wstring MessageBoxTitle(HWND box);
std::wstring MessageBoxText(HWND box);

}  // namespace corvalidyne::testing
