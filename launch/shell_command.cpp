#include "shell_command.h"

#include <optional>
#include <vector>

#include "launch_error.h"
#include "message_pump.h"
#include "system_library.h"
#include "unique_handle.h"

namespace corvalidyne {

namespace {

// The handle that a start returned, held until the process has been opened by
// its identifier: while it is held the identifier cannot pass to another process.
struct StartedProcess {
  OwnedHandle process;
  OwnedHandle thread;
  DWORD id = 0;
  // The shell's handle is the only one to wait on where the process it started
  // (elevated) cannot be opened by its identifier.
  bool startedByShell = false;
};

// The program of a command line resolved against the current directory and
// nowhere else: the platform would otherwise look in the launcher's own folder,
// the system folders and PATH as well.
std::string ResolveProgram(const std::string& commandLine) {
  const std::string program = SplitCommandLine(commandLine).program;
  std::string full(MAX_PATH, '\0');
  for (;;) {
    const DWORD length =
        GetFullPathNameA(program.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) throw LaunchError(GetLastError());
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);
  }
}

std::optional<StartedProcess> StartDirectly(const LaunchFunctions& functions, const std::string& program,
                                            const std::string& commandLine, std::int32_t windowStyle,
                                            DWORD& error) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(windowStyle);
  PROCESS_INFORMATION information{};
  std::vector<char> writable(commandLine.begin(), commandLine.end());
  writable.push_back('\0');
  if (!functions.createProcess(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &information)) {
    error = GetLastError();
    return std::nullopt;
  }
  return StartedProcess{OwnedHandle(information.hProcess), OwnedHandle(information.hThread),
                        information.dwProcessId};
}

// The shell asks the user for consent where a plain start is refused for lack
// of administrator rights.
StartedProcess StartThroughShell(const LaunchFunctions& functions, const std::string& program,
                                 const std::string& commandLine, std::int32_t windowStyle) {
  const SplitCommand split = SplitCommandLine(commandLine);
  SHELLEXECUTEINFOA execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
  execute.lpVerb = "open";
  execute.lpFile = program.c_str();
  execute.lpParameters = split.parameters.empty() ? nullptr : split.parameters.c_str();
  execute.nShow = windowStyle;
  if (!functions.shellExecuteEx(&execute)) throw LaunchError(GetLastError());
  StartedProcess started;
  started.process.reset(execute.hProcess);
  started.startedByShell = true;
  if (started.process) started.id = GetProcessId(started.process.get());
  return started;
}

// A program missing from its resolved path is reported as the file not found,
// also where its folder is missing too (which the start itself would report as
// a path not found): the user sees one error for a missing installer.
void RequireProgramFile(const std::string& program) {
  if (GetFileAttributesA(program.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
    throw LaunchError(ERROR_FILE_NOT_FOUND);
  }
}

// The command line reaches the program unchanged; only its program path is
// resolved, and a program missing there fails with the platform's error.
StartedProcess Start(const LaunchFunctions& functions, const std::string& commandLine,
                     std::int32_t windowStyle) {
  const std::string program = ResolveProgram(commandLine);
  RequireProgramFile(program);
  DWORD error = ERROR_SUCCESS;
  if (auto started = StartDirectly(functions, program, commandLine, windowStyle, error))
    return std::move(*started);
  if (error == ERROR_ELEVATION_REQUIRED)
    return StartThroughShell(functions, program, commandLine, windowStyle);
  throw LaunchError(error);
}

// Polls the process and serves the thread's messages in between; a quit request
// found meanwhile is posted again once the process has ended.
void WaitServingMessages(HANDLE process) {
  std::optional<int> quitCode;
  while (WaitForSingleObject(process, ShellCommand::kPollMilliseconds) == WAIT_TIMEOUT) {
    if (const auto taken = ProcessWaitingMessages()) quitCode = taken;
  }
  if (quitCode) PostQuitMessage(*quitCode);
}

}  // namespace

BOOL WINAPI ShellExecuteExOnDemand(SHELLEXECUTEINFOA* execute) {
  const auto shellExecuteEx = SystemFunction<decltype(&ShellExecuteExA)>(L"shell32.dll", "ShellExecuteExA");
  return shellExecuteEx != nullptr && shellExecuteEx(execute);
}

SplitCommand SplitCommandLine(const std::string& commandLine) {
  std::size_t end = 0;
  SplitCommand split;
  if (!commandLine.empty() && commandLine.front() == '"') {
    end = commandLine.find('"', 1);
    split.program = commandLine.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    end = end == std::string::npos ? commandLine.size() : end + 1;
  } else {
    end = commandLine.find(' ');
    if (end == std::string::npos) end = commandLine.size();
    split.program = commandLine.substr(0, end);
  }
  const std::size_t rest = commandLine.find_first_not_of(' ', end);
  if (rest != std::string::npos) split.parameters = commandLine.substr(rest);
  return split;
}

void ShellCommand::ShellAndWait(const std::string& PathName, std::int32_t WindowStyle, bool bDoEvents) const {
  StartedProcess started = Start(functions_, PathName, WindowStyle);
  if (started.id == 0) return;
  OwnedHandle process(functions_.openProcess(SYNCHRONIZE, FALSE, started.id));
  if (!process && started.startedByShell) process = std::move(started.process);
  started.process.reset();
  started.thread.reset();
  if (!process) return;
  if (bDoEvents) {
    WaitServingMessages(process.get());
  } else {
    WaitForSingleObject(process.get(), INFINITE);
  }
}

}  // namespace corvalidyne
