// The Measurements window in a whole-program run: the live figures and the view-only figures
// following a voice whose F0 changes, two vowels of known F0 and closed quotient frozen and stored
// side by side, their bundle and export files, and a bundle that cannot be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "files/recording_reader.h"
#include "scenarios/scenario_support.h"
#include "signals/voice_signals.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 22050;
const char* const kMethods[] = {"criterion_25", "criterion_35", "criterion_50", "hybrid_3_7", "degg"};

class MeasurementsScenario : public ::testing::Test {
 protected:
  const ScratchDir scratch{"measure"};
  const fs::path dir = scratch.dir;

  // A sustained two-channel vowel (or several joined) written as a WAV file; returns the truths.
  std::vector<testsig::KnownVoiceTruth> Write(const std::string& name,
                                              std::vector<testsig::KnownVoiceSpec> specs) {
    std::vector<float> frames;
    std::vector<testsig::KnownVoiceTruth> truths;
    for (auto& voice : specs) {
      voice.rate = kRate;
      const testsig::KnownVoice v = testsig::MakeKnownVoice(voice);
      const std::vector<float> f = testsig::StereoFrames(v);
      frames.insert(frames.end(), f.begin(), f.end());
      truths.push_back(v.truth);
    }
    scratch.Wav(name, 2, testsig::ToInt16(frames));
    return truths;
  }

  static std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
};

void ExpectVoice(const nlohmann::json& report, const testsig::KnownVoiceTruth& truth, const char* which) {
  SCOPED_TRACE(which);
  ASSERT_TRUE(report.is_object()) << report;
  EXPECT_NEAR(report["f0"]["mean_hz"].get<double>(), truth.f0MeanHz, truth.f0MeanHz * 0.002);
  EXPECT_EQ(report["egg"]["flagged"], 0);
  for (int m = 0; m < 5; ++m)
    EXPECT_NEAR(report["egg"]["cq"][kMethods[m]]["mean"].get<double>(), truth.cqMean[m], 0.02) << kMethods[m];
}

int CountRows(const std::string& csv, const std::string& prefix) {
  std::istringstream in(csv);
  int n = 0;
  for (std::string line; std::getline(in, line);) n += line.rfind(prefix, 0) == 0;
  return n;
}

// The microphone hears a voice whose F0 changes: the live figures and the view-only figures of the
// freeze follow it. Then two vowels of known F0 and CQ are played to their freeze near the end, the
// first stored: their figures side by side, their bundle and export, and a bundle that cannot be written.
TEST_F(MeasurementsScenario, LiveAndViewOnlyFiguresFollowTheVoiceTwoFrozenVowelsSideBySideAndTheirBundle) {
  testsig::KnownVoiceSpec low, high, first, second;
  low.f0Hz = 150, low.seconds = 2;
  high.f0Hz = 250, high.seconds = 2.5, high.seed = 3;
  first.f0Hz = 125, first.closedQuotient = 0.45, first.seconds = 3;
  second.f0Hz = 196, second.closedQuotient = 0.6, second.seconds = 3, second.seed = 2;
  Write("glide.wav", {low, high});
  const auto t1 = Write("first.wav", {first}), t2 = Write("second.wav", {second});
  std::ofstream(dir / "plain") << "not a folder";
  const fs::path bundle = dir / "bundle";
  // Live, frozen with the view-only figures, then back towards the start of the held sound, four view
  // units a press; view-only off again and reset.
  std::string script =
      "set LeftRightAssignment 112\nkey M\nclick 102\nwait 1800\ndump\nwait 2000\ndump\n"
      "click 105\nwait 300\nclick 1201\nwait 100\ndump\n";
  for (int i = 0; i < 520; ++i) script += "key shift+Left\n";
  auto answer = [&](const fs::path& p) { return "answer file " + p.string() + "\n"; };
  script += "wait 100\ndump\nclick 1201\nkey Escape\n" + answer(dir / "first.wav") +
            "click 103\nwait 4000\nclick 106\nclick 107\n" + answer(dir / "second.wav") +
            "click 103\nwait 4000\ndump\n" + answer(bundle) + "menu 40032\n" + answer(dir / "cycles.csv") +
            "menu 40031\n" + answer(dir / "plain" / "bundle") + "menu 40032\ndump\n";
  ScenarioResult r = RunScenario(script, 0, {}, "", (dir / "glide.wav").string());
  ASSERT_EQ(r.status, 0) << r.errors;
  ASSERT_EQ(r.dumps.size(), 6u);
  // Live at 1.8 and 3.8 s; frozen, view only: the 2048 frames at the freeze position, then near the start.
  const auto& dumps = r.dumps;
  const double f0[] = {150, 250, 250, 150};
  for (int i = 0; i < 4; ++i)
    EXPECT_NEAR(dumps[i]["measurements"]["A"]["f0"]["mean_hz"].get<double>(), f0[i], f0[i] * 0.01) << i;
  EXPECT_EQ(std::tuple(dumps[0]["measurements"]["live"], dumps[0]["measurements"]["B"],
                       dumps[2]["measurements"]["view_only"]),
            std::tuple(true, nullptr, true));
  EXPECT_NEAR(dumps[2]["measurements"]["A"]["seconds"].get<double>(), 2048.0 / kRate, 1e-6);
  EXPECT_LT(dumps[3]["loop"]["ViewPosition"].get<int>(), dumps[2]["loop"]["ViewPosition"].get<int>() - 1500)
      << dumps[2]["loop"] << dumps[3]["loop"];

  const auto& d = r.dumps[4];
  ASSERT_EQ(d["mode"]["Frozen"], 1);
  const auto& m = d["measurements"];
  EXPECT_EQ(std::tuple(d["menu"]["40031"]["enabled"], d["menu"]["40032"]["enabled"], m["window_open"],
                       m["live"], m["view_only"]),
            std::tuple(true, true, true, false, false));
  ExpectVoice(m["A"], t2[0], "A: the second vowel");
  ExpectVoice(m["B"], t1[0], "B: the stored first vowel");
  EXPECT_NEAR(m["difference"]["f0"]["mean_hz"].get<double>(), t1[0].f0MeanHz - t2[0].f0MeanHz, 0.8);
  EXPECT_NEAR(m["difference"]["egg"]["cq"]["criterion_50"]["mean"].get<double>(),
              t1[0].cqMean[2] - t2[0].cqMean[2], 0.04);
  // The window's table shows the same figures.
  const auto& table = m["table"];
  EXPECT_EQ(std::tuple(table[0], table[1][0]),
            std::tuple(nlohmann::json({"", "Sample A", "Sample B", "B - A"}), "F0 mean"));
  EXPECT_TRUE(table[1][1].get<std::string>().find(" G3 ") != std::string::npos &&
              table[1][2].get<std::string>().find(" B2 ") != std::string::npos)
      << table[1];
  EXPECT_TRUE(std::any_of(d["dialogs"].begin(), d["dialogs"].end(), [&](const auto& dlg) {
    return dlg["id"] == 120 && dlg["controls"]["1304"]["text"] == table[1][0];
  })) << "the window's cells hold the table";

  // The bundle: six files that agree with each other.
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(bundle)) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"cycles.csv", "display.png", "sample-a.wav", "sample-b.wav",
                                          "spectrum.csv", "summary.json"}));
  const auto summary = nlohmann::json::parse(Slurp(bundle / "summary.json"));
  EXPECT_EQ(std::tuple(summary["version"], summary["settings"]["rate"]), std::tuple("2.5", kRate));
  EXPECT_EQ(std::tuple(summary["A"]["f0"]["mean_hz"], summary["B"]["egg"]["cq"]["degg"]["mean"]),
            std::tuple(m["A"]["f0"]["mean_hz"], m["B"]["egg"]["cq"]["degg"]["mean"]));
  const std::string cycles = Slurp(bundle / "cycles.csv");
  EXPECT_EQ(cycles.substr(0, cycles.find('\n')),
            "sample,file,cycle,start_s,period_ms,f0_hz,cq_25,cq_35,cq_50,cq_3_7,cq_degg,egg_snr_db,flagged");
  EXPECT_EQ(std::tuple(CountRows(cycles, "A,"), CountRows(cycles, "B,")),
            std::tuple(summary["A"]["egg"]["cycles"].get<int>(), summary["B"]["egg"]["cycles"].get<int>()));
  EXPECT_EQ(Slurp(dir / "cycles.csv"), cycles) << "Export Measurements writes the same rows";
  EXPECT_EQ(CountRows(Slurp(bundle / "spectrum.csv"), ""), 1025);
  EXPECT_EQ(Slurp(bundle / "display.png").substr(1, 3), "PNG");
  for (const char* wav : {"sample-a.wav", "sample-b.wav"}) {
    RecordingPlayback opened = OpenRecordingForPlay((bundle / wav).string(), 0);
    ASSERT_TRUE(opened.ok) << wav << ": " << opened.message;
    EXPECT_EQ(std::tuple(opened.info.channels, opened.info.sampleRate), std::tuple(2, kRate));
    const double seconds = summary[wav[7] == 'a' ? "A" : "B"]["seconds"].get<double>();
    EXPECT_NEAR(static_cast<double>(opened.playDataFrames) / kRate, seconds, 0.001) << wav;
  }
  // A folder under a regular file: refused with a message, nothing made.
  const auto& failed = r.dumps[5]["messages"];
  ASSERT_FALSE(failed.empty());
  EXPECT_NE(failed.back()["text"].get<std::string>().find("The sample bundle was not saved"),
            std::string::npos);
  EXPECT_EQ(fs::file_size(dir / "plain"), 12u);
}

}  // namespace
