#include "shell_command.h"

#include <optional>
#include <vector>

#include "launch_error.h"
#include "message_pump.h"
#include "owned_handle.h"

namespace corvalidyne {

namespace {

// The handle that a start returned, held until the process has been opened by
// its identifier: while it is held the identifier cannot pass to another process.
struct StartedProcess {
  OwnedHandle process;
  OwnedHandle thread;
  DWORD id = 0;
};

std::optional<StartedProcess> StartDirectly(const LaunchFunctions& functions,
                                            const std::string& commandLine,
                                            std::int32_t windowStyle, DWORD& error) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(windowStyle);
  PROCESS_INFORMATION information{};
  std::vector<char> writable(commandLine.begin(), commandLine.end());
  writable.push_back('\0');
  if (!functions.createProcess(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &information)) {
    error = GetLastError();
    return std::nullopt;
  }
  return StartedProcess{OwnedHandle(information.hProcess), OwnedHandle(information.hThread),
                        information.dwProcessId};
}

// The shell asks the user for consent where a plain start is refused for lack
// of administrator rights.
StartedProcess StartThroughShell(const LaunchFunctions& functions, const std::string& commandLine,
                                 std::int32_t windowStyle) {
  const SplitCommand split = SplitCommandLine(commandLine);
  SHELLEXECUTEINFOA execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
  execute.lpVerb = "open";
  execute.lpFile = split.program.c_str();
  execute.lpParameters = split.parameters.empty() ? nullptr : split.parameters.c_str();
  execute.nShow = windowStyle;
  if (!functions.shellExecuteEx(&execute)) throw LaunchError(GetLastError());
  StartedProcess started;
  started.process.reset(execute.hProcess);
  if (started.process) started.id = GetProcessId(started.process.get());
  return started;
}

StartedProcess Start(const LaunchFunctions& functions, const std::string& commandLine,
                     std::int32_t windowStyle) {
  DWORD error = ERROR_SUCCESS;
  if (auto started = StartDirectly(functions, commandLine, windowStyle, error))
    return std::move(*started);
  if (error == kErrorElevationRequired)
    return StartThroughShell(functions, commandLine, windowStyle);
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

void ShellCommand::ShellAndWait(const std::string& PathName, std::int32_t WindowStyle,
                                bool bDoEvents) const {
  StartedProcess started = Start(functions_, PathName, WindowStyle);
  if (started.id == 0) return;
  const OwnedHandle process(functions_.openProcess(SYNCHRONIZE, FALSE, started.id));
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
