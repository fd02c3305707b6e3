// The steps and the decisions taken from what the registry says, without a window.
#include "installation_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "step_keys.h"

namespace corvalidyne {
namespace {

using testing::StepKeys;

// Answers from a fixed picture of the machine, and notes what was asked.
class FakeState final : public InstallationState {
 public:
  FakeState(std::string done, bool webServer) : done_(std::move(done)), webServer_(webServer) {}
  bool IsDone(const InstallationStep& step) const override {
    const auto index = static_cast<std::size_t>(&step - InstallationSteps().data());
    asked_ += static_cast<char>('1' + index);
    return done_[index] == '1';
  }
  bool IsIISInstalled() const override {
    asked_ += 'W';
    return webServer_;
  }
  const std::string& Asked() const { return asked_; }

 private:
  std::string done_;  // "101": steps 1 and 3 done
  bool webServer_;
  mutable std::string asked_;
};

std::string NextButton(const InstallationStep* step) {
  if (step == nullptr) return "none";
  return std::to_string(static_cast<int>(step->installButton) -
                        static_cast<int>(FormControl::StepOneInstall));
}

TEST(InstallationSteps, TheNextStepIsTheFirstNotDoneAndLaterStepsAreNotAsked) {
  const struct {
    const char* done;
    const InstallationStep* next;
    const char* asked;
  } rows[] = {
      {"000", &InstallationSteps()[0], "1"},
      {"011", &InstallationSteps()[0], "1"},
      {"001", &InstallationSteps()[0], "1"},
      {"100", &InstallationSteps()[1], "12"},
      {"101", &InstallationSteps()[1], "12"},
      {"110", &InstallationSteps()[2], "123"},
      {"111", nullptr, "123"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.done);
    const FakeState state(row.done, true);
    const InstallationStep* next = NextStep(state);
    EXPECT_EQ(next, row.next) << NextButton(next);
    EXPECT_EQ(state.Asked(), row.asked);
  }
}

TEST(InstallationSteps, ClosingOpensTheWebApplicationOnlyWhenAllFourTestsPass) {
  const struct {
    const char* done;
    bool webServer;
    bool opens;
  } rows[] = {
      {"111", true, true},  {"111", false, false}, {"011", true, false},
      {"101", true, false}, {"110", true, false},  {"000", false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message()
                 << row.done << (row.webServer ? " with" : " without") << " the web server");
    const FakeState state(row.done, row.webServer);
    EXPECT_EQ(OpensWebApplicationAtClose(state), row.opens);
    EXPECT_EQ(state.Asked(), "W123") << "all four, in this order";
  }
}

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
