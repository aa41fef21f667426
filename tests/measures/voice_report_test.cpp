// The voice report against signals whose answers are known: F0, jitter, shimmer, HNR and every
// closed-quotient method, the EGG quality gate, and the report's JSON and CSV forms.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "measures/voice_report.h"
#include "signals/voice_signals.h"

namespace {

using testsig::KnownVoiceSpec;

struct Case {
  const char* name;
  KnownVoiceSpec known;
  double jitterTolerance;   // absolute, percentage points
  double shimmerTolerance;  // absolute, percentage points
};

KnownVoiceSpec Known(double f0, int rate, double jitter, double shimmer, double noiseDb, double cq) {
  return {.f0Hz = f0, .jitterPercent = jitter, .shimmerPercent = shimmer, .noiseDb = noiseDb, .closedQuotient = cq,
          .rate = rate};
}

class KnownTruth : public ::testing::TestWithParam<Case> {};

TEST_P(KnownTruth, MeasuresMatchTheTruth) {
  const Case& c = GetParam();
  const auto voice = testsig::MakeKnownVoice(c.known);
  const auto frames = testsig::ToInt16(testsig::StereoFrames(voice));
  const VoiceReport r = MeasureVoice(std::span<const int16_t>(frames), 2, c.known.rate);
  const auto& t = voice.truth;

  EXPECT_NEAR(r.f0Hz.mean, t.f0MeanHz, 0.002 * t.f0MeanHz);
  EXPECT_NEAR(r.jitterLocalPercent, t.jitterLocalPercent, c.jitterTolerance);
  EXPECT_NEAR(r.shimmerLocalPercent, t.shimmerLocalPercent, c.shimmerTolerance);
  // Without jitter and shimmer the harmonics-to-noise ratio is the signal-to-noise ratio.
  if (c.known.noiseDb < 100 && c.known.jitterPercent == 0 && c.known.shimmerPercent == 0) {
    EXPECT_NEAR(r.hnrDb, c.known.noiseDb, 3.0);
  }
  // Nearly the whole signal is voiced and cut into periods.
  EXPECT_GT(r.periods, 0.9 * c.known.seconds * c.known.f0Hz);
  EXPECT_GT(r.voicedFrames, 0.9 * (r.voicedFrames + r.unvoicedFrames + r.silentFrames));

  ASSERT_TRUE(r.egg.has_value());
  const EggReport& e = *r.egg;
  EXPECT_EQ(e.flagged, 0);
  EXPECT_TRUE(e.cycles >= static_cast<int>(t.periodsS.size()) - 3 && e.cycles <= static_cast<int>(t.periodsS.size()))
      << e.cycles;
  EXPECT_NEAR(e.f0Hz.mean, t.f0MeanHz, 0.002 * t.f0MeanHz);
  for (int m = 0; m < kCqMethodCount; ++m) EXPECT_NEAR(e.cq[m].mean, t.cqMean[m], 0.02) << CqMethodName(CqMethod(m));
  ASSERT_EQ(e.rows.size(), static_cast<size_t>(e.cycles));
}

INSTANTIATE_TEST_SUITE_P(Voices, KnownTruth,
                         ::testing::Values(Case{"clean", Known(125, 44100, 0, 0, 200, 0.45), 0.05, 0.2},
                                           Case{"rough", Known(210, 22050, 1.0, 4.0, 25, 0.55), 0.2, 1.3},
                                           Case{"low", Known(95, 48000, 0.5, 2.0, 30, 0.35), 0.15, 0.6},
                                           Case{"noisy", Known(160, 44100, 0, 0, 18, 0.5), 0.3, 3.0}),
                         [](const auto& info) { return info.param.name; });

// The quality gate, the orientation and the edge cases in one place.
TEST(VoiceReport, EggQualityPolarityAndEmptyInput) {
  const KnownVoiceSpec s{.eggNoiseDb = 0};
  auto frames = testsig::StereoFrames(testsig::MakeKnownVoice(s));
  const VoiceReport r = MeasureVoice(std::span<const float>(frames), 2, s.rate);
  ASSERT_TRUE(r.egg.has_value());
  EXPECT_GT(r.egg->flagged, r.egg->cycles / 2) << r.egg->cycles;

  // The EGG turned over reads the same with the other polarity.
  auto clean = testsig::MakeKnownVoice(KnownVoiceSpec{});
  for (float& v : clean.egg) v = -v;
  frames = testsig::StereoFrames(clean);
  const VoiceReport turned =
      MeasureVoice(std::span<const float>(frames), 2, s.rate, {.glottogramPolarity = ID_GLOTTOGRAM_MINUS});
  ASSERT_TRUE(turned.egg.has_value());
  EXPECT_NEAR(turned.egg->cq[kCqCriterion35].mean, clean.truth.cqMean[kCqCriterion35], 0.02);
  EXPECT_EQ(turned.egg->flagged, 0);

  // Mono: no EGG; silence: no periods and nothing measured.
  const VoiceReport mono = MeasureVoice(std::span<const float>(clean.audio), 1, s.rate);
  EXPECT_TRUE(!mono.egg.has_value() && mono.periods > 200) << mono.periods;
  const std::vector<int16_t> silence(2 * 44100, 0);
  const VoiceReport quiet = MeasureVoice(std::span<const int16_t>(silence), 2, 44100);
  EXPECT_TRUE(quiet.periods == 0 && std::isnan(quiet.f0Hz.mean) && std::isnan(quiet.jitterLocalPercent) &&
              quiet.voicedFrames == 0 && quiet.silentFrames > 0 && quiet.egg.has_value() && quiet.egg->cycles == 0);
  EXPECT_EQ(MeasureVoice(std::span<const int16_t>(), 1, 44100).periods, 0);
}

TEST(VoiceReport, JsonAndCsvCarryTheFixedNames) {
  const KnownVoiceSpec s{.seconds = 1};
  const auto voice = testsig::MakeKnownVoice(s);
  const auto frames = testsig::StereoFrames(voice);
  const VoiceReport r = MeasureVoice(std::span<const float>(frames), 2, s.rate);

  const std::string line = VoiceReportJson("a \"b\".wav", r, true);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  const auto j = nlohmann::json::parse(line);
  EXPECT_EQ(std::make_tuple(j["file"], j["channels"], j["rate"], j["periods"], j["egg"]["cycles"], j["egg"]["flagged"]),
            std::make_tuple(nlohmann::json("a \"b\".wav"), nlohmann::json(2), nlohmann::json(44100),
                            nlohmann::json(r.periods), nlohmann::json(r.egg->cycles), nlohmann::json(0)));
  EXPECT_NEAR(j["seconds"].get<double>(), 1.0, 1e-6);
  EXPECT_NEAR(j["f0"]["mean_hz"].get<double>(), r.f0Hz.mean, 0.001);
  std::vector<std::string> numbers = {"/f0/sd_hz", "/f0/min_hz", "/f0/max_hz", "/jitter_local_percent",
                                      "/shimmer_local_percent", "/hnr_db", "/cpps_db", "/egg/snr_db_mean"};
  for (const char* m : {"criterion_25", "criterion_35", "criterion_50", "hybrid_3_7", "degg"})
    for (const char* k : {"/mean", "/sd"}) numbers.push_back(std::string("/egg/cq/") + m + k);
  for (const auto& n : numbers) EXPECT_TRUE(j[nlohmann::json::json_pointer(n)].is_number()) << n;
  ASSERT_EQ(j["cycles"].size(), static_cast<size_t>(r.egg->cycles));
  EXPECT_NEAR(j["cycles"][0]["cq_degg"].get<double>(), voice.truth.cqMean[kCqDegg], 0.02);

  // Nothing measured is null, never a number.
  const std::vector<float> silence(44100, 0.0f);
  const auto quiet = nlohmann::json::parse(VoiceReportJson("q", MeasureVoice(std::span<const float>(silence), 1, 44100)));
  EXPECT_TRUE(quiet["f0"]["mean_hz"].is_null() && quiet["jitter_local_percent"].is_null() && !quiet.contains("egg"))
      << quiet;
  EXPECT_EQ(nlohmann::json::parse(VoiceErrorJson("x.wav", "Cannot Open File")),
            (nlohmann::json{{"file", "x.wav"}, {"error", "Cannot Open File"}}));

  EXPECT_EQ(VoiceCsvHeader(true), "file,cycle,start_s,period_ms,f0_hz,cq_25,cq_35,cq_50,cq_3_7,cq_degg,egg_snr_db,flagged");
  const std::string rows = VoiceReportCsv("a,b.wav", r, true);
  EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), r.egg->cycles);
  EXPECT_EQ(rows.rfind("\"a,b.wav\",1,", 0), 0u);
  const std::string first = rows.substr(0, rows.find('\n'));
  EXPECT_EQ(std::count(first.begin(), first.end(), ','), 12);  // 12 columns, the name quoted
  const std::string summary = VoiceReportCsv("f.wav", r, false), header = VoiceCsvHeader(false);
  EXPECT_EQ(std::count(summary.begin(), summary.end(), ','), std::count(header.begin(), header.end(), ','));
}

}  // namespace
