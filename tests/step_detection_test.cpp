#include <gtest/gtest.h>

#include "live_form.h"
#include "step_keys.h"

namespace corvalidyne {
namespace {

using testing::LiveForm;
using testing::StepKeys;

struct Enabled {
  bool step1, step2, step3;
};

Enabled InstallButtons(const LiveForm& form) {
  return {IsWindowEnabled(form[L"cmdInstallStep1"]) != FALSE,
          IsWindowEnabled(form[L"cmdInstallStep2"]) != FALSE,
          IsWindowEnabled(form[L"cmdInstallStep3"]) != FALSE};
}

// Which step comes next is decided without the window (installation_steps_test);
// here, that the window enables that step's button alone.
TEST(StepDetection, EnablesTheButtonOfTheNextStepAlone) {
  const struct {
    bool framework, msde, webApp;
    Enabled expected;
  } rows[] = {
      {false, true, true, {true, false, false}},
      {true, false, true, {false, true, false}},
      {true, true, false, {false, false, true}},
      {true, true, true, {false, false, false}},
  };
  for (const auto& row : rows) {
    StepKeys keys;
    keys.Set(testing::kFrameworkKey, row.framework);
    keys.Set(testing::kMsdeKey, row.msde);
    keys.Set(testing::kWebAppKey, row.webApp);
    const LiveForm form;
    const Enabled actual = InstallButtons(form);
    SCOPED_TRACE(::testing::Message() << "keys " << row.framework << row.msde << row.webApp);
    EXPECT_EQ(actual.step1, row.expected.step1);
    EXPECT_EQ(actual.step2, row.expected.step2);
    EXPECT_EQ(actual.step3, row.expected.step3);
    EXPECT_TRUE(IsWindowEnabled(form[L"cmdViewReadme"]));
    EXPECT_TRUE(IsWindowEnabled(form[L"cmdClose"]));
  }
}

TEST(StepDetection, RunsOnceAtShowingAndNotWhenTheWindowIsActivatedAgain) {
  StepKeys keys;
  LiveForm form;
  // Set before any message is served: the refresh does not wait for the loop.
  EXPECT_TRUE(IsWindowEnabled(form[L"cmdInstallStep1"]));

  keys.Set(testing::kFrameworkKey, true);
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
  StepKeys keys;
  keys.Set(testing::kFrameworkKey, true);
  const HHOOK refusing = SetWindowsHookExW(WH_CBT, RefuseActivation, nullptr, GetCurrentThreadId());
  ASSERT_NE(refusing, nullptr);
  const LiveForm form;
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
  StepKeys keys;  // a bare registry: only step 1 is enabled
  const LiveForm form;
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

}  // namespace
}  // namespace corvalidyne
