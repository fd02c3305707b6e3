// Faults during an installation, driven from outside the launcher: the session
// ending while an installer runs, Install clicked over and over, an installer
// file that is no program. Each case runs step 1 and disturbs it; afterwards
// every installer has ended, the launcher holds the state the registry shows
// and ends with the expected exit code, without a crash.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation.h"
#include "held_installers.h"
#include "launcher_session.h"
#include "step_keys.h"

namespace corvalidyne {
namespace {

using testing::InstallerStart;
using testing::LauncherSession;
using Opened = std::vector<std::wstring>;

constexpr wchar_t kWebApp[] = L"http://localhost/corvalidyne";
constexpr wchar_t kStep1Installer[] = L"Framework\\dotnetfx.exe";

bool Answers(HWND window) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 1000, &ignored) != 0;
}

bool WaitForStandIns(std::size_t count) {
  return automation::WaitUntil([&] { return testing::RunningStandIns().size() >= count; }, 10000);
}

// A medium of the launcher alone, whose step 1 installer is a text file: the
// platform refuses to start it.
class MediumWithTextInstaller {
 public:
  MediumWithTextInstaller() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"corvalidyne-text-installer";
    CreateDirectoryW(folder_.c_str(), nullptr);
    CreateDirectoryW((folder_ + L"\\Framework").c_str(), nullptr);
    CopyFileW((testing::MediumFolder() + L"\\CorvalidyneSetup.exe").c_str(), Launcher().c_str(), FALSE);
    std::ofstream(Installer().c_str()) << "This installer was damaged in transit.\r\n";
  }
  ~MediumWithTextInstaller() {
    DeleteFileW(Installer().c_str());
    DeleteFileW(Launcher().c_str());
    RemoveDirectoryW((folder_ + L"\\Framework").c_str());
    RemoveDirectoryW(folder_.c_str());
  }
  MediumWithTextInstaller(const MediumWithTextInstaller&) = delete;
  MediumWithTextInstaller& operator=(const MediumWithTextInstaller&) = delete;

  const std::wstring& Folder() const { return folder_; }

 private:
  std::wstring Launcher() const { return folder_ + L"\\CorvalidyneSetup.exe"; }
  std::wstring Installer() const { return folder_ + L"\\" + kStep1Installer; }
  std::wstring folder_;
};

// The system ends the session while the installer runs. The close request
// finds all four steps done (the test completes step 1 first), so it opens the
// web application; the program ends once its installer has ended.
void EndSession(const LauncherSession& launcher) {
  ASSERT_TRUE(WaitForStandIns(1));
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, testing::kFrameworkKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                  nullptr);
  if (key != nullptr) RegCloseKey(key);
  DWORD_PTR mayEnd = 0;
  SendMessageTimeoutW(launcher.Window(), WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_BLOCK, 5000,
                      &mayEnd);
  EXPECT_EQ(mayEnd, static_cast<DWORD_PTR>(TRUE)) << "the session may end";
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(launcher.Window(), WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_BLOCK, 5000,
                      &ignored);
  EXPECT_TRUE(automation::WaitUntil([&] { return !IsWindow(launcher.Window()); }, 3000)) << "the window goes";
  EXPECT_TRUE(launcher.IsRunning()) << "the Install still waits for its installer";
}

// Another program refuses the end of the session: nothing closes, and the close
// request waits for the user's own close.
void CancelSessionEnd(const LauncherSession& launcher) {
  ASSERT_TRUE(WaitForStandIns(1));
  DWORD_PTR mayEnd = 0;
  SendMessageTimeoutW(launcher.Window(), WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 5000, &mayEnd);
  EXPECT_EQ(mayEnd, static_cast<DWORD_PTR>(TRUE));
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(launcher.Window(), WM_ENDSESSION, FALSE, 0, SMTO_BLOCK, 5000, &ignored);
  EXPECT_TRUE(Answers(launcher.Window()));
  EXPECT_TRUE(IsWindowVisible(launcher.Window()));
  EXPECT_TRUE(launcher.Opened().empty());
}

// Five more clicks on the running step's Install, as fast as they can come:
// each starts its installer nested in the wait of the one before, and all six
// run at once.
void ClickInstallFiveTimes(const LauncherSession& launcher) {
  ASSERT_TRUE(WaitForStandIns(1));
  for (int click = 0; click < 5; ++click) launcher.Click(L"cmdInstallStep1");
  // Probed once all six wait, not while it starts them: a start blocks the
  // window for as long as the process takes to start.
  EXPECT_TRUE(WaitForStandIns(6)) << testing::RunningStandIns().size() << " running";
  for (int probe = 0; probe < 5; ++probe) {
    EXPECT_TRUE(Answers(launcher.Window())) << "answers while the installers nest";
    Sleep(60);
  }
}

// The installer cannot be started: the error box, then the program ends.
void ConfirmStartError(const LauncherSession& launcher) {
  const HWND box = launcher.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  const std::wstring text = testing::MessageBoxText(box);
  EXPECT_NE(text.find(L"Error " + std::to_wstring(ERROR_BAD_EXE_FORMAT) + L": "), std::wstring::npos)
      << ::testing::PrintToString(text);
  EXPECT_EQ(testing::MessageBoxTitle(box), L"Corvalidyne");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

enum class Medium { Demonstration, TextInstaller };

TEST(InstallationFaults, EveryInstallerEndsAndTheLauncherEndsCleanly) {
  const std::vector<InstallerStart> oneStart{{L"3", kStep1Installer}};
  const struct {
    const char* name;
    Medium medium;
    bool otherStepsDone;  // web server, database engine and web application
    std::function<void(const LauncherSession&)> disturb;
    std::string stepsAfter;  // once every installer has ended; empty: the window is gone
    std::vector<InstallerStart> starts;
    DWORD exitCode;  // 1: ended by a fatal error
    bool opensWebApp;
  } rows[] = {
      {"the session ends", Medium::Demonstration, true, EndSession, "", oneStart, 0, true},
      {"the session end is cancelled", Medium::Demonstration, true, CancelSessionEnd, "000", oneStart, 0,
       true},
      {"five more Install clicks", Medium::Demonstration, false, ClickInstallFiveTimes, "010",
       std::vector<InstallerStart>(6, oneStart[0]), 0, false},
      {"the installer is no program", Medium::TextInstaller, false, ConfirmStartError, "", {}, 1, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::StepKeys keys;
    if (row.otherStepsDone) {
      keys.SetWebServerVersion(5);
      keys.Set(testing::kMsdeKey, true);
      keys.Set(testing::kWebAppKey, true);
    }
    std::unique_ptr<MediumWithTextInstaller> textMedium;
    if (row.medium == Medium::TextInstaller) textMedium = std::make_unique<MediumWithTextInstaller>();
    const testing::HeldInstallers installers;  // until the row has disturbed the launcher
    LauncherSession launcher(installers.Options(),
                             textMedium ? textMedium->Folder() : testing::MediumFolder());
    ASSERT_NE(launcher.Window(), nullptr);
    ASSERT_EQ(launcher.EnabledSteps(), "100");

    launcher.Click(L"cmdInstallStep1");
    row.disturb(launcher);
    installers.Release();

    EXPECT_TRUE(automation::WaitUntil([] { return testing::RunningStandIns().empty(); }, 20000))
        << "every installer ends";
    if (row.stepsAfter.empty()) {
      EXPECT_TRUE(automation::WaitUntil([&] { return !IsWindow(launcher.Window()); }, 3000));
    } else {
      Sleep(300);  // several polls: every nested wait has returned and refreshed by now
      EXPECT_TRUE(automation::WaitUntil([&] { return launcher.EnabledSteps() == row.stepsAfter; }, 3000))
          << launcher.EnabledSteps();
      EXPECT_TRUE(Answers(launcher.Window()));
      launcher.Click(L"cmdClose");
    }
    EXPECT_EQ(launcher.WaitForExit(5000), row.exitCode);
    EXPECT_EQ(launcher.InstallerStarts(), row.starts);
    if (row.opensWebApp) automation::WaitUntil([&] { return !launcher.Opened().empty(); }, 3000);
    Sleep(300);  // a second page would show by now
    EXPECT_EQ(launcher.Opened(), row.opensWebApp ? Opened{kWebApp} : Opened{});
  }
}

}  // namespace
}  // namespace corvalidyne
