// Step commands inside the test process: what only shows from within (the
// pointer, the window during a nested wait).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "build_folders.h"
#include "live_form.h"
#include "step_keys.h"

namespace corvalidyne {
namespace {

using testing::LiveForm;
using testing::StepKeys;

// Runs the Install of step 1 from the medium, with a thread timer that calls
// back while the installer runs.
class InstallFromMedium : public ::testing::Test {
 protected:
  InstallFromMedium() {
    GetCurrentDirectoryW(MAX_PATH, previousFolder_);
    SetCurrentDirectoryW(testing::MediumFolder().c_str());
    SetEnvironmentVariableW(L"CORVALIDYNE_STANDIN", L"run=700 skip");
    SetEnvironmentVariableW(L"CORVALIDYNE_STANDIN_LOG",
                            (testing::BuildFolder() + L"\\standin-test.log").c_str());
  }
  ~InstallFromMedium() override { SetCurrentDirectoryW(previousFolder_); }

  // Clicks Install of step 1 and returns when the Install has ended, calling
  // during(form) about 300 ms into the wait.
  void InstallCalling(void (*during)()) {
    during_ = during;
    const UINT_PTR timer = SetTimer(nullptr, 0, 300, OnTimer);
    SendMessageW(form_[L"cmdInstallStep1"], BM_CLICK, 0, 0);
    KillTimer(nullptr, timer);
  }

  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (during_ != nullptr) during_();
  }

  static inline void (*during_)() = nullptr;
  StepKeys keys_;
  LiveForm form_;
  wchar_t previousFolder_[MAX_PATH] = {};
};

HCURSOR cursorDuringWait = nullptr;

TEST_F(InstallFromMedium, ShowsTheWaitPointerWhileTheInstallerRuns) {
  InstallCalling([] { cursorDuringWait = GetCursor(); });
  EXPECT_EQ(cursorDuringWait, LoadCursorW(nullptr, IDC_WAIT));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_TRUE(IsWindowEnabled(form_[L"cmdInstallStep1"]));
}

HWND formWindow = nullptr;

TEST_F(InstallFromMedium, AWindowClosedDuringTheWaitLeavesItsQuitRequestForTheLoop) {
  formWindow = form_.Window();
  InstallCalling([] { PostMessageW(formWindow, WM_CLOSE, 0, 0); });
  EXPECT_FALSE(IsWindow(formWindow));
  MSG quit{};
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
      << "the quit request is posted again";
}

HWND stepOneButton = nullptr;
bool activeAtRefresh = false;

// Notes whether the window was active as the refresh disabled step 1's button.
LRESULT CALLBACK NoteActivationAtRefresh(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && sent->hwnd == stepOneButton && sent->message == WM_ENABLE &&
      sent->wParam == FALSE) {
    activeAtRefresh = GetActiveWindow() == formWindow;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK KeepActive(HWND, UINT, UINT_PTR, DWORD) {
  if (GetForegroundWindow() != formWindow) SetForegroundWindow(formWindow);
}

// The window active while the installer runs, as on Windows when the
// installer's window has gone before its process ends: the refresh that
// disables the focused Install button hands the focus on to the next step's.
TEST_F(InstallFromMedium, TheRefreshHandsTheFocusOnToTheNextStepsButton) {
  SetEnvironmentVariableW(L"CORVALIDYNE_STANDIN", L"run=1000");
  formWindow = form_.Window();
  stepOneButton = form_[L"cmdInstallStep1"];
  const HHOOK hook =
      SetWindowsHookExW(WH_CALLWNDPROC, NoteActivationAtRefresh, nullptr, GetCurrentThreadId());
  const UINT_PTR keeper = SetTimer(nullptr, 0, 20, KeepActive);
  // Another test's window may take the activation at any moment: the install
  // runs again where the window was not active at the refresh.
  activeAtRefresh = false;
  for (int attempt = 0; attempt < 3 && !activeAtRefresh; ++attempt) {
    keys_.Set(testing::kFrameworkKey, false);
    EnableWindow(stepOneButton, TRUE);
    SetFocus(stepOneButton);
    SendMessageW(stepOneButton, BM_CLICK, 0, 0);
  }
  KillTimer(nullptr, keeper);
  UnhookWindowsHookEx(hook);
  ASSERT_TRUE(activeAtRefresh) << "the window was never active at the refresh";
  EXPECT_TRUE(IsWindowEnabled(form_[L"cmdInstallStep2"]));
  EXPECT_EQ(GetFocus(), form_[L"cmdInstallStep2"]);
}

// On Windows the shell may serve sent messages while it opens a page, so that
// a second close request (the session ending, say) reaches the window inside
// the first. Wine's shell does not, so an opener stands in for it.
std::vector<std::string> pagesOpened;

void OpenAndCloseAgain(HWND owner, const std::string& target) {
  pagesOpened.push_back(target);
  if (pagesOpened.size() == 1) SendMessageW(owner, WM_CLOSE, 0, 0);
}

TEST(CloseRequest, RunsOnceWhereASecondCloseArrivesWhileThePageOpens) {
  StepKeys keys;
  for (const wchar_t* step : {testing::kFrameworkKey, testing::kMsdeKey, testing::kWebAppKey}) {
    keys.Set(step, true);
  }
  keys.SetWebServerVersion(5);
  const LiveForm form({}, &OpenAndCloseAgain);
  const HWND window = form.Window();
  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(pagesOpened, std::vector<std::string>{"http://localhost/corvalidyne"});
}

}  // namespace
}  // namespace corvalidyne
