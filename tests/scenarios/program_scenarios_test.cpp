// Whole-program scripted runs: what each variant shows when idle and how the runner reports scripts
// it cannot carry out; the Audio Devices dialog on the simulated devices; recordings of a sung vowel
// with its glottogram played to their freeze.
#include <gtest/gtest.h>

#include "app/mode_state.h"
#include "scenarios/scenario_support.h"
#include "signals/egg_signals.h"
#include "signals/signals.h"

namespace {

using nlohmann::json;

// Each variant starts idle and the dump shows it (the control sets, window sizes and captions
// themselves are pinned by tests/app; here the dump a script reads). Then live analysis through the whole
// program (its frozen figures in detail: tests/audio): the loop runs on after a freeze, and closing the
// window while it runs freezes, resets and ends.
TEST(ScenarioShell, EachVariantStartsIdleAndLiveAnalysisRunsOnAfterAFreezeAndEndsWithTheWindow) {
  const char* captions[] = {"Taldrinex version 2.5", "TX-RadaDuza version 2.5", "TX-Zizivuv version 2.5"};
  for (int v : {0, 1, 2}) {
    SCOPED_TRACE(v);
    const char* live =
        "set F0Measurement 1057\nclick 102\nwait 3000\nclick 105\nwait 200\ndump\n"
        "click 105\nwait 500\ndump\n";
    ScenarioResult r = RunScenario(std::string("dump\n") + (v == 0 ? live : ""), v);
    ASSERT_EQ(r.status, 0) << r.errors;
    ASSERT_EQ(r.dumps.size(), v == 0 ? 3u : 1u);
    const json& d = r.dumps[0];
    const json& run = d["buttons"]["102"];
    EXPECT_EQ(std::tuple(d["variant"], d["caption"], d["mode"]["IdleState"], d["mode"]["StopRequested"],
                         d["buttons"].size(), run["caption"], run["enabled"], run["pressed"], run["visible"]),
              std::tuple(v, captions[v], 1, 1, v == 2 ? 5u : 7u, "&Run", true, false, true));
    EXPECT_EQ(std::tuple(d["menu"]["40011"]["enabled"], d["menu"]["40013"]["enabled"], d["messages"].empty()),
              std::tuple(true, false, true));
    if (v != 0) continue;
    const auto &frozen = r.dumps[1]["loop"], &running = r.dumps[2];
    EXPECT_EQ(r.dumps[1]["mode"]["Frozen"], 1);
    EXPECT_NEAR(frozen["F0A"].get<int>(), 220, 22050.0 / 2048);  // the default input: 220 Hz
    EXPECT_GT(frozen["AchievedUpdatePeriodMs"].get<int>(), 0);
    EXPECT_EQ(std::tuple(running["mode"]["Frozen"], running["mode"]["CaptureStarted"],
                         running["buttons"]["105"]["enabled"]),
              std::tuple(0, 1, true));
    EXPECT_GT(running["mode"]["SpectrogramColumn"].get<int>(), 0) << "the loop ran on";
    // The script ended with the run going: the user's closes froze, reset and then ended the program.
    EXPECT_EQ(std::tuple(Mode.OpenBlockCount, Mode.StopRequested), std::tuple(0, 1));
  }
}

TEST(ScenarioShell, TheRunnerRefusesWhatItCannotCarryOut) {
  const struct {
    const char* script;
    int status;
    const char* error;
  } cases[] = {
      {"dump\nclick\n", 2, "line 2: "},  // nothing runs
      {"set StoredSeconds 9\ndump\n", 1, "line 1: value out of range for StoredSeconds"},
      // Exit in the idle state ends the program; a line after it cannot run.
      {"click 107\ndump\n", 1, "line 2: not run: the program ended before this line: dump"},
      {"answer select 1201 5\nmenu 40033\n", 1, "no list entry 5 in control 1201"},
  };
  for (const auto& c : cases) {
    ScenarioResult r = RunScenario(c.script);
    EXPECT_EQ(std::tuple(r.status, r.dumps.size()), std::tuple(c.status, 0u)) << c.script;
    EXPECT_NE(r.errors.find(c.error), std::string::npos) << r.errors;
  }
}

// The Audio Devices dialog on the simulated devices: the lists, a choice that reaches the next
// Run and playback, Cancel, and a chosen device that has gone by the next Run.
TEST(DevicesScenario, TheChoiceReachesTheNextOpensAndAVanishedDeviceFallsBackWithAMessage) {
  ScenarioResult r = RunScenario(
      "device input add USB Interface\ndevice input add Line In\ndevice output add Headphones\n"
      // Cancel leaves the default.
      "answer select 1201 1\nanswer dialog cancel\nmenu 40033\ndump\n"
      // Line In and Headphones; the dialog shows them when it opens again, and Cancel keeps them.
      "answer select 1201 2\nanswer select 1202 1\nanswer dialog ok\nmenu 40033\n"
      "answer dialog cancel\nmenu 40033\ndump\n"
      "click 102\nwait 500\nclick 107\nwait 100\n"
      // Gone before the next Run: a message, and the default from then on.
      "device input remove Line In\nclick 102\nwait 500\nclick 107\nwait 100\ndump\n"
      // Play A sounds on the chosen output.
      "click 102\nwait 1000\nclick 105\nwait 100\nclick 102\nwait 3000\ndump\n");
  ASSERT_EQ(r.status, 0) << r.errors;
  ASSERT_EQ(r.dumps.size(), 4u);
  const auto& chosen = r.dumps[1]["sound_devices"];
  EXPECT_EQ(std::tuple(r.dumps[0]["sound_devices"]["input"], r.dumps[0]["sound"]["input_devices"],
                       chosen["input"], chosen["output"]),
            std::tuple("", json({"USB Interface", "Line In"}), "Line In", "Headphones"));

  const auto& last = r.dumps[2];
  const auto& opens = last["sound"]["opens"];
  ASSERT_EQ(opens.size(), 3u);
  // The first Run, the second (gone), the default.
  EXPECT_EQ(std::tuple(opens[0]["name"], opens[0]["opened"], opens[1]["name"], opens[1]["opened"],
                       opens[2]["name"], opens[2]["opened"]),
            std::tuple("Line In", true, "Line In", false, "", true));
  ASSERT_EQ(last["messages"].size(), 1u);
  EXPECT_NE(last["messages"][0]["text"].get<std::string>().find("\"Line In\" is not available"),
            std::string::npos);
  EXPECT_EQ(std::tuple(last["sound_devices"]["input"], last["sound_devices"]["output"],
                       last["mode"]["CaptureStarted"]),
            std::tuple("", "Headphones", 0));
  bool playedThere = false;
  for (const auto& o : r.dumps[3]["sound"]["opens"])
    playedThere =
        playedThere || (o["device"] == "output" && o["name"] == "Headphones" && o["opened"] == true);
  EXPECT_TRUE(playedThere) << r.dumps[3]["sound"]["opens"].dump();
}

// Playing recordings of a sung vowel with its glottogram to their near-end freeze: the frozen
// display reads the closed quotient, period and F0 the recording was made with; the demo recording
// (a voice near 196 Hz with a vibrato of 60 cents, CQ 0.45) moves every display while it plays.
TEST(PlaybackVoice, FrozenVoiceRecordingsReadTheClosedQuotientPeriodAndF0TheyWereMadeWith) {
  const int rate = 22050, frames = 3 * rate;
  testsig::EggShape shape;  // 8 ms, CQ 0.45: F0 125 Hz
  const ScratchDir dir("voice");
  const char* source = std::getenv("TX_SOURCE_DIR");
  const std::string demo = std::string(source ? source : ".") + "/samples/demo.wav";
  ASSERT_TRUE(std::filesystem::exists(demo)) << demo;
  const struct {
    std::string path;
    double f0, f0Tolerance, cq, cqTolerance, periodMs;  // periodMs 0: not looked at
  } cases[] = {{dir.Wav("voice.wav", 2,
                        testsig::Interleave(testsig::SungVowel(shape, 16000, rate, frames),
                                            testsig::EggCycles(shape, rate, frames))),
                125, 0, shape.closedQuotient, 0.02, shape.periodMs},
               {demo, 196, 196 * 0.05, 0.45, 0.04, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    ScenarioResult r =
        RunScenario("answer file " + c.path + "\nclick 103\nwait 2000\ndump\nwait 5000\ndump\n", 0);
    ASSERT_EQ(r.status, 0) << r.errors;
    ASSERT_EQ(r.dumps.size(), 2u);
    const auto& playing = r.dumps[0];
    EXPECT_EQ(std::tuple(playing["mode"]["Frozen"], playing["sound"]["writes"][0]["format"]["channels"],
                         r.dumps[1]["mode"]["Frozen"]),
              std::tuple(0, 2, 1));
    EXPECT_GT(playing["mode"]["SpectrogramColumn"].get<int>(), 10);
    EXPECT_GT(playing["frames_drawn"].get<int>(), 50);
    const std::string texts = Texts(r.dumps[1]);
    EXPECT_NEAR(Number(texts, R"(F0 (\d+) Hz)"), c.f0, c.f0Tolerance) << texts;
    EXPECT_NEAR(Number(texts, R"(CQ (\d+\.\d+))"), c.cq, c.cqTolerance) << texts;
    EXPECT_NEAR(c.periodMs ? Number(texts, R"(Period (\d+\.\d+) ms)") : 0, c.periodMs, 0.05) << texts;
  }
}

}  // namespace
