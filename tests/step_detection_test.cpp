// The window's side of the refresh, over a stand-in machine: the button it
// enables, when it refreshes, and where the focus goes.
#include <gtest/gtest.h>

#include "live_form.h"

namespace corvalidyne {
namespace {

using testing::LiveForm;
using testing::StandIns;

// Which step comes next is the flow's (step_flow_test); here, that the window
// enables that step's button alone and leaves the others usable.
TEST(StepDetection, EnablesTheButtonOfTheNextStepAlone) {
  const struct {
    const char* done;
    const char* enabled;
  } rows[] = {{"011", "100"}, {"101", "010"}, {"110", "001"}, {"111", "000"}};
  for (const auto& row : rows) {
    const LiveForm form(StandIns::Machine(row.done));
    const std::string enabled{IsWindowEnabled(form[L"cmdInstallStep1"]) ? '1' : '0',
                              IsWindowEnabled(form[L"cmdInstallStep2"]) ? '1' : '0',
                              IsWindowEnabled(form[L"cmdInstallStep3"]) ? '1' : '0'};
    EXPECT_EQ(enabled, row.enabled) << "done " << row.done;
    EXPECT_TRUE(IsWindowEnabled(form[L"cmdViewReadme"]));
    EXPECT_TRUE(IsWindowEnabled(form[L"cmdClose"]));
  }
}

TEST(StepDetection, RunsOnceAtShowingAndNotWhenTheWindowIsActivatedAgain) {
  LiveForm form;
  // Set before any message is served: the refresh does not wait for the loop.
  EXPECT_TRUE(IsWindowEnabled(form[L"cmdInstallStep1"]));

  form.Services().state.done = "100";
  SendMessageW(form.Window(), WM_ACTIVATE, WA_INACTIVE, 0);
  SendMessageW(form.Window(), WM_ACTIVATE, WA_ACTIVE, 0);
  SendMessageW(form.Window(), WM_ACTIVATE, WA_CLICKACTIVE, 0);
  LiveForm::Pump();
  EXPECT_TRUE(IsWindowEnabled(form[L"cmdInstallStep1"]));
  EXPECT_FALSE(IsWindowEnabled(form[L"cmdInstallStep2"]));
}

LRESULT CALLBACK RefuseActivation(int code, WPARAM wParam, LPARAM lParam) {
  return code == HCBT_ACTIVATE ? 1 : CallNextHookEx(nullptr, code, wParam, lParam);
}

// The system may withhold the activation (no foreground rights): the window
// shows its steps all the same.
TEST(StepDetection, RunsAtShowingAlsoWhereTheActivationIsWithheld) {
  const HHOOK refusing = SetWindowsHookExW(WH_CBT, RefuseActivation, nullptr, GetCurrentThreadId());
  ASSERT_NE(refusing, nullptr);
  const LiveForm form(StandIns::Machine("100"));
  const bool activated = GetActiveWindow() == form.Window();
  UnhookWindowsHookEx(refusing);
  ASSERT_FALSE(activated) << "the hook let the activation through";
  EXPECT_FALSE(IsWindowEnabled(form[L"cmdInstallStep1"]));
  EXPECT_TRUE(IsWindowEnabled(form[L"cmdInstallStep2"]));
}

// Back in the window, the focus returns to the button that had it, unless that
// button was disabled meanwhile (its step was installed, say): then it goes to
// the first button that can take it, never to a disabled one or to none.
TEST(StepDetection, FocusReturnsToItsButtonUnlessThatWasDisabledMeanwhile) {
  const LiveForm form;  // a bare machine: only step 1 is enabled
  const struct {
    const wchar_t* focused;
    bool disabledMeanwhile;
    const wchar_t* expected;
  } rows[] = {
      {L"cmdClose", false, L"cmdClose"},
      {L"cmdInstallStep1", false, L"cmdInstallStep1"},
      {L"cmdInstallStep1", true, L"cmdClose"},
  };
  for (const auto& row : rows) {
    EnableWindow(form[L"cmdInstallStep1"], TRUE);
    SetFocus(form[row.focused]);
    SendMessageW(form.Window(), WM_ACTIVATE, WA_INACTIVE, 0);
    SetFocus(nullptr);
    if (row.disabledMeanwhile) EnableWindow(form[row.focused], FALSE);
    SetFocus(form.Window());
    EXPECT_EQ(GetFocus(), form[row.expected])
        << ::testing::PrintToString(std::wstring(row.focused)) << (row.disabledMeanwhile ? ", disabled" : "");
  }
}

HWND formWindow = nullptr;
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
TEST(StepDetection, TheRefreshAfterAnInstallHandsTheFocusOnToTheNextStepsButton) {
  LiveForm form;
  formWindow = form.Window();
  stepOneButton = form[L"cmdInstallStep1"];
  testing::StandIns& services = form.Services();
  // The launcher serves the window's messages while it waits, as the real one
  // does, and the installer leaves step 1 done.
  services.launcher.during = [&] {
    LiveForm::PumpFor(300);
    services.state.done = "100";
  };
  const HHOOK hook =
      SetWindowsHookExW(WH_CALLWNDPROC, NoteActivationAtRefresh, nullptr, GetCurrentThreadId());
  const UINT_PTR keeper = SetTimer(nullptr, 0, 20, KeepActive);
  // Another test's window may take the activation at any moment: the install
  // runs again where the window was not active at the refresh.
  activeAtRefresh = false;
  for (int attempt = 0; attempt < 3 && !activeAtRefresh; ++attempt) {
    services.state.done = "000";
    EnableWindow(stepOneButton, TRUE);
    SetFocus(stepOneButton);
    SendMessageW(stepOneButton, BM_CLICK, 0, 0);
  }
  KillTimer(nullptr, keeper);
  UnhookWindowsHookEx(hook);
  ASSERT_TRUE(activeAtRefresh) << "the window was never active at the refresh";
  EXPECT_TRUE(IsWindowEnabled(form[L"cmdInstallStep2"]));
  EXPECT_EQ(GetFocus(), form[L"cmdInstallStep2"]);
}

}  // namespace
}  // namespace corvalidyne
