// ShellAndWait on its own, with the stand-in installer as the program it starts
// (outside the medium's folders it installs nothing).
#include "shell_command.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "build_folders.h"
#include "handle_probe.h"
#include "launch_error.h"
#include "text_conversion.h"

namespace corvalidyne {
namespace {

constexpr UINT kProbeMessage = WM_APP + 7;

std::string StandIn() {
  const std::wstring path = testing::BuildFolder() + L"\\standin.exe";
  return "\"" + std::string(path.begin(), path.end()) + "\"";
}

void StandInRunsFor(int milliseconds) {
  SetEnvironmentVariableW(L"CORVALIDYNE_STANDIN", (L"run=" + std::to_wstring(milliseconds)).c_str());
  SetEnvironmentVariableW(L"CORVALIDYNE_STANDIN_LOG",
                          (testing::BuildFolder() + L"\\standin-test.log").c_str());
}

// A window of the test thread that counts the probe messages it is served.
class ProbeWindow {
 public:
  ProbeWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ShellCommandProbe";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, L"ShellCommandProbe", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    served_ = 0;
  }
  ~ProbeWindow() { DestroyWindow(window_); }
  void Post() const { PostMessageW(window_, kProbeMessage, 0, 0); }
  int Served() const { return served_; }
  bool StillQueued() const {
    MSG message;
    return PeekMessageW(&message, window_, kProbeMessage, kProbeMessage, PM_NOREMOVE) != FALSE;
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kProbeMessage) ++served_;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  static inline int served_ = 0;
  HWND window_ = nullptr;
};

DWORD Elapsed(DWORD start) { return GetTickCount() - start; }

// Fakes for the platform calls. The state is the test's own: Windows calls them
// as plain functions.
struct FakeSetup {
  DWORD createError = 0;         // the start fails with this, unless 0
  bool endBeforeReturn = false;  // the started program has ended before the start returns
  bool refuseOpen = false;
  DWORD shellError = 0;  // the shell's start fails with this (consent refused), unless 0
};
struct Fakes {
  FakeSetup setup;
  HANDLE startHandle = nullptr;
  DWORD startReturnedAt = 0;
  bool startHandleHeldAtOpen = false;
  int shellExecuteCalls = 0;
  std::string verb, file, parameters;
  int show = -1;
  ULONG mask = 0;
  std::string application, commandLine;  // as the start was asked for them
};
Fakes fakes;

BOOL WINAPI FakeCreateProcess(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES process,
                              LPSECURITY_ATTRIBUTES thread, BOOL inherit, DWORD flags, LPVOID environment,
                              LPCSTR folder, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION information) {
  fakes.application = application ? application : "(none)";
  fakes.commandLine = commandLine;
  if (fakes.setup.createError != 0) {
    SetLastError(fakes.setup.createError);
    return FALSE;
  }
  if (!CreateProcessA(application, commandLine, process, thread, inherit, flags, environment, folder, startup,
                      information)) {
    return FALSE;
  }
  fakes.startHandle = information->hProcess;
  if (fakes.setup.endBeforeReturn) WaitForSingleObject(information->hProcess, INFINITE);
  fakes.startReturnedAt = GetTickCount();
  return TRUE;
}

BOOL WINAPI FakeShellExecuteEx(SHELLEXECUTEINFOA* execute) {
  ++fakes.shellExecuteCalls;
  fakes.verb = execute->lpVerb ? execute->lpVerb : "";
  fakes.file = execute->lpFile ? execute->lpFile : "";
  fakes.parameters = execute->lpParameters ? execute->lpParameters : "";
  fakes.show = execute->nShow;
  fakes.mask = execute->fMask;
  if (fakes.setup.shellError != 0) {
    SetLastError(fakes.setup.shellError);
    return FALSE;
  }
  // The consent given, the shell starts the program.
  std::string commandLine = StandIn();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION information{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &information)) {
    return FALSE;
  }
  CloseHandle(information.hThread);
  execute->hProcess = information.hProcess;
  return TRUE;
}

HANDLE WINAPI FakeOpenProcess(DWORD access, BOOL inherit, DWORD id) {
  DWORD flags = 0;
  fakes.startHandleHeldAtOpen =
      fakes.startHandle != nullptr && GetHandleInformation(fakes.startHandle, &flags);
  if (fakes.setup.refuseOpen) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return OpenProcess(access, inherit, id);
}

ShellCommand WithFakes(const FakeSetup& setup) {
  fakes = Fakes();
  fakes.setup = setup;
  return ShellCommand(LaunchFunctions{&FakeCreateProcess, &FakeShellExecuteEx, &FakeOpenProcess});
}

TEST(ShellAndWait, AProgramThatHasEndedReturnsAtOnceWithoutServingMessages) {
  StandInRunsFor(0);
  const ProbeWindow probe;
  probe.Post();
  const ShellCommand command = WithFakes({.endBeforeReturn = true});
  command.ShellAndWait(StandIn(), SW_SHOWNORMAL, true);
  EXPECT_LT(Elapsed(fakes.startReturnedAt), 50u) << "returned within the first poll";
  EXPECT_TRUE(probe.StillQueued()) << "no message processing took place";
  EXPECT_EQ(probe.Served(), 0);
  EXPECT_TRUE(fakes.startHandleHeldAtOpen) << "opened by identifier while the start's handle was held";
}

TEST(ShellAndWait, ServesMessagesWhileWaitingOnlyWhenAsked) {
  for (const bool doEvents : {true, false}) {
    SCOPED_TRACE(doEvents ? "bDoEvents true" : "bDoEvents false");
    StandInRunsFor(800);
    const ProbeWindow probe;
    probe.Post();
    const DWORD start = GetTickCount();
    ShellCommand().ShellAndWait(StandIn(), SW_SHOWNORMAL, doEvents);
    EXPECT_GE(Elapsed(start), 700u) << "waited for the program to end";
    EXPECT_EQ(probe.Served(), doEvents ? 1 : 0);
    EXPECT_EQ(probe.StillQueued(), !doEvents);
  }
}

TEST(ShellAndWait, AProcessThatCannotBeOpenedCountsAsEnded) {
  StandInRunsFor(1500);
  const ShellCommand command = WithFakes({.refuseOpen = true});
  const DWORD start = GetTickCount();
  command.ShellAndWait(StandIn(), SW_SHOWNORMAL, true);
  EXPECT_LT(Elapsed(start), 1000u);
}

std::string CurrentFolder() {
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, folder);
  return folder;
}

// A folder as the current directory for the life of the object: the
// demonstration medium, where the installers that the command lines name exist,
// or the build folder, where the stand-in installs nothing.
class InFolder {
 public:
  explicit InFolder(const std::wstring& folder) : previous_(CurrentFolder()) {
    SetCurrentDirectoryW(folder.c_str());
  }
  ~InFolder() { SetCurrentDirectoryA(previous_.c_str()); }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

 private:
  std::string previous_;
};

TEST(ShellAndWait, OnlyARequestForElevationStartsThroughTheShell) {
  StandInRunsFor(500);
  const InFolder medium(testing::MediumFolder());
  const struct {
    DWORD createError;
    bool refuseOpen;  // the elevated process cannot be opened by its identifier
    DWORD thrown;     // 0: none
    int shellExecuteCalls;
    DWORD shellError = 0;
  } rows[] = {
      {ERROR_ELEVATION_REQUIRED, false, 0, 1},
      {ERROR_ELEVATION_REQUIRED, true, 0, 1},
      {ERROR_ELEVATION_REQUIRED, false, ERROR_CANCELLED, 1, ERROR_CANCELLED},
      {ERROR_ACCESS_DENIED, false, ERROR_ACCESS_DENIED, 0},
      {ERROR_FILE_NOT_FOUND, false, ERROR_FILE_NOT_FOUND, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.createError << (row.refuseOpen ? ", not opened" : "")
                                      << (row.shellError != 0 ? ", consent refused" : ""));
    const ShellCommand command = WithFakes(
        {.createError = row.createError, .refuseOpen = row.refuseOpen, .shellError = row.shellError});
    const std::string commandLine = "MSDE\\Setup.exe SAPWD=\"x\" INSTANCENAME=\"Corvalidyne\" ";
    DWORD thrown = 0;
    const DWORD start = GetTickCount();
    try {
      command.ShellAndWait(commandLine, SW_SHOWMAXIMIZED, true);
    } catch (const LaunchError& error) {
      thrown = error.Number();
      EXPECT_FALSE(error.Description().empty());
    }
    EXPECT_EQ(thrown, row.thrown);
    EXPECT_EQ(fakes.shellExecuteCalls, row.shellExecuteCalls);
    if (row.shellExecuteCalls == 0 || row.thrown != 0) continue;
    EXPECT_GE(Elapsed(start), 400u) << "waited on the process the shell started";
    EXPECT_EQ(fakes.verb, "open");
    EXPECT_EQ(fakes.file, CurrentFolder() + "\\MSDE\\Setup.exe") << "the program the start resolved";
    EXPECT_EQ(fakes.parameters, "SAPWD=\"x\" INSTANCENAME=\"Corvalidyne\" ");
    EXPECT_EQ(fakes.show, SW_SHOWMAXIMIZED);
    EXPECT_NE(fakes.mask & SEE_MASK_NOCLOSEPROCESS, 0u);
  }
}

// The launcher's own shell call, which loads the shell on this first need: the
// program it starts is the one resolved, and it is waited for.
TEST(ShellAndWait, ARequestForElevationGoesToTheSystemsShell) {
  StandInRunsFor(500);
  const InFolder build(testing::BuildFolder());
  fakes = Fakes();
  fakes.setup.createError = ERROR_ELEVATION_REQUIRED;
  LaunchFunctions functions;
  functions.createProcess = &FakeCreateProcess;
  const DWORD start = GetTickCount();
  ShellCommand(functions).ShellAndWait("standin.exe", SW_SHOWNORMAL, true);
  EXPECT_GE(Elapsed(start), 400u) << "waited on the process the shell started";
}

// The program is looked for in the current directory alone, and the command
// line reaches the start exactly as given.
TEST(ShellAndWait, ResolvesTheProgramAgainstTheCurrentDirectoryAndPassesTheCommandLineUnchanged) {
  const std::string msde =
      "MSDE\\Setup.exe SAPWD=\"KelvaNortum\" INSTANCENAME=\"Corvalidyne\" SECURITYMODE=\"SQL\" ";
  const InFolder medium(testing::MediumFolder());
  const struct {
    std::string commandLine;
    std::string application;
  } rows[] = {
      {"Framework\\dotnetfx.exe", CurrentFolder() + "\\Framework\\dotnetfx.exe"},
      {msde, CurrentFolder() + "\\MSDE\\Setup.exe"},
      {"\"App\\Setup.exe\" /q", CurrentFolder() + "\\App\\Setup.exe"},
      {CurrentFolder() + "\\App\\Setup.exe", CurrentFolder() + "\\App\\Setup.exe"},
  };
  ASSERT_EQ(msde.size(), 81u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.commandLine);
    try {
      WithFakes({.createError = ERROR_FILE_NOT_FOUND}).ShellAndWait(row.commandLine, SW_SHOWMAXIMIZED, true);
    } catch (const LaunchError&) {
    }
    EXPECT_EQ(fakes.application, row.application);
    EXPECT_EQ(fakes.commandLine, row.commandLine);
  }
}

TEST(ShellAndWait, AMissingProgramFailsWithThePlatformsError) {
  try {
    ShellCommand().ShellAndWait("NoSuchFolder\\missing.exe", SW_SHOWMAXIMIZED, true);
    FAIL() << "no error";
  } catch (const LaunchError& error) {
    EXPECT_EQ(error.Number(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << "also where its folder is missing";
    wchar_t expected[256] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error.Number(), 0,
                   expected, 256, nullptr);
    EXPECT_EQ(std::wstring(expected).find(error.Description()), 0u);
    // What a handler of any std::exception reports.
    EXPECT_EQ(error.what(), "cannot start the program: error 2: " + ToUtf8(error.Description()));
  }
}

// Windows ends its messages with CRLF, which has no place in the sentence the
// user reads; a message of nothing else is no description.
TEST(LaunchError, TheDescriptionIsTheSystemsTextWithoutTheLineBreaksEndingIt) {
  const struct {
    std::wstring_view text;
    std::wstring description;
  } rows[] = {
      {L"The system cannot find the file specified.\r\n", L"The system cannot find the file specified."},
      {L"Access is denied. \r\n\r\n", L"Access is denied."},
      {L"Line one.\r\nLine two.\n", L"Line one.\r\nLine two."},
      {L"No line end.", L"No line end."},
      {L"\r\n", L"Unknown system error"},
      {L"", L"Unknown system error"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(DescriptionFromSystemText(row.text), row.description) << ToUtf8(std::wstring(row.text));
  }
}

// A name the file system refuses (a '?') is no missing file: the start fails with
// the system's own error for starting it, not the missing file's.
TEST(ShellAndWait, AnInvalidProgramNameFailsWithTheStartsOwnError) {
  const std::string relative = "Folder?\\setup.exe";
  char full[MAX_PATH] = {};
  ASSERT_GT(GetFullPathNameA(relative.c_str(), MAX_PATH, full, nullptr), 0u);
  ASSERT_EQ(GetFileAttributesA(full), INVALID_FILE_ATTRIBUTES);
  ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION information{};
  std::string commandLine = relative;
  ASSERT_FALSE(CreateProcessA(full, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &information));
  const DWORD expected = GetLastError();
  try {
    ShellCommand().ShellAndWait(relative, SW_SHOWNORMAL, false);
    FAIL() << "no error";
  } catch (const LaunchError& error) {
    EXPECT_EQ(error.Number(), expected);
  }
}

TEST(ShellAndWait, LeavesNoHandleOpenOnAnyPath) {
  StandInRunsFor(0);
  const struct {
    const char* name;
    FakeSetup fakes;
    std::string commandLine;
  } paths[] = {
      {"ended", {}, StandIn()},
      {"ended before the start returned", {.endBeforeReturn = true}, StandIn()},
      {"not opened", {.refuseOpen = true}, StandIn()},
      {"through the shell", {.createError = ERROR_ELEVATION_REQUIRED}, StandIn()},
      {"missing program", {}, "NoSuchFolder\\missing.exe"},
  };
  for (const auto& path : paths) {
    SCOPED_TRACE(path.name);
    const auto runOnce = [&] {
      try {
        WithFakes(path.fakes).ShellAndWait(path.commandLine, SW_SHOWNORMAL, true);
      } catch (const LaunchError&) {
      }
      Sleep(100);  // a program not waited for ends on its own
    };
    runOnce();  // first use loads what the process keeps
    const testing::HandleProbe probe;
    for (int i = 0; i < 4; ++i) runOnce();
    EXPECT_EQ(probe.Growth(), 0);
  }
}

ULONGLONG ProcessCpuMilliseconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto value = [](const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return (value(kernel) + value(user)) / 10000;
}

TEST(ShellAndWait, SpendsNoNoticeableTimeWhileWaiting) {
  for (const bool doEvents : {true, false}) {
    SCOPED_TRACE(doEvents ? "bDoEvents true" : "bDoEvents false");
    StandInRunsFor(2000);
    const ULONGLONG before = ProcessCpuMilliseconds();
    const DWORD start = GetTickCount();
    ShellCommand().ShellAndWait(StandIn(), SW_SHOWNORMAL, doEvents);
    EXPECT_GE(Elapsed(start), 1900u);
    EXPECT_LT(ProcessCpuMilliseconds() - before, 200u) << "busy while waiting";
  }
}

void CALLBACK PostQuitOnce(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  PostQuitMessage(7);
}

TEST(ShellAndWait, AQuitRequestTakenDuringTheWaitIsPostedAgainAfterIt) {
  StandInRunsFor(800);
  SetTimer(nullptr, 0, 200, PostQuitOnce);
  const DWORD start = GetTickCount();
  ShellCommand().ShellAndWait(StandIn(), SW_SHOWNORMAL, true);
  EXPECT_GE(Elapsed(start), 700u) << "went on waiting for the program";
  MSG quit{};
  ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 7u);
}

// A shown top-level window of the test thread with two buttons, a plain window
// as the setup window is: Tab moves between them only where messages are
// served with the dialog keys.
class TwoButtonWindow {
 public:
  TwoButtonWindow() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"ShellCommandTwoButtons";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 300, 100, nullptr,
                              nullptr, instance, nullptr);
    for (const int left : {10, 150}) {
      CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, left, 10, 120,
                      30, window_, nullptr, instance, nullptr);
    }
    ShowWindow(window_, SW_SHOWNORMAL);
    SetForegroundWindow(window_);
  }
  ~TwoButtonWindow() { DestroyWindow(window_); }
  TwoButtonWindow(const TwoButtonWindow&) = delete;
  TwoButtonWindow& operator=(const TwoButtonWindow&) = delete;

  HWND First() const { return GetWindow(window_, GW_CHILD); }
  HWND Second() const { return GetWindow(First(), GW_HWNDNEXT); }

 private:
  HWND window_ = nullptr;
};

TEST(ShellAndWait, TabMovesBetweenButtonsWhileWaiting) {
  StandInRunsFor(600);
  const TwoButtonWindow window;
  SetFocus(window.First());
  ASSERT_EQ(GetFocus(), window.First());
  PostMessageW(window.First(), WM_KEYDOWN, VK_TAB, 1);
  PostMessageW(window.First(), WM_KEYUP, VK_TAB, 0xC0000001);
  // The program must not take the activation, and the focus with it.
  ShellCommand().ShellAndWait(StandIn(), SW_SHOWNOACTIVATE, true);
  EXPECT_EQ(GetFocus(), window.Second());
}

TEST(SplitCommandLine, SeparatesTheProgramFromItsParameters) {
  const struct {
    const char* commandLine;
    const char* program;
    const char* parameters;
  } rows[] = {
      {"App\\Setup.exe", "App\\Setup.exe", ""},
      {"MSDE\\Setup.exe SAPWD=\"a b\" X ", "MSDE\\Setup.exe", "SAPWD=\"a b\" X "},
      {"\"C:\\Program Files\\s.exe\"  /q", "C:\\Program Files\\s.exe", "/q"},
      {"\"C:\\x.exe\"", "C:\\x.exe", ""},
  };
  for (const auto& row : rows) {
    const SplitCommand split = SplitCommandLine(row.commandLine);
    EXPECT_EQ(split.program, row.program) << row.commandLine;
    EXPECT_EQ(split.parameters, row.parameters) << row.commandLine;
  }
}

}  // namespace
}  // namespace corvalidyne
