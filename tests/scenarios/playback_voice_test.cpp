// Playing recordings of a sung vowel with its glottogram: the frozen display reads the closed
// quotient, period and F0 the recording was made with; the demo recording moves every display.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>

#include "files/recording_writer.h"
#include "scenarios/scenario_support.h"
#include "support/egg_signals.h"
#include "support/signals.h"

namespace {

std::string AllTexts(const nlohmann::json& dump) {
  std::string all;
  for (const auto& t : dump["texts"]) all += t["text"].get<std::string>() + "\n";
  return all;
}

double Number(const std::string& texts, const std::string& pattern) {
  std::smatch m;
  if (!std::regex_search(texts, m, std::regex(pattern))) return NAN;
  return std::stod(m[1].str());
}

TEST(PlaybackVoice, AFrozenVoiceRecordingReadsTheClosedQuotientPeriodAndF0ItWasMadeWith) {
  const int rate = 22050;
  const int frames = 3 * rate;
  testsig::EggShape shape;  // 8 ms, CQ 0.45: F0 125 Hz
  const auto data = testsig::Interleave(testsig::SungVowel(shape, 16000, rate, frames),
                                        testsig::EggCycles(shape, rate, frames));
  const std::string path =
      (std::filesystem::temp_directory_path() / ("tx-voice-" + std::to_string(::getpid()) + ".wav")).string();
  std::string error;
  ASSERT_TRUE(SaveSampleFile(path, 2, rate, 16, reinterpret_cast<const uint8_t*>(data.data()),
                             data.size() * 2, &error))
      << error;
  // Played to its near-end freeze, then the frozen view is looked at.
  ScenarioResult r = RunScenario("answer file " + path + "\nclick 103\nwait 4000\ndump\n", 0);
  std::remove(path.c_str());
  ASSERT_EQ(r.status, 0) << r.errors;
  ASSERT_EQ(r.dumps.size(), 1u);
  const auto& d = r.dumps[0];
  EXPECT_EQ(d["mode"]["Frozen"], 1);
  const std::string texts = AllTexts(d);
  EXPECT_NEAR(Number(texts, R"(CQ (\d+\.\d+))"), shape.closedQuotient, 0.02) << texts;
  EXPECT_NEAR(Number(texts, R"(Period (\d+\.\d+) ms)"), shape.periodMs, 0.05) << texts;
  EXPECT_EQ(Number(texts, R"(F0 (\d+) Hz)"), 125) << texts;
}

TEST(PlaybackVoice, TheDemoRecordingPlaysWithEveryDisplayMovingAndFreezesNearItsEnd) {
  const char* source = std::getenv("TX_SOURCE_DIR");
  const std::string demo = std::string(source ? source : ".") + "/samples/demo.wav";
  if (!std::filesystem::exists(demo)) GTEST_SKIP() << "no " << demo;
  ScenarioResult r =
      RunScenario("answer file " + demo + "\nclick 103\nwait 2000\ndump\nwait 5000\ndump\n", 0);
  ASSERT_EQ(r.status, 0) << r.errors;
  ASSERT_EQ(r.dumps.size(), 2u);
  const auto& playing = r.dumps[0];
  EXPECT_EQ(playing["mode"]["Frozen"], 0);
  EXPECT_GT(playing["mode"]["SpectrogramColumn"].get<int>(), 10);
  EXPECT_GT(playing["frames_drawn"].get<int>(), 50);
  EXPECT_EQ(playing["sound"]["writes"][0]["format"]["channels"], 2);
  const auto& frozen = r.dumps[1];
  EXPECT_EQ(frozen["mode"]["Frozen"], 1);
  const std::string texts = AllTexts(frozen);
  // A voice near 196 Hz with a vibrato of 60 cents, CQ 0.45.
  EXPECT_NEAR(Number(texts, R"(F0 (\d+) Hz)"), 196, 196 * 0.05) << texts;
  EXPECT_NEAR(Number(texts, R"(CQ (\d+\.\d+))"), 0.45, 0.04) << texts;
}

}  // namespace
