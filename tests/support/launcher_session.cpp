#include "launcher_session.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "automation.h"
#include "form_design.h"
#include "setup_form.h"

namespace corvalidyne::testing {

namespace {

std::wstring TempFile(const wchar_t* suffix) {
  static int counter = 0;
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + L"corvalidyne-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(++counter) + suffix;
}

std::vector<std::wstring> Lines(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  std::vector<std::wstring> lines;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), wide.data(), length);
    lines.push_back(wide);
  }
  return lines;
}

// The lines "show=N<TAB>command line" that the stand-ins and the recorder write.
std::vector<InstallerStart> Starts(const std::wstring& path) {
  std::vector<InstallerStart> starts;
  for (const std::wstring& line : Lines(path)) {
    const auto tab = line.find(L'\t');
    if (line.rfind(L"show=", 0) != 0 || tab == std::wstring::npos) continue;
    starts.push_back({line.substr(5, tab - 5), line.substr(tab + 1)});
  }
  return starts;
}

// The argument after the recorder's own path: "C:\...\recorder.exe" "what".
std::wstring OpenedTarget(const std::wstring& commandLine) {
  std::size_t start = commandLine[0] == L'"' ? commandLine.find(L'"', 1) + 1 : commandLine.find(L' ');
  start = commandLine.find_first_not_of(L' ', start);
  if (start == std::wstring::npos) return {};
  std::wstring target = commandLine.substr(start);
  if (target.size() >= 2 && target.front() == L'"' && target.back() == L'"') {
    target = target.substr(1, target.size() - 2);
  }
  return target;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

BOOL CALLBACK VisitStandIn(HWND window, LPARAM context) {
  if (IsWindowVisible(window) && ClassOf(window) == L"CorvalidyneStandIn") {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    reinterpret_cast<std::vector<DWORD>*>(context)->push_back(processId);
  }
  return TRUE;
}

}  // namespace

LauncherSession::LauncherSession(const std::wstring& standInOptions, const std::wstring& medium,
                                 DWORD startTimeoutMs, const std::wstring& launcherFolder)
    : standInLog_(TempFile(L"-standin.log")), recorderLog_(TempFile(L"-opened.log")) {
  // The launcher, the stand-ins it starts and the pages the shell opens all
  // inherit these.
  SetEnvironmentVariableW(L"CORVALIDYNE_STANDIN", standInOptions.c_str());
  SetEnvironmentVariableW(L"CORVALIDYNE_STANDIN_LOG", standInLog_.c_str());
  SetEnvironmentVariableW(L"CORVALIDYNE_RECORDER_LOG", recorderLog_.c_str());
  const std::wstring exe = (launcherFolder.empty() ? medium : launcherFolder) + L"\\CorvalidyneSetup.exe";
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION information{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, medium.c_str(),
                      &startup, &information)) {
    ADD_FAILURE() << "the launcher did not start: CreateProcess failed with error " << GetLastError();
    return;
  }
  CloseHandle(information.hThread);
  process_ = information.hProcess;
  processId_ = information.dwProcessId;
  // However slow the machine, the wait ends only with the window or with the
  // launcher's end, and a launcher that never shows its window says how it ended.
  automation::WaitUntil(
      [&] {
        window_ = automation::FindTopLevelWindow(processId_, SetupForm::kClassName, 0);
        return window_ != nullptr || !IsRunning();
      },
      startTimeoutMs);
  if (window_ == nullptr) {
    DWORD exitCode = 0;
    GetExitCodeProcess(process_, &exitCode);
    if (exitCode == STILL_ACTIVE) {
      ADD_FAILURE() << "no launcher window after " << startTimeoutMs << " ms";
    } else {
      ADD_FAILURE() << "the launcher ended with exit code " << exitCode << " before showing its window";
    }
  }
  // The window shows before its first refresh has ended; once it answers a
  // message, the program has reached its message loop.
  DWORD_PTR ignored = 0;
  if (window_ != nullptr) {
    SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_BLOCK, startTimeoutMs, &ignored);
  }
}

LauncherSession::~LauncherSession() {
  if (process_ != nullptr) {
    // A launcher left running first ends its message loop, as the program ends
    // (a coverage build writes its counts only then); by force if it cannot.
    if (IsRunning() && window_ != nullptr) {
      PostThreadMessageW(GetWindowThreadProcessId(window_, nullptr), WM_QUIT, 0, 0);
    }
    if (WaitForSingleObject(process_, 3000) == WAIT_TIMEOUT) {
      TerminateProcess(process_, 99);
      WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
  }
  for (const DWORD standIn : RunningStandIns()) WaitForProcessEnd(standIn, 10000);
  DeleteFileW(standInLog_.c_str());
  DeleteFileW(recorderLog_.c_str());
}

HWND LauncherSession::Control(const wchar_t* name) const {
  const ControlDesign* design = FindControlDesign(name);
  return design != nullptr ? automation::FindControl(window_, ControlId(*design)) : nullptr;
}

void LauncherSession::Click(const wchar_t* name) const { automation::Click(Control(name)); }

HWND LauncherSession::Focus() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = GetWindowThreadProcessId(window_, nullptr);
  return thread != 0 && GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

std::string LauncherSession::EnabledSteps() const {
  std::string enabled;
  for (const wchar_t* button : {L"cmdInstallStep1", L"cmdInstallStep2", L"cmdInstallStep3"})
    enabled += IsEnabled(button) ? '1' : '0';
  return enabled;
}

bool LauncherSession::WaitUntilEnabled(const wchar_t* name, bool enabled, DWORD timeoutMs) const {
  return automation::WaitUntil([&] { return IsEnabled(name) == enabled; }, timeoutMs);
}

HWND LauncherSession::WaitForMessageBox(DWORD timeoutMs) const {
  return automation::FindTopLevelWindow(processId_, L"#32770", timeoutMs);
}

DWORD LauncherSession::WaitForExit(DWORD timeoutMs) const {
  if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD exitCode = STILL_ACTIVE;
  GetExitCodeProcess(process_, &exitCode);
  return exitCode;
}

std::vector<InstallerStart> LauncherSession::InstallerStarts() const { return Starts(standInLog_); }

std::vector<std::wstring> LauncherSession::Opened() const {
  std::vector<std::wstring> opened;
  for (const InstallerStart& start : Starts(recorderLog_)) opened.push_back(OpenedTarget(start.commandLine));
  return opened;
}

std::vector<std::wstring> LauncherSession::OpenedShows() const {
  std::vector<std::wstring> shows;
  for (const InstallerStart& start : Starts(recorderLog_)) shows.push_back(start.show);
  return shows;
}

std::vector<DWORD> RunningStandIns() {
  std::vector<DWORD> processes;
  EnumWindows(VisitStandIn, reinterpret_cast<LPARAM>(&processes));
  return processes;
}

bool WaitForProcessEnd(DWORD processId, DWORD timeoutMs) {
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  if (process == nullptr) return true;
  const bool ended = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

std::wstring MessageBoxTitle(HWND box) {
  wchar_t text[256] = {};
  GetWindowTextW(box, text, 256);
  return text;
}

std::wstring MessageBoxText(HWND box) {
  wchar_t text[1024] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 1024);
  return text;
}

}  // namespace corvalidyne::testing
