// What the steps show and what the buttons and the close request do, decided
// by the flow over stand-in services and a stand-in window: no window, no
// registry, no program started, so no lock.
#include "step_flow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launch_error.h"
#include "standin_services.h"

namespace corvalidyne {
namespace {

using testing::RecordingLauncher;
using testing::StandIns;
using Launch = RecordingLauncher::Launch;
using Opened = std::vector<std::string>;

constexpr char kWebApp[] = "http://localhost/corvalidyne";
constexpr wchar_t kWebServerMissing[] =
    L"You must install Internet Information Services prior to installing Corvalidyne.";
const HWND kOwner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x4C0));

std::string Readme() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string program(path);
  return program.substr(0, program.find_last_of('\\')) + "\\Readme.htm";
}

// The window as the flow sees it. Everything that happens goes into one log, in
// order: '-' the Install buttons disabled, '1' to '3' and 'W' what the state
// was asked, ">N" step N's button enabled (">0": none), '!' a message told,
// 'o' a page opened, 'X' the window unloaded.
class RecordingView final : public StepsView {
 public:
  explicit RecordingView(StandIns& standIns) : standIns_(standIns) {
    standIns_.pages.whileOpening = [this] { Note("o"); };
  }
  HWND Owner() const override { return owner; }
  void DisableInstallButtons() override { Note("-"); }
  void ShowNextStep(const InstallationStep* next) override {
    Note(">" + std::to_string(next != nullptr ? next - InstallationSteps().data() + 1 : 0));
  }
  void Tell(const wchar_t* message) override {
    told.emplace_back(message);
    Note("!");
  }
  void Unload() override { Note("X"); }

  // The log, with what the state was asked since the last entry.
  std::string Log() {
    Note("");
    return log_;
  }

  HWND owner = kOwner;
  std::vector<std::wstring> told;

 private:
  void Note(const std::string& event) {
    log_ += standIns_.state.asked.substr(askedSeen_) + event;
    askedSeen_ = standIns_.state.asked.size();
  }
  StandIns& standIns_;
  std::string log_;
  std::size_t askedSeen_ = 0;
};

// A flow over its own stand-ins.
struct Flow {
  explicit Flow(std::string done = "000", bool webServer = false) {
    standIns.state.done = std::move(done);
    standIns.state.webServer = webServer;
  }
  StandIns standIns;
  RecordingView view{standIns};
  StepFlow flow{standIns.Services(), view};
};

// The buttons go off before the state is asked; the steps after the first not
// done are never asked.
TEST(StepFlow, TheRefreshEnablesTheFirstStepNotDoneAndAsksNoFurther) {
  const struct {
    const char* done;
    const char* log;
  } rows[] = {
      {"000", "-1>1"},  {"011", "-1>1"},   {"001", "-1>1"},   {"100", "-12>2"},
      {"101", "-12>2"}, {"110", "-123>3"}, {"111", "-123>0"},
  };
  for (const auto& row : rows) {
    Flow flow(row.done);
    flow.flow.Refresh();
    EXPECT_EQ(flow.view.Log(), row.log) << row.done;
  }
}

// At showing and at the first activation, whichever comes first: once.
TEST(StepFlow, RefreshesOnceAtShowingOrActivation) {
  Flow flow;
  flow.flow.RefreshOnce();
  flow.standIns.state.done = "100";
  flow.flow.RefreshOnce();
  EXPECT_EQ(flow.view.Log(), "-1>1");
}

// Each command from its button, with the machine before and as its installer
// leaves it: what was launched, told and opened, and the refresh after.
TEST(StepFlow, EachButtonRunsItsCommand) {
  const std::string msde =
      "MSDE\\Setup.exe SAPWD=\"KelvaNortum\" INSTANCENAME=\"Corvalidyne\" SECURITYMODE=\"SQL\" ";
  const struct {
    const char* name;
    FormControl button;
    const char* before;
    bool webServer;
    const char* after;  // as the installer leaves the machine
    std::vector<Launch> launches;
    Opened opened;
    const char* log;
  } rows[] = {
      {"step 1",
       FormControl::StepOneInstall,
       "000",
       false,
       "100",
       {{"Framework\\dotnetfx.exe", 3, true}},
       {},
       "-12>2"},
      {"step 2", FormControl::StepTwoInstall, "100", false, "110", {{msde, 3, true}}, {}, "-123>3"},
      {"step 3 with the web server",
       FormControl::StepThreeInstall,
       "110",
       true,
       "111",
       {{"App\\Setup.exe", 3, true}},
       {},
       "W-123>0"},
      // Told first, then shown the Readme; nothing is launched or refreshed.
      {"step 3 without the web server",
       FormControl::StepThreeInstall,
       "110",
       false,
       "111",
       {},
       {Readme()},
       "W!o"},
      {"an installer that installs nothing",
       FormControl::StepOneInstall,
       "000",
       false,
       "000",
       {{"Framework\\dotnetfx.exe", 3, true}},
       {},
       "-1>1"},
      {"View Readme", FormControl::ViewReadme, "000", false, "000", {}, {Readme()}, "o"},
      {"Close", FormControl::Close, "111", true, "111", {}, {}, "X"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Flow flow(row.before, row.webServer);
    flow.standIns.launcher.during = [&] { flow.standIns.state.done = row.after; };
    flow.flow.Click(row.button);
    EXPECT_EQ(flow.standIns.launcher.launches, row.launches);
    EXPECT_EQ(flow.standIns.pages.opened, row.opened);
    EXPECT_EQ(flow.view.Log(), row.log);
    for (const HWND owner : flow.standIns.pages.owners) EXPECT_EQ(owner, kOwner);
    for (const std::wstring& message : flow.view.told) EXPECT_EQ(message, kWebServerMissing);
  }
}

// The wait pointer shows from the launch until the outermost Install has
// refreshed, also where a click during the wait runs another Install inside it.
TEST(StepFlow, ShowsTheWaitPointerUntilTheOutermostInstallEnds) {
  Flow flow;
  const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  std::vector<bool> waitingInside;
  int depth = 0;
  flow.standIns.launcher.during = [&] {
    if (++depth == 1) flow.flow.Click(FormControl::StepOneInstall);
    waitingInside.push_back(GetCursor() == wait && flow.flow.Installing());
  };
  flow.flow.Click(FormControl::StepOneInstall);
  EXPECT_EQ(waitingInside, (std::vector<bool>{true, true})) << "inner, then outer after the inner ended";
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_FALSE(flow.flow.Installing());
  EXPECT_EQ(flow.view.Log(), "-1>1-1>1") << "each Install refreshes after its own wait";
}

// A window closed while its installer ran is not refreshed; a start that fails
// ends the command at once, before any refresh.
TEST(StepFlow, NeitherAGoneWindowNorAFailedStartIsRefreshed) {
  Flow closed;
  closed.standIns.launcher.during = [&] { closed.view.owner = nullptr; };
  closed.flow.Click(FormControl::StepOneInstall);
  EXPECT_EQ(closed.view.Log(), "");
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));

  Flow failed;
  failed.standIns.launcher.during = [] { throw LaunchError(ERROR_FILE_NOT_FOUND); };
  EXPECT_THROW(failed.flow.Click(FormControl::StepOneInstall), LaunchError);
  EXPECT_EQ(failed.view.Log(), "");
}

// All four are asked, in this order, whatever the earlier answers; the web
// application opens only where all pass, and once, also where a second close
// request arrives while the page opens (as the session's end may, where the
// shell serves sent messages meanwhile).
TEST(StepFlow, TheCloseRequestOpensTheWebApplicationOnlyWhenAllFourPassAndOnce) {
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
    Flow flow(row.done, row.webServer);
    flow.standIns.pages.whileOpening = [&] { flow.flow.RunCloseRequest(); };
    flow.flow.RunCloseRequest();
    flow.flow.RunCloseRequest();
    EXPECT_EQ(flow.standIns.state.asked, "W123");
    EXPECT_EQ(flow.standIns.pages.opened, row.opens ? Opened{kWebApp} : Opened{});
    for (const HWND owner : flow.standIns.pages.owners) EXPECT_EQ(owner, kOwner);
  }
}

}  // namespace
}  // namespace corvalidyne
