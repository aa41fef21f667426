// The Audio Devices dialog on the simulated devices: the lists, a choice that reaches the next
// Run and playback, Cancel, and a chosen device that has gone by the next Run.
#include <gtest/gtest.h>

#include "scenarios/scenario_support.h"

namespace {

TEST(DevicesScenario, TheChoiceReachesTheNextOpenAndAVanishedDeviceFallsBackWithAMessage) {
  ScenarioResult r = RunScenario(
      "device input add USB Interface\n"
      "device input add Line In\n"
      "device output add Headphones\n"
      // Cancel leaves the default.
      "answer select 1201 1\nanswer dialog cancel\nmenu 40033\ndump\n"
      // Line In and Headphones; the dialog shows them when it opens again, and Cancel keeps them.
      "answer select 1201 2\nanswer select 1202 1\nanswer dialog ok\nmenu 40033\n"
      "answer dialog cancel\nmenu 40033\ndump\n"
      "click 102\nwait 500\nclick 107\nwait 100\n"
      // Gone before the next Run: a message, and the default from then on.
      "device input remove Line In\n"
      "click 102\nwait 500\nclick 107\nwait 100\ndump\n",
      1);
  ASSERT_EQ(r.status, 0) << r.errors;
  ASSERT_EQ(r.dumps.size(), 3u);
  EXPECT_EQ(r.dumps[0]["sound_devices"]["input"], "");
  EXPECT_EQ(r.dumps[0]["sound"]["input_devices"], nlohmann::json({"USB Interface", "Line In"}));

  const auto& chosen = r.dumps[1]["sound_devices"];
  EXPECT_EQ(chosen["input"], "Line In");
  EXPECT_EQ(chosen["output"], "Headphones");

  const auto& last = r.dumps[2];
  const auto& opens = last["sound"]["opens"];
  ASSERT_EQ(opens.size(), 3u);
  EXPECT_EQ(opens[0]["name"], "Line In");  // the first Run
  EXPECT_EQ(opens[0]["opened"], true);
  EXPECT_EQ(opens[1]["name"], "Line In");  // gone at the second
  EXPECT_EQ(opens[1]["opened"], false);
  EXPECT_EQ(opens[2]["name"], "");
  EXPECT_EQ(opens[2]["opened"], true);
  ASSERT_EQ(last["messages"].size(), 1u);
  EXPECT_NE(last["messages"][0]["text"].get<std::string>().find("\"Line In\" is not available"),
            std::string::npos);
  EXPECT_EQ(last["sound_devices"]["input"], "");
  EXPECT_EQ(last["sound_devices"]["output"], "Headphones");
  EXPECT_EQ(last["mode"]["CaptureStarted"], 0);
}

TEST(DevicesScenario, PlaybackOpensTheChosenOutputAndAnEntryOutOfTheListIsAScriptError) {
  ScenarioResult r = RunScenario(
      "device output add Headphones\n"
      "answer select 1202 1\nanswer dialog ok\nmenu 40033\n"
      "click 102\nwait 1000\nclick 105\nwait 100\nclick 102\nwait 3000\ndump\n",
      1);
  ASSERT_EQ(r.status, 0) << r.errors;
  bool playedThere = false;
  for (const auto& o : r.dumps[0]["sound"]["opens"])
    playedThere =
        playedThere || (o["device"] == "output" && o["name"] == "Headphones" && o["opened"] == true);
  EXPECT_TRUE(playedThere) << r.dumps[0]["sound"]["opens"].dump();

  ScenarioResult bad = RunScenario("answer select 1201 5\nmenu 40033\n", 1);
  EXPECT_NE(bad.status, 0);
  EXPECT_NE(bad.errors.find("no list entry 5 in control 1201"), std::string::npos) << bad.errors;
}

}  // namespace
