// Held and stored samples seen as a user sees them: which panel a playing sample is drawn on with
// its F0 and cursor, the coupled cursors of both samples, closes while recording and while a
// sample plays, and a recording named on the command line that is stored and then dropped.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "files/recording_writer.h"
#include "scenarios/scenario_support.h"
#include "signals/signals.h"

namespace {

using nlohmann::json;

// The texts of the last frame in the upper half (0), the lower half (1) or all of the panel area
// (-1); the legend strip's text lies just below that area.
std::string Texts(const json& dump, int half) {
  const int middle = dump["texts"].back()["y"].get<int>() / 2;
  std::string all;
  for (const auto& t : dump["texts"])
    if (half < 0 || (t["y"].get<int>() > middle) == (half == 1)) all += t["text"].get<std::string>() + "\n";
  return all;
}

// The first number matched by pattern's group, -1 when there is none.
int Number(const std::string& texts, const char* pattern) {
  std::smatch m;
  return std::regex_search(texts, m, std::regex(pattern)) ? std::stoi(m[1].str()) : -1;
}

const char* kSpectrumHz = R"(Cursor  -?\d+ dB   (\d+) Hz)";
const char* kSpectrogramHz = R"(Cursor  \d+ ms  (\d+) Hz)";
const char* kSpectrogramMs = R"(Cursor  (\d+) ms)";

// A 3-second stereo 300 Hz tone at 22050 Hz, written into dir as tone.wav.
std::string WriteTone(const std::filesystem::path& dir) {
  const auto tone = testsig::Sine(300, 8000, 22050, 3 * 22050);
  const auto stereo = testsig::Interleave(tone, tone);
  const std::string path = (dir / "tone.wav").string();
  std::string error;
  EXPECT_TRUE(SaveSampleFile(path, 2, 22050, 16, reinterpret_cast<const uint8_t*>(stereo.data()),
                             stereo.size() * 2, &error))
      << error;
  return path;
}

// A 220 Hz input frozen after 4.5 s, stored as Sample B; each sample's spectrum cursor set with a
// click in F4 (A at 300 px, then B at 500 px in the lower half).
const std::string kStoredPair =
    "set F0Measurement 1057\nset StoredSeconds 4\nclick 102\nwait 4500\nkey Space\nwait 200\nkey F4\n"
    "mouse down 300 100\nmouse up 300 100\nkey S\nkey ctrl+F2\n"
    "mouse down 500 400\nmouse up 500 400\nwait 100\n";

TEST(StoredSampleScenario, APlayingSampleIsDrawnOnItsOwnPanelWithTheF0OfWhatIsHeard) {
  const std::string play = "wait 1000\ndump\nwait 3500\n";  // each sample holds 4 s
  ScenarioResult r =
      RunScenario(kStoredPair + "dump\nkey A\n" + play + "key B\n" + play + "key ctrl+F3\nkey B\n" + play +
                  "key A\n" + play + "key ctrl+F1\nkey A\n" + play + "key Escape\n");
  ASSERT_EQ(r.status, 0) << r.errors;
  ASSERT_EQ(r.dumps.size(), 6u);
  struct Expect {
    const char* what;
    int playing;  // -1 none, else PlaySelection
    const char* title;
    int half;            // where the played sample's panel lies: as Texts()
    const char* cursor;  // the cursor readout on that panel, or null
  } expected[] = {
      {"frozen, above/below", -1, "Spectrum (A)", 0, "Cursor  -80 dB   1923 Hz"},
      {"Play A, above/below", 0, "Spectrum (A)", 0, nullptr},
      {"Play B, above/below", 1, "Spectrum (B)", 1, nullptr},
      {"Play B, overlay", 1, "Spectrum (A) & (B)", -1, "Cursor  1923 Hz"},
      {"Play A, overlay", 0, "Spectrum (A) & (B)", -1, nullptr},
      {"Play A, no comparison", 0, "Spectrum (A)", -1, nullptr},
  };
  for (size_t i = 0; i < r.dumps.size(); ++i) {
    const Expect& e = expected[i];
    SCOPED_TRACE(e.what);
    const json& d = r.dumps[i];
    EXPECT_EQ(d["mode"]["PlayingSignals"], e.playing >= 0 ? 1 : 0);
    if (e.playing >= 0) {
      EXPECT_EQ(d["mode"]["PlaySelection"], e.playing);
    }
    const std::string own = Texts(d, e.half), other = e.half < 0 ? "" : Texts(d, 1 - e.half);
    EXPECT_NE(own.find(e.title), std::string::npos) << own;
    // While a sample plays, the F0 of the sound heard (220 Hz) is shown on the panel it is drawn on.
    if (e.playing >= 0) {
      EXPECT_NEAR(Number(own, R"(F0:  (\d+) +Hz)"), 220, 11) << own;
    } else {
      EXPECT_EQ(own.find("F0:"), std::string::npos) << own;
    }
    EXPECT_EQ(other.find("F0:"), std::string::npos) << other;
    if (e.cursor) {
      EXPECT_NE(own.find(e.cursor), std::string::npos) << own;
    } else {
      EXPECT_EQ(own.find("Cursor"), std::string::npos) << own;
    }
  }
  // The frozen view shows B's own cursor in the lower half.
  EXPECT_NE(Texts(r.dumps[0], 1).find("Cursor  -80 dB   3205 Hz"), std::string::npos);
}

TEST(StoredSampleScenario, TheCursorThatLeadsMovesTheOtherPanelOfItsSampleInTheSameFrame) {
  // F1 above/below: a click on a spectrum panel (right half) makes that spectrum cursor lead, a
  // click on a spectrogram (left half) that spectrogram cursor; a click in the lower half is B's.
  const char* clicks[] = {"600 120", "600 400", "200 330", "200 100"};
  std::string script = kStoredPair + "key F1\nwait 100\ndump\n";
  for (const char* at : clicks)
    script += std::string("mouse down ") + at + "\nmouse up " + at + "\nwait 100\ndump\n";
  ScenarioResult r = RunScenario(script + "key Escape\n");
  ASSERT_EQ(r.status, 0) << r.errors;
  ASSERT_EQ(r.dumps.size(), 5u);
  std::vector<std::array<int, 2>> hz, ms;  // by dump, for A and B
  for (size_t i = 0; i < r.dumps.size(); ++i) {
    SCOPED_TRACE(i);
    std::array<int, 2> f{}, t{};
    for (int b = 0; b < 2; ++b) {
      const std::string texts = Texts(r.dumps[i], b);
      f[b] = Number(texts, kSpectrogramHz);
      t[b] = Number(texts, kSpectrogramMs);
      EXPECT_GT(f[b], 0) << texts;
      // Once a cursor leads, the spectrum and spectrogram cursors of one sample agree in every frame.
      if (i > 0) {
        EXPECT_EQ(Number(texts, kSpectrumHz), f[b]) << texts;
      }
    }
    hz.push_back(f);
    ms.push_back(t);
  }
  // A's spectrum leads, then B's at the same pixel: both read the same frequency.
  EXPECT_NE(hz[1][0], hz[0][0]);
  EXPECT_EQ(hz[1][1], hz[0][1]);
  EXPECT_EQ(hz[2][1], hz[1][0]);
  EXPECT_EQ(hz[2][0], hz[1][0]);
  // B's spectrogram leads and moves B's time cursor only; then A's at the same column.
  EXPECT_NE(hz[3][1], hz[2][1]);
  EXPECT_NE(ms[3][1], ms[2][1]);
  EXPECT_EQ(hz[3][0], hz[2][0]);
  EXPECT_EQ(ms[3][0], ms[2][0]);
  EXPECT_NE(hz[4][0], hz[3][0]);
  EXPECT_EQ(ms[4][0], ms[3][1]);
  EXPECT_EQ(hz[4][1], hz[3][1]);
}

TEST(StoredSampleScenario, ClosesStopWhatRunsAndARecordingNamedAtStartPlaysAndIsDroppedLater) {
  const auto dir = std::filesystem::temp_directory_path() / ("tx-stored-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string take = (dir / "take.tdx").string();
  // A close while recording stops the recording only; one while Play A sounds ends the playback
  // and the frozen live view comes back with capture; the next close resets.
  ScenarioResult r =
      RunScenario("set StoredSeconds 4\nclick 102\nwait 1000\nanswer file " + take +
                  "\nkey R\nwait 5000\nclose\nwait 4500\ndump\nkey Space\nwait 300\nkey A\nwait 500\n"
                  "dump\nclose\nwait 300\ndump\nclose\nwait 300\ndump\n");
  ASSERT_EQ(r.status, 0) << r.errors;  // the closes at the script's end ended the program
  ASSERT_EQ(r.dumps.size(), 4u);
  const json& recorded = r.dumps[0]["mode"];
  EXPECT_EQ(recorded["Recording"], 0);
  EXPECT_EQ(recorded["Frozen"], 0);
  EXPECT_EQ(recorded["CaptureStarted"], 1);
  const auto bytes = static_cast<int64_t>(std::filesystem::file_size(take)) - 46;
  EXPECT_GT(bytes, 0);
  EXPECT_EQ(bytes % (22050 * 2 * 4), 0);  // whole 4-second mono capture buffers
  EXPECT_EQ(r.dumps[1]["mode"]["PlayingSignals"], 1);
  const json& back = r.dumps[2];
  EXPECT_EQ(back["mode"]["PlayingSignals"], 0);
  EXPECT_EQ(back["mode"]["Frozen"], 1);
  EXPECT_EQ(back["mode"]["CaptureStarted"], 1);
  ASSERT_EQ(back["sound"]["writes"].size(), 1u);
  EXPECT_EQ(back["sound"]["writes"][0]["completed"], false);
  EXPECT_EQ(back["sound"]["opens"].back()["device"], "input");
  EXPECT_EQ(r.dumps[3]["mode"]["IdleState"], 1);
  EXPECT_EQ(r.dumps[3]["window"]["visible"], true);

  // A stereo recording named on the command line plays at once without a dialog, from its own
  // folder; stored, it is dropped with a message when mono live analysis starts.
  const std::string path = WriteTone(dir);
  const auto cwd = std::filesystem::current_path();
  const auto folder = std::filesystem::canonical(dir);
  r = RunScenario("wait 500\ndump\nwait 4000\ndump\nkey S\nkey Escape\nwait 100\nclick 102\nwait 500\ndump\n",
                  1, {}, path);
  const auto cwdDuringRun = std::filesystem::current_path();
  std::filesystem::current_path(cwd);
  std::filesystem::remove_all(dir);
  ASSERT_EQ(r.status, 0) << r.errors;
  ASSERT_EQ(r.dumps.size(), 3u);
  const json& playing = r.dumps[0];
  EXPECT_EQ(playing["mode"]["FileSource"], 1);
  EXPECT_EQ(playing["mode"]["Frozen"], 0);
  EXPECT_TRUE(playing["file_dialogs"].empty());
  EXPECT_EQ(playing["paths"]["FileTitle"], "tone.wav");
  EXPECT_EQ(playing["sound"]["writes"][0]["format"]["channels"], 2);
  EXPECT_EQ(cwdDuringRun, folder);
  EXPECT_EQ(r.dumps[1]["mode"]["Frozen"], 1);  // the near-end freeze
  EXPECT_TRUE(r.dumps[1]["messages"].empty());
  const json& live = r.dumps[2];
  EXPECT_EQ(live["mode"]["CaptureStarted"], 1);
  EXPECT_EQ(live["mode"]["SampleBStored"], 0);
  EXPECT_EQ(live["settings"]["ComparisonMode"], 0);
  ASSERT_EQ(live["messages"].size(), 1u);
  EXPECT_EQ(live["messages"][0]["text"], "Delete Incompatible Stored Sample");
  EXPECT_EQ(live["messages"][0]["icon"], "exclamation");
}

// The sound of a file starts when the output takes it, not when the program asked for the device:
// with an output that takes 150 ms to open, a freeze 1 s in holds what was heard, no more.
TEST(StoredSampleScenario, AFileFrozenEarlyHoldsWhatWasHeardWhenTheOutputOpensSlowly) {
  const auto dir = std::filesystem::temp_directory_path() / ("tx-slow-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  ScenarioResult r = RunScenario("device output delay 150\nanswer file " + WriteTone(dir) +
                                 "\nclick 103\nwait 1000\nkey Space\nwait 300\ndump\nkey Escape\n");
  std::filesystem::remove_all(dir);
  ASSERT_EQ(r.status, 0) << r.errors;
  ASSERT_EQ(r.dumps.size(), 1u);
  const json& d = r.dumps[0];
  EXPECT_EQ(d["mode"]["Frozen"], 1);
  ASSERT_EQ(d["sound"]["writes"].size(), 1u);
  const int heard = d["sound"]["writes"][0]["heard_frames"];
  EXPECT_GT(heard, 22050 * 0.9);
  EXPECT_NEAR(d["loop"]["HeldBytesA"].get<int>() / 4, heard, 22050 * 0.01);  // 10 ms
}

}  // namespace
