#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdint>
#include <string>

// The platform's error for a program that asks for administrator rights; the
// MinGW-w64 headers of Debian 12 lack it.
#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740L
#endif

namespace corvalidyne {

// The shell's ShellExecuteExA, with shell32.dll (and the DLLs it brings) loaded
// only when an installer first needs the shell, which most runs never do.
BOOL WINAPI ShellExecuteExOnDemand(SHELLEXECUTEINFOA* execute);

// The platform calls through which ShellAndWait starts and opens a process.
// Tests replace them to reach paths that the platform at hand never takes
// (Wine never asks for elevation).
struct LaunchFunctions {
  decltype(&CreateProcessA) createProcess = &CreateProcessA;
  decltype(&ShellExecuteExA) shellExecuteEx = &ShellExecuteExOnDemand;
  decltype(&OpenProcess) openProcess = &OpenProcess;
};

// Starts a program from a command line and waits until its process has ended.
class ShellCommand {
 public:
  static constexpr DWORD kPollMilliseconds = 100;

  ShellCommand() = default;
  explicit ShellCommand(const LaunchFunctions& functions) : functions_(functions) {}

  // PathName is 8-bit text in the system's ANSI code page, a program path that a
  // relative path resolves against the current directory alone, optionally
  // followed by its arguments; the program gets the command line unchanged.
  // With bDoEvents the thread's messages are served between polls, and a quit
  // request taken meanwhile is posted again on return.
  // Throws LaunchError when the program cannot be started; a process that
  // cannot be opened counts as ended.
  void ShellAndWait(const std::string& PathName, std::int32_t WindowStyle, bool bDoEvents) const;

 private:
  LaunchFunctions functions_;
};

// The program and the parameters of a command line: the first token (quoted or
// up to the first space) and the rest without the spaces that separate them.
struct SplitCommand {
  std::string program;
  std::string parameters;
};
SplitCommand SplitCommandLine(const std::string& commandLine);

}  // namespace corvalidyne
