// The steps, and what the local machine's registry answers about them (the
// decisions taken from the answers are the flow's: step_flow_test).
#include "installation_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "registry_installation_state.h"
#include "step_keys.h"

namespace corvalidyne {
namespace {

using testing::StepKeys;

TEST(InstallationSteps, EachStepHasItsButtonItsKeyAndItsCommandLine) {
  const auto steps = InstallationSteps();
  ASSERT_EQ(steps.size(), 3u);
  const FormControl buttons[] = {FormControl::StepOneInstall, FormControl::StepTwoInstall,
                                 FormControl::StepThreeInstall};
  const wchar_t* keys[] = {testing::kFrameworkKey, testing::kMsdeKey, testing::kWebAppKey};
  for (std::size_t i = 0; i < steps.size(); ++i) {
    EXPECT_EQ(steps[i].installButton, buttons[i]);
    EXPECT_STREQ(steps[i].doneKey, keys[i]);
    EXPECT_EQ(FindInstallationStep(buttons[i]), &steps[i]);
    EXPECT_EQ(steps[i].needsWebServer, i == 2);
    // The window has the step's button, inside a step panel.
    const auto designs = SetupFormControls();
    const auto designed = std::ranges::find(designs, steps[i].installButton, &ControlDesign::id);
    ASSERT_NE(designed, designs.end()) << "step " << i + 1 << " has no button in the window";
    EXPECT_EQ(designed->kind, ControlKind::PushButton);
    ASSERT_NE(designed->container, nullptr);
    EXPECT_EQ(FindControlDesign(designed->container)->kind, ControlKind::Panel);
  }
  EXPECT_STREQ(steps[0].commandLine, "Framework\\dotnetfx.exe");
  EXPECT_EQ(std::string(steps[1].commandLine),
            "MSDE\\Setup.exe SAPWD=\"KelvaNortum\" INSTANCENAME=\"Corvalidyne\" SECURITYMODE=\"SQL\" ");
  EXPECT_STREQ(steps[2].commandLine, "App\\Setup.exe");
  EXPECT_EQ(FindInstallationStep(FormControl::Close), nullptr);
}

// The registry's answers: a key counts by its presence alone.
TEST(RegistryInstallationState, AKeyCountsAsDoneByItsPresenceAlone) {
  StepKeys keys;
  const RegistryInstallationState state;
  const InstallationStep& framework = InstallationSteps()[0];
  EXPECT_FALSE(state.IsDone(framework));
  keys.Set(testing::kFrameworkKey, true);
  EXPECT_TRUE(state.IsDone(framework)) << "a key without values";
  const DWORD one = 1;
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, testing::kFrameworkKey, L"Install", REG_DWORD, &one, sizeof one);
  EXPECT_TRUE(state.IsDone(framework));
}

TEST(RegistryInstallationState, TheWebServerCountsFromVersion5) {
  const struct {
    const char* name;
    bool key;
    const wchar_t* type;  // nullptr: no MajorVersion value
    DWORD version;        // a dword's
    std::wstring text;    // a text's
    bool present;
  } rows[] = {
      {"no key", false, nullptr, 0, L"", false},
      {"no value", true, nullptr, 0, L"", false},
      {"version 4", true, L"dword", 4, L"", false},
      {"version 5", true, L"dword", 5, L"", true},
      {"version 6", true, L"dword", 6, L"", true},
      {"text \"5\"", true, L"text", 0, L"5", true},
      {"text \"4\"", true, L"text", 0, L"4", false},
      // The whole text, read as a decimal number.
      {"text \"5a\"", true, L"text", 0, L"5a", false},
      {"text \"0x5\"", true, L"text", 0, L"0x5", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    StepKeys keys;
    keys.Set(testing::kWebServerKey, row.key);
    if (row.type != nullptr && std::wstring(row.type) == L"dword") keys.SetWebServerVersion(row.version);
    if (row.type != nullptr && std::wstring(row.type) == L"text") {
      RegSetKeyValueW(HKEY_LOCAL_MACHINE, testing::kWebServerKey, L"MajorVersion", REG_SZ, row.text.c_str(),
                      static_cast<DWORD>((row.text.size() + 1) * sizeof(wchar_t)));
    }
    EXPECT_EQ(RegistryInstallationState().IsIISInstalled(), row.present);
  }
}

}  // namespace
}  // namespace corvalidyne
