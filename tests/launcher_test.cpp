// The launcher driven from outside, as a user drives it, on the demonstration
// medium whose stand-in installers record how they were started.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "automation.h"
#include "designed_layout.h"
#include "dpi.h"
#include "held_installers.h"
#include "launcher_session.h"
#include "step_keys.h"

namespace corvalidyne {
namespace {

using testing::InstallerStart;
using testing::LauncherSession;
using testing::MessageBoxText;
using testing::MessageBoxTitle;
using testing::StepKeys;
using Opened = std::vector<std::wstring>;

constexpr wchar_t kWebApp[] = L"http://localhost/corvalidyne";
constexpr wchar_t kWebServerMissing[] =
    L"You must install Internet Information Services prior to installing Corvalidyne.";

std::wstring Readme() { return testing::MediumFolder() + L"\\Readme.htm"; }

// The one stand-in that shows its window, once it does.
DWORD WaitForOneStandIn(std::size_t count = 1) {
  std::vector<DWORD> running;
  automation::WaitUntil([&] { return (running = testing::RunningStandIns()).size() >= count; }, 10000);
  return running.size() >= count ? running.back() : 0;
}

// A stand-in other than the given one, once it shows its window: windows are
// listed topmost first, so the newest is not always last.
DWORD WaitForStandInOtherThan(DWORD first) {
  DWORD other = 0;
  automation::WaitUntil(
      [&] {
        for (const DWORD running : testing::RunningStandIns()) {
          if (running != first) other = running;
        }
        return other != 0;
      },
      10000);
  return other;
}

TEST(Launcher, InstallsTheThreeStepsFromABareRegistryAndOpensTheWebAppAtClose) {
  StepKeys keys;
  keys.SetWebServerVersion(5);
  const testing::HeldInstallers installers;
  LauncherSession launcher(installers.Options());
  ASSERT_NE(launcher.Window(), nullptr);
  EXPECT_EQ(launcher.EnabledSteps(), "100");

  // After each refresh the keyboard goes on with the next step, and at the end with Close.
  const struct {
    const wchar_t* click;
    std::string enabledAfter;
    const wchar_t* focusAfter;
  } steps[] = {{L"cmdInstallStep1", "010", L"cmdInstallStep2"},
               {L"cmdInstallStep2", "001", L"cmdInstallStep3"},
               {L"cmdInstallStep3", "000", L"cmdClose"}};
  EXPECT_TRUE(
      automation::WaitUntil([&] { return launcher.Focus() == launcher.Control(L"cmdInstallStep1"); }, 3000));
  for (const auto& step : steps) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(step.click)));
    launcher.Click(step.click);
    const DWORD standIn = WaitForOneStandIn();
    ASSERT_NE(standIn, 0u);
    installers.Release(standIn);
    ASSERT_TRUE(testing::WaitForProcessEnd(standIn, 15000));
    EXPECT_TRUE(automation::WaitUntil([&] { return launcher.EnabledSteps() == step.enabledAfter; }, 15000))
        << launcher.EnabledSteps();
    // Windows gives the activation back to the launcher as the installer's
    // window goes; Wine without a window manager gives it to its desktop, and
    // may do so only after the refresh, so the test gives it back until it holds.
    EXPECT_TRUE(automation::WaitUntil(
        [&] {
          if (GetForegroundWindow() != launcher.Window()) SetForegroundWindow(launcher.Window());
          return launcher.Focus() == launcher.Control(step.focusAfter);
        },
        3000))
        << "the focus is on window " << launcher.Focus();
  }
  const std::vector<InstallerStart> expected{
      {L"3", L"Framework\\dotnetfx.exe"},
      {L"3", L"MSDE\\Setup.exe SAPWD=\"KelvaNortum\" INSTANCENAME=\"Corvalidyne\" SECURITYMODE=\"SQL\" "},
      {L"3", L"App\\Setup.exe"},
  };
  EXPECT_EQ(launcher.InstallerStarts(), expected);
  EXPECT_EQ(expected[1].commandLine.size(), 81u);

  launcher.Click(L"cmdClose");
  EXPECT_EQ(launcher.WaitForExit(), 0u);
  automation::WaitUntil([&] { return !launcher.Opened().empty(); }, 3000);
  Sleep(300);  // a second page would show by now
  EXPECT_EQ(launcher.Opened(), Opened{kWebApp});
  EXPECT_EQ(launcher.OpenedShows(), std::vector<std::wstring>{L"1"}) << "in a normal window";
}

// The launcher itself, with no stand-in for the display, at the system's DPI,
// which the copies of the prefix (launcher_at_system_dpi_144, _120) set before
// it starts; 96 in the tests' own prefix.
TEST(LauncherDpi, TheWindowAndEveryControlAreTheDesignsAtTheSystemsDpi) {
  wchar_t wanted[8] = L"96";
  GetEnvironmentVariableW(L"CORVALIDYNE_SYSTEM_DPI", wanted, 8);
  const int dpi = _wtoi(wanted);
  ASSERT_EQ(testing::ScreenDpi(), dpi) << "the prefix's system DPI";
  StepKeys keys;
  LauncherSession launcher;
  ASSERT_NE(launcher.Window(), nullptr);
  RECT client;
  GetClientRect(launcher.Window(), &client);
  EXPECT_EQ(client.right, MulDiv(6390, dpi, 1440));
  EXPECT_EQ(client.bottom, MulDiv(7155, dpi, 1440));
  for (const auto& expected : testing::kLayout) {
    SCOPED_TRACE(testing::Narrow(expected.name));
    const HWND control = launcher.Control(expected.name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GetParent(control),
              expected.container != nullptr ? launcher.Control(expected.container) : launcher.Window());
    testing::ExpectDesignedRect(control, expected, dpi);
  }
}

UINT WINAPI AnswersNothing(HWND) { return 0; }
UINT WINAPI Answers200(HWND) { return 200; }

// Where the system lacks the per-window function (Windows before 10 version
// 1607), or it answers nothing, a window takes the system's DPI, never a fixed
// 96. Wine has the function, so the case is reached through what the run-time
// lookup gives there; the prefix copies make the system's DPI 144 and 120.
TEST(LauncherDpi, WithoutThePerWindowAnswerAWindowTakesTheSystemsDpi) {
  wchar_t wanted[8] = L"96";
  GetEnvironmentVariableW(L"CORVALIDYNE_SYSTEM_DPI", wanted, 8);
  const int system = _wtoi(wanted);
  ASSERT_EQ(testing::ScreenDpi(), system) << "the prefix's system DPI";
  const HWND window =
      CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  const struct {
    const char* lookup;
    Dpi::WindowDpiFunction function;
    HWND window;
    int dpi;
  } rows[] = {
      {"missing", nullptr, window, system},
      {"answering nothing", &AnswersNothing, window, system},
      {"answering 200", &Answers200, window, 200},
      {"answering 200, no window yet", &Answers200, nullptr, system},
  };
  for (const auto& row : rows)
    EXPECT_EQ(Dpi::OfWindow(row.window, row.function).Value(), row.dpi) << row.lookup;
  DestroyWindow(window);
}

TEST(Launcher, StaysLiveWhileAnInstallerRunsAndServesClicksNested) {
  StepKeys keys;
  const testing::HeldInstallers installers;
  LauncherSession launcher(installers.Options());
  ASSERT_NE(launcher.Window(), nullptr);
  launcher.Click(L"cmdInstallStep1");
  const DWORD outer = WaitForOneStandIn();
  ASSERT_NE(outer, 0u);

  // Answers within about the poll interval. Two late answers of twelve are the
  // machine's load, not the wait: a wait that served messages less often than
  // every 160 ms would be late in most of them.
  std::vector<DWORD> late;
  for (int i = 0; i < 12; ++i) {
    const DWORD start = GetTickCount();
    DWORD_PTR result = 0;
    EXPECT_NE(SendMessageTimeoutW(launcher.Window(), WM_NULL, 0, 0, SMTO_BLOCK, 1000, &result), 0);
    if (const DWORD took = GetTickCount() - start; took > 160) late.push_back(took);
    Sleep(70);
  }
  EXPECT_LE(late.size(), 2u) << ::testing::PrintToString(late) << " ms";
  // A wait that served no paint would never repaint; the limits below only
  // bound how long a loaded machine may take to show it.
  RedrawWindow(launcher.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  EXPECT_TRUE(automation::WaitUntil([&] { return !GetUpdateRect(launcher.Window(), nullptr, FALSE); }, 1000))
      << "repainted";

  // The page opens in a program of its own, which Wine may take seconds to
  // start when the machine is busy.
  launcher.Click(L"cmdViewReadme");
  automation::WaitUntil([&] { return !launcher.Opened().empty(); }, 5000);
  EXPECT_EQ(launcher.Opened(), Opened{Readme()});
  EXPECT_EQ(launcher.OpenedShows(), std::vector<std::wstring>{L"1"}) << "in a normal window";
  EXPECT_TRUE(launcher.IsRunning());

  launcher.Click(L"cmdInstallStep1");
  const DWORD inner = WaitForStandInOtherThan(outer);
  ASSERT_NE(inner, 0u);
  installers.Release(outer);
  ASSERT_TRUE(testing::WaitForProcessEnd(outer, 5000));
  // The outer installer is done and its key written, but the outer Install
  // waits under the inner one: no refresh yet.
  Sleep(300);
  EXPECT_TRUE(StepKeys::Exists(testing::kFrameworkKey));
  EXPECT_EQ(launcher.EnabledSteps(), "100");
  installers.Release(inner);
  ASSERT_TRUE(testing::WaitForProcessEnd(inner, 5000));
  EXPECT_TRUE(launcher.WaitUntilEnabled(L"cmdInstallStep2", true, 2000));
  // The outer Install refreshes once more after the inner one; a refresh turns
  // all three buttons off for a moment before it enables one.
  Sleep(300);
  EXPECT_TRUE(automation::WaitUntil([&] { return launcher.EnabledSteps() == "010"; }, 2000))
      << launcher.EnabledSteps();
  EXPECT_EQ(launcher.InstallerStarts().size(), 2u);
}

TEST(Launcher, AnInstallerThatEndsWithoutInstallingLeavesItsStepEnabled) {
  for (const wchar_t* options : {L"run=300 skip", L"run=300 crash"}) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(options)));
    StepKeys keys;
    LauncherSession launcher(options);
    ASSERT_NE(launcher.Window(), nullptr);
    launcher.Click(L"cmdInstallStep1");
    const DWORD standIn = WaitForOneStandIn();
    ASSERT_NE(standIn, 0u);
    ASSERT_TRUE(testing::WaitForProcessEnd(standIn, 15000));
    Sleep(500);  // several polls: the Install has refreshed by now
    EXPECT_EQ(launcher.InstallerStarts().size(), 1u);
    EXPECT_FALSE(StepKeys::Exists(testing::kFrameworkKey));
    // A refresh turns all three buttons off for a moment before it enables one.
    EXPECT_TRUE(automation::WaitUntil([&] { return launcher.EnabledSteps() == "100"; }, 2000))
        << launcher.EnabledSteps();
    EXPECT_TRUE(launcher.IsRunning());
  }
}

// Step 3 asks for the web server first. One launcher serves all rows: the test
// reads the registry afresh at each click, and the stand-in installs nothing,
// so that step 3 stays enabled.
TEST(Launcher, Step3StartsOnlyWithTheWebServerInVersion5OrLater) {
  StepKeys keys;
  keys.Set(testing::kFrameworkKey, true);
  keys.Set(testing::kMsdeKey, true);
  LauncherSession launcher(L"run=100 skip");
  ASSERT_NE(launcher.Window(), nullptr);
  ASSERT_EQ(launcher.EnabledSteps(), "001");

  const auto setVersion = [&](DWORD type, const void* data, DWORD size) {
    keys.Set(testing::kWebServerKey, true);
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, testing::kWebServerKey, L"MajorVersion", type, data, size);
  };
  const DWORD four = 4, five = 5, six = 6;
  const BYTE bytes[] = {6, 0, 0, 0};
  const struct {
    const char* name;
    std::function<void()> arrange;
    bool starts;
  } rows[] = {
      {"no web server", [&] { keys.Set(testing::kWebServerKey, false); }, false},
      {"MajorVersion missing", [&] { keys.Set(testing::kWebServerKey, true); }, false},
      {"MajorVersion 4", [&] { setVersion(REG_DWORD, &four, sizeof four); }, false},
      {"MajorVersion 5", [&] { setVersion(REG_DWORD, &five, sizeof five); }, true},
      {"MajorVersion 6", [&] { setVersion(REG_DWORD, &six, sizeof six); }, true},
      {"MajorVersion text 6", [&] { setVersion(REG_SZ, L"6", 4); }, true},
      {"MajorVersion text 4", [&] { setVersion(REG_SZ, L"4", 4); }, false},
      {"MajorVersion bytes", [&] { setVersion(REG_BINARY, bytes, sizeof bytes); }, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    keys.Set(testing::kWebServerKey, false);
    row.arrange();
    const std::size_t startsBefore = launcher.InstallerStarts().size();
    const std::size_t openedBefore = launcher.Opened().size();
    launcher.Click(L"cmdInstallStep3");
    if (row.starts) {
      EXPECT_TRUE(
          automation::WaitUntil([&] { return launcher.InstallerStarts().size() == startsBefore + 1; }, 5000));
      EXPECT_EQ(launcher.WaitForMessageBox(300), nullptr);
      automation::WaitUntil([] { return testing::RunningStandIns().empty(); }, 5000);
      Sleep(300);
    } else {
      const HWND box = launcher.WaitForMessageBox();
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(MessageBoxText(box), kWebServerMissing);
      EXPECT_EQ(MessageBoxTitle(box), L"Corvalidyne");
      EXPECT_EQ(launcher.Opened().size(), openedBefore) << "the Readme opens after the box";
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      EXPECT_TRUE(automation::WaitUntil([&] { return launcher.Opened().size() == openedBefore + 1; }, 3000));
      EXPECT_EQ(launcher.Opened().back(), Readme());
      EXPECT_EQ(launcher.InstallerStarts().size(), startsBefore) << "nothing launched";
    }
    // A refresh turns all three buttons off for a moment before it enables one.
    EXPECT_TRUE(automation::WaitUntil([&] { return launcher.EnabledSteps() == "001"; }, 2000))
        << launcher.EnabledSteps();
  }
}

enum class CloseKind { CloseButton, WindowClose, SystemMenu, SessionEnd };

void CloseBy(const LauncherSession& launcher, CloseKind kind) {
  switch (kind) {
    case CloseKind::CloseButton:
      return launcher.Click(L"cmdClose");
    case CloseKind::WindowClose:
      PostMessageW(launcher.Window(), WM_CLOSE, 0, 0);
      return;
    case CloseKind::SystemMenu:
      PostMessageW(launcher.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
      return;
    case CloseKind::SessionEnd: {
      DWORD_PTR mayEnd = 0;
      SendMessageTimeoutW(launcher.Window(), WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 5000, &mayEnd);
      EXPECT_EQ(mayEnd, static_cast<DWORD_PTR>(TRUE)) << "the session may end";
      PostMessageW(launcher.Window(), WM_ENDSESSION, TRUE, 0);
      return;
    }
  }
}

TEST(Launcher, ClosingOpensTheWebAppOnlyWhenAllFourTestsPass) {
  const struct {
    const char* name;
    bool webServer, framework, msde, webApp;
    CloseKind kind;
    bool opens;
  } rows[] = {
      {"all done, close box", true, true, true, true, CloseKind::WindowClose, true},
      {"all done, system menu", true, true, true, true, CloseKind::SystemMenu, true},
      {"all done, session ends", true, true, true, true, CloseKind::SessionEnd, true},
      {"no web server", false, true, true, true, CloseKind::CloseButton, false},
      {"no framework", true, false, true, true, CloseKind::WindowClose, false},
      {"no database engine", true, true, false, true, CloseKind::SystemMenu, false},
      {"no web application", true, true, true, false, CloseKind::SessionEnd, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    StepKeys keys;
    if (row.webServer) keys.SetWebServerVersion(5);
    keys.Set(testing::kFrameworkKey, row.framework);
    keys.Set(testing::kMsdeKey, row.msde);
    keys.Set(testing::kWebAppKey, row.webApp);
    LauncherSession launcher;
    ASSERT_NE(launcher.Window(), nullptr);
    CloseBy(launcher, row.kind);
    EXPECT_EQ(launcher.WaitForExit(), 0u);
    if (row.opens) automation::WaitUntil([&] { return !launcher.Opened().empty(); }, 3000);
    Sleep(300);
    EXPECT_EQ(launcher.Opened(), row.opens ? Opened{kWebApp} : Opened{});
  }
}

TEST(Launcher, ClosingDuringAnInstallEndsTheProgramWhenTheInstallerEnds) {
  StepKeys keys;
  const testing::HeldInstallers installers;
  LauncherSession launcher(installers.Options());
  ASSERT_NE(launcher.Window(), nullptr);
  launcher.Click(L"cmdInstallStep1");
  const DWORD standIn = WaitForOneStandIn();
  ASSERT_NE(standIn, 0u);
  PostMessageW(launcher.Window(), WM_CLOSE, 0, 0);
  // Wine without a window manager spends up to 2 s hiding a window that is not
  // the active one; the installer runs until released.
  EXPECT_TRUE(automation::WaitUntil([&] { return !IsWindow(launcher.Window()); }, 3000)) << "the window goes";
  EXPECT_TRUE(launcher.IsRunning()) << "the Install still waits for its installer";
  installers.Release();
  ASSERT_TRUE(testing::WaitForProcessEnd(standIn, 10000));
  EXPECT_EQ(launcher.WaitForExit(2000), 0u) << "ends, without a crash, once the installer has ended";
  EXPECT_TRUE(launcher.Opened().empty());
}

// A folder under the temporary folder with files copied into it; removed with
// everything put there.
class TempFolder {
 public:
  explicit TempFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + name;
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~TempFolder() {
    for (auto file = files_.rbegin(); file != files_.rend(); ++file) DeleteFileW(file->c_str());
    for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder)
      RemoveDirectoryW(folder->c_str());
    RemoveDirectoryW(path_.c_str());
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::wstring& Path() const { return path_; }
  // Copies source to the relative path, making its folder.
  void Put(const std::wstring& relative, const std::wstring& source) {
    const auto slash = relative.find_last_of(L'\\');
    if (slash != std::wstring::npos) {
      folders_.push_back(path_ + L"\\" + relative.substr(0, slash));
      CreateDirectoryW(folders_.back().c_str(), nullptr);
    }
    files_.push_back(path_ + L"\\" + relative);
    EXPECT_TRUE(CopyFileW(source.c_str(), files_.back().c_str(), FALSE)) << Narrow(relative);
  }

 private:
  static std::string Narrow(const std::wstring& text) { return ::testing::PrintToString(text); }
  std::wstring path_;
  std::vector<std::wstring> files_;
  std::vector<std::wstring> folders_;
};

std::wstring ErrorDescription(DWORD number) {
  wchar_t description[256] = {};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, number, 0, description,
                 256, nullptr);
  std::wstring text(description);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
  return text;
}

// The installer is looked for in the current directory and nowhere else. A
// decoy, the recorder under the installer's name, would show among what was
// opened if it ran.
TEST(Launcher, StartsTheInstallerOfTheCurrentDirectoryOnly) {
  const std::wstring kInstaller = L"Framework\\dotnetfx.exe";
  const std::wstring decoy = testing::BuildFolder() + L"\\recorder.exe";
  const std::wstring launcher = testing::MediumFolder() + L"\\CorvalidyneSetup.exe";
  enum class Decoy { None, BesideTheLauncher, OnPath };
  const struct {
    const char* name;
    bool inMedium;  // the installer lies in the medium, the current directory
    Decoy decoy;
  } rows[] = {
      {"missing, no decoy", false, Decoy::None},
      {"missing, a decoy beside the launcher", false, Decoy::BesideTheLauncher},
      {"missing, a decoy on PATH", false, Decoy::OnPath},
      {"present, a decoy beside the launcher", true, Decoy::BesideTheLauncher},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    StepKeys keys;
    TempFolder medium(L"corvalidyne-medium");
    if (row.inMedium) medium.Put(kInstaller, testing::MediumFolder() + L"\\" + kInstaller);
    // The launcher runs from a folder of its own, the medium being its current directory.
    TempFolder launcherFolder(L"corvalidyne-launcher");
    launcherFolder.Put(L"CorvalidyneSetup.exe", launcher);
    if (row.decoy == Decoy::BesideTheLauncher) launcherFolder.Put(kInstaller, decoy);
    TempFolder onPath(L"corvalidyne-on-path");
    if (row.decoy == Decoy::OnPath) onPath.Put(kInstaller, decoy);

    wchar_t path[32767] = {};
    GetEnvironmentVariableW(L"PATH", path, 32767);
    SetEnvironmentVariableW(L"PATH", (onPath.Path() + L";" + path).c_str());
    LauncherSession session(L"run=200", medium.Path(), 15000, launcherFolder.Path());
    SetEnvironmentVariableW(L"PATH", path);
    ASSERT_NE(session.Window(), nullptr);
    // Were the steps refreshed after a failed start, step 2 would be enabled.
    if (!row.inMedium) keys.Set(testing::kFrameworkKey, true);
    session.Click(L"cmdInstallStep1");

    if (row.inMedium) {
      EXPECT_TRUE(session.WaitUntilEnabled(L"cmdInstallStep2", true));
      EXPECT_EQ(session.InstallerStarts(), (std::vector<InstallerStart>{{L"3", kInstaller}}));
      session.Click(L"cmdClose");
      EXPECT_EQ(session.WaitForExit(), 0u);
    } else {
      const HWND box = session.WaitForMessageBox();
      ASSERT_NE(box, nullptr);
      const std::wstring text = MessageBoxText(box);
      EXPECT_NE(text.find(L"Error 2: " + ErrorDescription(ERROR_FILE_NOT_FOUND)), std::wstring::npos)
          << ::testing::PrintToString(text);
      EXPECT_EQ(MessageBoxTitle(box), L"Corvalidyne");
      EXPECT_EQ(session.EnabledSteps(), "100");
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      EXPECT_EQ(session.WaitForExit(), 1u);
      EXPECT_TRUE(session.InstallerStarts().empty());
    }
    EXPECT_TRUE(session.Opened().empty()) << "a decoy ran";
  }
}

}  // namespace
}  // namespace corvalidyne
