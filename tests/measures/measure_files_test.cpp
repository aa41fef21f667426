// `taldrinex-cli measure` and the reading behind it: every WAV layout of the corpora is read the
// same, Play File keeps its 16-bit rule, results come in input order with error objects for files
// that cannot be measured, and malformed files never crash it.
#include <sys/wait.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "../files/reader_fuzz_corpus.h"
#include "../files/wav_fixture.h"
#include "files/recording_file.h"
#include "measures/voice_report.h"
#include "signals/voice_signals.h"
#include "signals/wave_encoding.h"

namespace {

using testsig::WaveCoding;
using testsig::WaveLayout;

struct CliRun { int status = -1; std::vector<std::string> lines; };

CliRun RunCli(const std::string& arguments) {
  CliRun run;
  FILE* pipe = ::popen((std::string(std::getenv("TX_BUILD_DIR")) + "/bin/taldrinex-cli " + arguments).c_str(), "r");
  if (pipe == nullptr) return run;
  char line[1 << 16];  // one JSON line or CSV row each
  while (std::fgets(line, sizeof line, pipe)) run.lines.emplace_back(line, std::strcspn(line, "\n"));
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

struct MeasureFiles : wavtest::TempDirTest {
  testsig::KnownVoice voice = testsig::MakeKnownVoice({});
  std::vector<float> stereo = testsig::StereoFrames(voice);
};

TEST_F(MeasureFiles, EveryLayoutReadsAlikeAndPlayFileKeepsItsRule) {
  const struct {
    WaveLayout layout;
    SampleEncoding encoding;
    float tolerance;  // the coding's rounding
  } layouts[] = {
      {{WaveCoding::Pcm16, false, 0}, SampleEncoding::Pcm16, 1.6e-5f},
      {{WaveCoding::Pcm24, false, 0}, SampleEncoding::Pcm24, 1e-7f},
      {{WaveCoding::Pcm24, true, 602}, SampleEncoding::Pcm24, 1e-7f},
      {{WaveCoding::Pcm32, true, 0}, SampleEncoding::Pcm32, 1e-8f},
      {{WaveCoding::Float32, false, 0}, SampleEncoding::Float32, 0},
      {{WaveCoding::Float32, true, 2400}, SampleEncoding::Float32, 0},
  };
  for (const auto& l : layouts) {
    SCOPED_TRACE(static_cast<int>(l.encoding));
    const std::string path = Path("voice.wav");
    ASSERT_TRUE(testsig::WriteWaveFile(path, stereo, 2, 44100, l.layout));
    std::string error;
    const auto r = LoadRecordingForMeasure(path, 0.5, 1.0, &error);
    ASSERT_TRUE(r.has_value()) << error;
    EXPECT_EQ(std::make_tuple(r->encoding, r->channels, r->firstFrame), std::make_tuple(l.encoding, 2, 22050));
    ASSERT_EQ(r->samples.size(), 2u * 22050);
    float worst = 0;
    for (size_t i = 0; i < r->samples.size(); ++i) worst = std::max(worst, std::abs(r->samples[i] - stereo[44100 + i]));
    EXPECT_LE(worst, l.tolerance);
    const RecordingPlayback play = OpenRecordingForPlay(path);
    EXPECT_EQ(play.ok, l.encoding == SampleEncoding::Pcm16) << play.message;
    EXPECT_EQ(play.message, play.ok ? "" : kMsgNeeds16Bit);
  }
  // An empty stretch is an error of its own. (8-bit data, for neither: the command's test below.)
  std::string error;
  EXPECT_FALSE(LoadRecordingForMeasure(Path("voice.wav"), 1.5, 1.2, &error));
  EXPECT_EQ(error, kMsgEmptyStretch);
}

TEST_F(MeasureFiles, CommandKeepsOrderReportsErrorsAndSelectsStretches) {
  const std::string a = Path("a.wav"), mono = Path("mono.wav"), eight = Path("eight.wav");
  ASSERT_TRUE(testsig::WriteWaveFile(a, stereo, 2, 44100, {WaveCoding::Pcm24, true, 602}));
  ASSERT_TRUE(testsig::WriteWaveFile(mono, voice.audio, 1, 44100, {WaveCoding::Float32, false, 0}));
  wavtest::WriteFile(eight, wavtest::MakeWav({.bitsPerSample = 8}));

  CliRun run = RunCli("measure " + a + " " + Path("missing.wav") + " " + mono + " " + eight + " --jobs 2");
  EXPECT_EQ(run.status, 1);
  ASSERT_EQ(run.lines.size(), 4u);
  const auto first = nlohmann::json::parse(run.lines[0]);
  EXPECT_EQ(std::make_pair(first["file"], first["rate"]), std::make_pair(nlohmann::json(a), nlohmann::json(44100)));
  EXPECT_NEAR(first["f0"]["mean_hz"].get<double>(), voice.truth.f0MeanHz, 0.002 * voice.truth.f0MeanHz);
  EXPECT_NEAR(first["egg"]["cq"]["degg"]["mean"].get<double>(), voice.truth.cqMean[kCqDegg], 0.02);
  EXPECT_EQ(nlohmann::json::parse(run.lines[1]), (nlohmann::json{{"file", Path("missing.wav")}, {"error", kMsgCannotOpenFile}}));
  const auto third = nlohmann::json::parse(run.lines[2]);
  EXPECT_TRUE(third["channels"] == 1 && !third.contains("egg")) << third;
  EXPECT_EQ(nlohmann::json::parse(run.lines[3])["error"], kMsgMeasureFormats);

  // Per-cycle CSV of one second: a header and the cycles in it, times in the file's own seconds.
  run = RunCli("measure " + a + " --csv --per-cycle --from 0.5 --to 1.5");
  EXPECT_EQ(run.status, 0);
  ASSERT_GT(run.lines.size(), 120u);
  EXPECT_EQ(run.lines[0], VoiceCsvHeader(true));
  for (size_t i = 1; i < run.lines.size(); ++i) {
    std::vector<std::string> cells;
    std::stringstream row(run.lines[i]);
    for (std::string cell; std::getline(row, cell, ',');) cells.push_back(cell);
    ASSERT_EQ(cells.size(), 12u) << run.lines[i];
    EXPECT_TRUE(cells[1] == std::to_string(i) && std::stod(cells[2]) >= 0.5 && std::stod(cells[2]) < 1.5 &&
                cells[11] == "0") << run.lines[i];
  }

  // The other polarity takes the opening edges for closings: the 50 % CQ turns into its complement.
  run = RunCli("measure " + a + " --egg-polarity minus");
  ASSERT_EQ(run.lines.size(), 1u);
  EXPECT_NEAR(nlohmann::json::parse(run.lines[0])["egg"]["cq"]["criterion_50"]["mean"].get<double>(),
              1 - voice.truth.cqMean[kCqCriterion50], 0.02);
}

// Malformed recordings of the reader's fuzz corpus: one line each, an error or a report, no crash.
TEST_F(MeasureFiles, MalformedFilesGiveErrorObjects) {
  std::mt19937 rng(20240611);
  std::string arguments = "measure --jobs 2";
  constexpr int kFiles = 60;
  for (int i = 0; i < kFiles; ++i) {
    wavtest::WriteFile(Path("fuzz" + std::to_string(i) + ".wav"), wavtest::RandomFile(rng));
    arguments += " " + Path("fuzz" + std::to_string(i) + ".wav");
  }
  const CliRun run = RunCli(arguments);
  ASSERT_EQ(run.lines.size(), static_cast<size_t>(kFiles));
  int errors = 0;
  for (int i = 0; i < kFiles; ++i) {
    const auto j = nlohmann::json::parse(run.lines[i]);
    EXPECT_EQ(j["file"], Path("fuzz" + std::to_string(i) + ".wav"));
    errors += j.contains("error");
    EXPECT_TRUE(j.contains("error") ? !j["error"].get<std::string>().empty() : j.contains("periods")) << j;
  }
  EXPECT_GT(errors, 10);
  EXPECT_EQ(run.status, 1);  // some file could not be measured
}

}  // namespace
