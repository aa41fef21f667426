// Whole-program runs of the shell: what each variant shows when idle, and how the runner reports
// scripts it cannot carry out. (Window sizes, closing, About and the mixer are pinned by tests/app.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
