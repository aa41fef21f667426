// Held and stored samples seen as a user sees them: which panel a playing sample is drawn on with
// its F0 and cursor, the coupled cursors of both samples, closes while recording and while a
// sample plays, the held part of a file whose output opens slowly, and a recording named on the
// command line that is stored and then dropped.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "scenarios/scenario_support.h"
#include "signals/signals.h"

namespace {

using nlohmann::json;

const char* kSpectrumHz = R"(Cursor  -?\d+ dB   (\d+) Hz)";
const char* kSpectrogramHz = R"(Cursor  \d+ ms  (\d+) Hz)";
const char* kSpectrogramMs = R"(Cursor  (\d+) ms)";

// A 3-second stereo 300 Hz tone at 22050 Hz, written into dir as tone.wav.
std::string WriteTone(const ScratchDir& dir) {
  const auto tone = testsig::Sine(300, 8000, 22050, 3 * 22050);
  return dir.Wav("tone.wav", 2, testsig::Interleave(tone, tone));
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
    const int selection = e.playing < 0 ? -1 : d["mode"]["PlaySelection"].get<int>();
    EXPECT_EQ(std::tuple(d["mode"]["PlayingSignals"], selection),
              std::tuple(e.playing >= 0 ? 1 : 0, e.playing));
    const std::string own = Texts(d, e.half), other = e.half < 0 ? "" : Texts(d, 1 - e.half);
    EXPECT_NE(own.find(e.title), std::string::npos) << own;
    // While a sample plays, the F0 of the sound heard (220 Hz) is shown on the panel it is drawn on.
    EXPECT_EQ(own.find("F0:") != std::string::npos, e.playing >= 0) << own;
    EXPECT_TRUE(e.playing < 0 || std::abs(Number(own, R"(F0:  (\d+) +Hz)") - 220) <= 11) << own;
    EXPECT_EQ(other.find("F0:"), std::string::npos) << other;
    EXPECT_EQ(own.find(e.cursor ? e.cursor : "Cursor") != std::string::npos, e.cursor != nullptr) << own;
  }
  // The frozen view shows B's own cursor in the lower half.
  EXPECT_NE(Texts(r.dumps[0], 1).find("Cursor  -80 dB   3205 Hz"), std::string::npos);
}

TEST(StoredSampleScenario, TheCursorThatLeadsMovesTheOtherPanelOfItsSampleInTheSameFrame) {
  // F1 above/below: a click on a spectrum panel (right half) makes that spectrum cursor lead, a
  // click on a spectrogram (left half) that spectrogram cursor; a click in the lower half is B's.
  std::string script = kStoredPair + "key F1\nwait 100\ndump\n";
  for (std::string at : {"600 120", "600 400", "200 330", "200 100"})
    script += "mouse down " + at + "\nmouse up " + at + "\nwait 100\ndump\n";
  ScenarioResult r = RunScenario(script + "key Escape\n");
  ASSERT_EQ(r.status, 0) << r.errors;
  ASSERT_EQ(r.dumps.size(), 5u);
  std::vector<std::array<double, 2>> hz, ms;  // by dump, for A and B
  for (size_t i = 0; i < r.dumps.size(); ++i) {
    SCOPED_TRACE(i);
    std::array<double, 2> f{}, t{};
    for (int b = 0; b < 2; ++b) {
      const std::string texts = Texts(r.dumps[i], b);
      f[b] = Number(texts, kSpectrogramHz);
      t[b] = Number(texts, kSpectrogramMs);
      EXPECT_GT(f[b], 0) << texts;
      // Once a cursor leads, the spectrum and spectrogram cursors of one sample agree in every frame.
      EXPECT_TRUE(i == 0 || Number(texts, kSpectrumHz) == f[b]) << texts;
    }
    hz.push_back(f);
    ms.push_back(t);
  }
  // A's spectrum leads, then B's at the same pixel: both read the same frequency.
  EXPECT_NE(hz[1][0], hz[0][0]);
  EXPECT_EQ(std::tuple(hz[1][1], hz[2][1], hz[2][0]), std::tuple(hz[0][1], hz[1][0], hz[1][0]));
  // B's spectrogram leads and moves B's time cursor only; then A's at the same column.
  EXPECT_NE(hz[3][1], hz[2][1]);
  EXPECT_NE(ms[3][1], ms[2][1]);
  EXPECT_NE(hz[4][0], hz[3][0]);
  EXPECT_EQ(std::tuple(hz[3][0], ms[3][0], ms[4][0], hz[4][1]),
            std::tuple(hz[2][0], ms[2][0], ms[3][1], hz[3][1]));
}

// A close while recording stops the recording only; one while Play A sounds ends the playback and
// the frozen live view comes back with capture; the next close resets. Then, with an output that
// takes 150 ms to open, a file frozen 1 s in holds what was heard, no more: its sound starts when
// the output takes it, not when the program asked for the device.
TEST(StoredSampleScenario, ClosesStopWhatRunsASlowOutputDelaysTheFileClockAndACommandLineRecordingPlays) {
  const ScratchDir dir("stored");
  const std::string take = (dir.dir / "take.tdx").string(), path = WriteTone(dir);
  ScenarioResult r =
      RunScenario("set StoredSeconds 4\nclick 102\nwait 1000\nanswer file " + take +
                  "\nkey R\nwait 5000\nclose\nwait 4500\ndump\nkey Space\nwait 300\nkey A\nwait 500\n"
                  "dump\nclose\nwait 300\ndump\nclose\nwait 300\ndump\n"
                  "device output delay 150\nanswer file " +
                  path + "\nclick 103\nwait 1000\nkey Space\nwait 300\ndump\n");
  ASSERT_EQ(r.status, 0) << r.errors;  // the closes at the script's end ended the program
  ASSERT_EQ(r.dumps.size(), 5u);
  const json& recorded = r.dumps[0]["mode"];
  EXPECT_EQ(std::tuple(recorded["Recording"], recorded["Frozen"], recorded["CaptureStarted"]),
            std::tuple(0, 0, 1));
  const auto bytes = static_cast<int64_t>(std::filesystem::file_size(take)) - 46;
  EXPECT_TRUE(bytes > 0 && bytes % (22050 * 2 * 4) == 0) << bytes;  // whole 4-second mono capture buffers
  EXPECT_EQ(r.dumps[1]["mode"]["PlayingSignals"], 1);
  const json& back = r.dumps[2];
  EXPECT_EQ(
      std::tuple(back["mode"]["PlayingSignals"], back["mode"]["Frozen"], back["mode"]["CaptureStarted"]),
      std::tuple(0, 1, 1));
  ASSERT_EQ(back["sound"]["writes"].size(), 1u);
  EXPECT_EQ(back["sound"]["writes"][0]["completed"], false);
  EXPECT_EQ(back["sound"]["opens"].back()["device"], "input");
  EXPECT_EQ(std::tuple(r.dumps[3]["mode"]["IdleState"], r.dumps[3]["window"]["visible"]),
            std::tuple(1, true));
  const json& slow = r.dumps[4];
  EXPECT_EQ(slow["mode"]["Frozen"], 1);
  ASSERT_EQ(slow["sound"]["writes"].size(), 2u);  // Play A, the file
  const int heard = slow["sound"]["writes"][1]["heard_frames"];
  EXPECT_GT(heard, 22050 * 0.9);
  EXPECT_NEAR(slow["loop"]["HeldBytesA"].get<int>() / 4, heard, 22050 * 0.01);  // 10 ms

  // A stereo recording named on the command line plays at once without a dialog, from its own
  // folder; stored, it is dropped with a message when mono live analysis starts.
  const auto cwd = std::filesystem::current_path();
  const auto folder = std::filesystem::canonical(dir.dir);
  r = RunScenario("wait 500\ndump\nwait 4000\ndump\nkey S\nkey Escape\nwait 100\nclick 102\nwait 500\ndump\n",
                  1, {}, path);
  const auto cwdDuringRun = std::filesystem::current_path();
  std::filesystem::current_path(cwd);
  ASSERT_EQ(r.status, 0) << r.errors;
  ASSERT_EQ(r.dumps.size(), 3u);
  const json& playing = r.dumps[0];
  EXPECT_EQ(std::tuple(playing["mode"]["FileSource"], playing["mode"]["Frozen"],
                       playing["paths"]["FileTitle"], playing["sound"]["writes"][0]["format"]["channels"]),
            std::tuple(1, 0, "tone.wav", 2));
  EXPECT_TRUE(playing["file_dialogs"].empty());
  EXPECT_EQ(cwdDuringRun, folder);
  EXPECT_EQ(r.dumps[1]["mode"]["Frozen"], 1);  // the near-end freeze
  EXPECT_TRUE(r.dumps[1]["messages"].empty());
  const json& live = r.dumps[2];
  EXPECT_EQ(std::tuple(live["mode"]["CaptureStarted"], live["mode"]["SampleBStored"],
                       live["settings"]["ComparisonMode"]),
            std::tuple(1, 0, 0));
  ASSERT_EQ(live["messages"].size(), 1u);
  EXPECT_EQ(std::tuple(live["messages"][0]["text"], live["messages"][0]["icon"]),
            std::tuple("Delete Incompatible Stored Sample", "exclamation"));
}

}  // namespace
