// The launcher of the demonstration medium, once through its first step: the
// check that a build runs end to end where every process start is slow (the
// 32-bit build runs under emulation here), hence the long waits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation.h"
#include "designed_layout.h"
#include "launcher_session.h"
#include "step_keys.h"

namespace corvalidyne {
namespace {

using testing::InstallerStart;
using testing::kLayout;
using testing::LauncherSession;
using testing::Narrow;
using testing::ScreenDpi;
using testing::StepKeys;

// Generous: under emulation a process start can take many seconds.
constexpr DWORD kProcessStartMs = 60000;

void ExpectTheDesignedLayout(const LauncherSession& launcher) {
  ASSERT_EQ(ScreenDpi(), 96) << "the pixel rectangles below are those of 96 DPI";
  for (const auto& expected : kLayout) {
    SCOPED_TRACE(Narrow(expected.name));
    const HWND control = launcher.Control(expected.name);
    ASSERT_NE(control, nullptr);
    const HWND container = expected.container ? launcher.Control(expected.container) : launcher.Window();
    EXPECT_EQ(GetParent(control), container);
    testing::ExpectDesignedRect(control, expected, 96);
  }
}

TEST(LauncherSmoke, OffersStepOneInstallsItThenOffersStepTwoAndCloses) {
  StepKeys keys;  // a bare registry
  LauncherSession launcher(L"run=200", testing::MediumFolder(), kProcessStartMs);
  ASSERT_NE(launcher.Window(), nullptr) << "no setup window";
  EXPECT_EQ(launcher.EnabledSteps(), "100");
  ExpectTheDesignedLayout(launcher);

  launcher.Click(L"cmdInstallStep1");
  EXPECT_TRUE(automation::WaitUntil([&] { return launcher.EnabledSteps() == "010"; }, kProcessStartMs))
      << launcher.EnabledSteps();
  EXPECT_EQ(launcher.InstallerStarts(), (std::vector<InstallerStart>{{L"3", L"Framework\\dotnetfx.exe"}}));
  EXPECT_TRUE(StepKeys::Exists(testing::kFrameworkKey));

  launcher.Click(L"cmdClose");
  EXPECT_EQ(launcher.WaitForExit(kProcessStartMs), 0u);
}

}  // namespace
}  // namespace corvalidyne
