// Whole-program runs of the shell: what each variant shows when idle, and how the runner reports
// scripts it cannot carry out. (Window sizes, closing, About and the mixer are pinned by tests/app.)
#include <gtest/gtest.h>

#include "scenarios/scenario_support.h"

namespace {

using nlohmann::json;

TEST(ScenarioShell, EachVariantStartsIdleAndTheDumpShowsIt) {
  // The control sets themselves are pinned by tests/app; here the dump a script reads.
  const char* captions[] = {"Taldrinex version 2.5", "TX-RadaDuza version 2.5", "TX-Zizivuv version 2.5"};
  for (int v : {0, 1, 2}) {
    SCOPED_TRACE(v);
    ScenarioResult r = RunScenario("dump\n", v);
    EXPECT_EQ(r.status, 0) << r.errors;
    ASSERT_EQ(r.dumps.size(), 1u);
    const json& d = r.dumps[0];
    EXPECT_EQ(std::tuple(d["variant"], d["caption"], d["mode"]["IdleState"], d["mode"]["StopRequested"]),
              std::tuple(v, captions[v], 1, 1));
    EXPECT_EQ(d["buttons"].size(), v == 2 ? 5u : 7u);
    const json& run = d["buttons"]["102"];
    EXPECT_EQ(std::tuple(run["caption"], run["enabled"], run["pressed"], run["visible"]),
              std::tuple("&Run", true, false, true));
    EXPECT_EQ(std::tuple(d["menu"]["40011"]["enabled"], d["menu"]["40013"]["enabled"]),
              std::tuple(true, false));
    EXPECT_TRUE(d["messages"].empty());
    // 796 x 596 centred on the 1024 x 768 default screen.
    EXPECT_EQ(std::tuple(d["window"]["width"], d["window"]["x"], d["window"]["client_width"]),
              std::tuple(796, (1024 - 796) / 2, 780));
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
