// Whole-program runs of the shell: what each variant shows when idle, window sizes, closing, the
// About box, the volume mixer, and how the runner reports scripts it cannot carry out.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/mode_state.h"
#include "app/window_state.h"
#include "platform/process.h"
#include "platform/ui_model.h"
#include "scenarios/scenario_support.h"

namespace {

using nlohmann::json;

TEST(ScenarioShell, EachVariantStartsIdle) {
  struct Expect {
    int variant;
    const char* caption;
    std::vector<std::string> buttons;
  } variants[] = {
      {0, "Taldrinex version 2.5", {"101", "102", "103", "104", "105", "106", "107"}},
      {1, "TX-RadaDuza version 2.5", {"101", "102", "103", "104", "105", "106", "107"}},
      {2, "TX-Zizivuv version 2.5", {"102", "103", "104", "105", "107"}},
  };
  for (const auto& v : variants) {
    SCOPED_TRACE(v.variant);
    ScenarioResult r = RunScenario("dump\n", v.variant);
    EXPECT_EQ(r.status, 0) << r.errors;
    ASSERT_EQ(r.dumps.size(), 1u);
    const json& d = r.dumps[0];
    EXPECT_EQ(d["variant"], v.variant);
    EXPECT_EQ(d["caption"], v.caption);
    EXPECT_EQ(d["mode"]["IdleState"], 1);
    EXPECT_EQ(d["mode"]["ActivityActive"], 0);
    EXPECT_EQ(d["mode"]["StopRequested"], 1);
    ASSERT_EQ(d["buttons"].size(), v.buttons.size());
    for (const auto& id : v.buttons) {
      ASSERT_TRUE(d["buttons"].contains(id)) << id;
      EXPECT_EQ(d["buttons"][id]["pressed"], false) << id;
      EXPECT_EQ(d["buttons"][id]["visible"], true) << id;
    }
    EXPECT_EQ(d["buttons"]["102"]["caption"], "&Run");
    EXPECT_EQ(d["buttons"]["102"]["enabled"], true);
    EXPECT_EQ(d["buttons"]["103"]["caption"], "&Play File");
    EXPECT_EQ(d["buttons"]["103"]["enabled"], true);
    EXPECT_EQ(d["buttons"]["104"]["enabled"], false);
    EXPECT_EQ(d["buttons"]["105"]["enabled"], false);
    EXPECT_EQ(d["buttons"]["107"]["caption"], "&Exit");
    EXPECT_EQ(d["buttons"]["107"]["enabled"], true);
    for (const char* on : {"40005", "40011", "40012", "40009", "40010", "40008"})
      EXPECT_EQ(d["menu"][on]["enabled"], true) << on;
    for (const char* off : {"40003", "40004", "40013", "40014"})
      EXPECT_EQ(d["menu"][off]["enabled"], false) << off;
    EXPECT_TRUE(d["messages"].empty());
    // 796 x 596 centred on the 1024 x 768 default screen.
    EXPECT_EQ(d["window"]["width"], 796);
    EXPECT_EQ(d["window"]["x"], (1024 - 796) / 2);
    EXPECT_EQ(d["window"]["client_width"], 780);
  }
}

TEST(ScenarioShell, ClosingTheIdleWindowEndsTheProgramWithEverythingReleased) {
  ScenarioResult r = RunScenario("set DisplayModeButton 1097\ndump\n");
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(r.dumps[0]["settings"]["DisplayModeButton"], 1097);
  EXPECT_EQ(r.dumps[0]["settings"]["DisplayMode"], 3);  // the companion follows
  EXPECT_FALSE(Window.WindowExists);
  EXPECT_FALSE(MainUi.windowCreated);
  EXPECT_EQ(Mode.OpenBlockCount, 0);
}

TEST(ScenarioShell, SmallScreensGetTheSmallWindowAndAResizeMovesTheButtons) {
  HeadlessConfig config;
  config.screen.width = 800;
  config.screen.height = 600;
  ScenarioResult r = RunScenario("dump\n", 1, config);
  ASSERT_EQ(r.dumps.size(), 1u);
  EXPECT_EQ(r.dumps[0]["window"]["width"], 736);
  EXPECT_EQ(r.dumps[0]["window"]["height"], 552);
  EXPECT_EQ(r.dumps[0]["window"]["x"], 32);
  EXPECT_EQ(r.dumps[0]["window"]["y"], 24);

  config = HeadlessConfig{};
  config.resizeClientWidth = 763;
  config.resizeClientHeight = 500;
  r = RunScenario("dump\n", 1, config);
  ASSERT_EQ(r.dumps.size(), 1u);
  const json& d = r.dumps[0];
  EXPECT_EQ(d["window"]["client_width"], 763);
  EXPECT_EQ(d["window"]["client_height"], 500);
  const json& reset = d["buttons"]["107"]["rect"];  // [x, y, width, height], the last slot
  EXPECT_EQ(reset[2], 763 / 7);
  EXPECT_EQ(reset[1].get<int>() + reset[3].get<int>(), 500);  // along the bottom edge
}

TEST(ScenarioShell, AboutIsAMessageBoxWithTheVariantsCaption) {
  ScenarioResult r = RunScenario("menu 40008\ndump\n", 2);
  ASSERT_EQ(r.status, 0) << r.errors;
  ASSERT_EQ(r.dumps[0]["messages"].size(), 1u);
  EXPECT_EQ(r.dumps[0]["messages"][0]["caption"], "TX-Zizivuv 2.5");
  EXPECT_EQ(r.dumps[0]["messages"][0]["icon"], "none");
}

TEST(ScenarioShell, TheRunnerRefusesWhatItCannotCarryOut) {
  ScenarioResult r = RunScenario("dump\nclick\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.dumps.empty());  // nothing ran
  EXPECT_NE(r.errors.find("line 2: "), std::string::npos) << r.errors;

  r = RunScenario("set StoredSeconds 9\ndump\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.dumps.empty());
  EXPECT_NE(r.errors.find("line 1: value out of range for StoredSeconds"), std::string::npos) << r.errors;

  // Exit in the idle state ends the program; a line after it cannot run.
  r = RunScenario("click 107\ndump\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.errors.find("line 2: not run: the program ended before this line: dump"), std::string::npos)
      << r.errors;
}

// A stand-in mixer first on PATH that waits to be ended.
class ScenarioVolumeControl : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("tx-mixer-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    const auto script = dir_ / "pavucontrol";
    std::ofstream(script) << "#!/bin/sh\nexec sleep 60\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    const char* old = std::getenv("PATH");
    oldPath_ = old ? old : "";
  }
  void TearDown() override {
    setenv("PATH", oldPath_.c_str(), 1);
    std::filesystem::remove_all(dir_);
  }
  // Our child processes, running or not yet reaped (from /proc: "pid (name) state ppid ...").
  static std::vector<long long> Children() {
    std::vector<long long> out;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
      std::ifstream in(entry.path() / "stat");
      std::string stat;
      if (!std::getline(in, stat)) continue;
      const auto close = stat.rfind(')');
      if (close == std::string::npos) continue;
      std::istringstream rest(stat.substr(close + 1));
      std::string state;
      long long ppid = 0;
      if (rest >> state >> ppid && ppid == getpid())
        out.push_back(std::stoll(stat.substr(0, stat.find(' '))));
    }
    return out;
  }
  std::filesystem::path dir_;
  std::string oldPath_;
};

TEST_F(ScenarioVolumeControl, PressingTwiceEndsTheFirstMixer) {
  ASSERT_TRUE(Children().empty());
  setenv("PATH", (dir_.string() + ":" + oldPath_).c_str(), 1);
  ScenarioResult r = RunScenario("menu 40009\nwait 100\nmenu 40009\ndump\n");
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_TRUE(r.dumps[0]["messages"].empty());
  // Two were started; the first was ended and reaped by the second press; the second runs.
  const long long second = Window.VolumeControlProcess.id;
  ASSERT_GT(second, 0);
  EXPECT_EQ(Children(), std::vector<long long>{second});
  EndLaunchedProgram(Window.VolumeControlProcess);
  EXPECT_TRUE(Children().empty());
}

TEST_F(ScenarioVolumeControl, NoMixerOnThePathIsReported) {
  setenv("PATH", (dir_ / "empty").string().c_str(), 1);
  ScenarioResult r = RunScenario("menu 40009\ndump\n");
  ASSERT_EQ(r.status, 0) << r.errors;
  ASSERT_EQ(r.dumps[0]["messages"].size(), 1u);
  EXPECT_EQ(r.dumps[0]["messages"][0]["text"], "Cannot locate volume control");
  EXPECT_EQ(r.dumps[0]["messages"][0]["caption"], "Taldrinex");
}

}  // namespace
