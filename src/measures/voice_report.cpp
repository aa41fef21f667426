#include "measures/voice_report.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "measures/audio_periods.h"
#include "measures/cepstral_peak.h"
#include "measures/egg_cycles.h"
#include "measures/signal_tools.h"

namespace {

// The pitch track and the cepstra work on the Audio channel at this rate: CPPS looks up to 5 kHz.
constexpr double kAnalysisRate = 10000;

constexpr const char* kMethodNames[kCqMethodCount] = {"criterion_25", "criterion_35", "criterion_50",
                                                      "hybrid_3_7", "degg"};
constexpr const char* kColumnNames[kCqMethodCount] = {"cq_25", "cq_35", "cq_50", "cq_3_7", "cq_degg"};

std::vector<float> Channel(std::span<const float> frames, int channels, int channel, float sign = 1) {
  const size_t n = frames.size() / channels;
  std::vector<float> out(n);
  for (size_t i = 0; i < n; ++i) out[i] = sign * frames[i * channels + channel];
  return out;
}

// Rounded to `decimals` places for the report (NaN stays NaN and is written as null).
double Rounded(double v, int decimals) {
  if (!std::isfinite(v)) return kNotMeasured;
  const double scale = std::pow(10.0, decimals);
  return std::round(v * scale) / scale;
}

nlohmann::ordered_json F0Json(const SummaryStats& s) {
  return {{"mean_hz", Rounded(s.mean, 3)},
          {"sd_hz", Rounded(s.sd, 3)},
          {"min_hz", Rounded(s.min, 3)},
          {"max_hz", Rounded(s.max, 3)}};
}

// A CSV number, empty when not measured.
std::string Number(double v, int decimals) {
  if (!std::isfinite(v)) return "";
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

}  // namespace

const char* CqMethodName(CqMethod method) { return kMethodNames[method]; }
const char* CqColumnName(CqMethod method) { return kColumnNames[method]; }

SummaryStats Summarize(std::span<const double> values) {
  SummaryStats s;
  s.count = static_cast<int>(values.size());
  if (values.empty()) return s;
  double sum = 0;
  s.min = s.max = values[0];
  for (double v : values) {
    sum += v;
    s.min = std::min(s.min, v);
    s.max = std::max(s.max, v);
  }
  s.mean = sum / s.count;
  double squares = 0;
  for (double v : values) squares += (v - s.mean) * (v - s.mean);
  s.sd = s.count > 1 ? std::sqrt(squares / (s.count - 1)) : 0;
  return s;
}

std::string CheckMeasurable(int channels, int rate) {
  if (channels < 1 || channels > 2) return "Only files with 1 or 2 channels can be measured";
  if (rate < kMinMeasureRate) return kMsgRateTooLow;
  return {};
}

VoiceReport MeasureVoice(std::span<const float> frames, int channels, int rate, const VoiceMeasureOptions& options) {
  VoiceReport report;
  report.channels = channels;
  report.rate = rate;
  if (!CheckMeasurable(channels, rate).empty()) return report;
  report.seconds = double(frames.size() / channels) / rate;

  const auto audio = Channel(frames, channels, 0);
  const auto reduced = ResampleChannel(audio, rate, kAnalysisRate);
  const auto track = TrackPitch(reduced, kAnalysisRate, options);
  for (const auto& f : track) {
    if (f.silent)
      ++report.silentFrames;
    else if (f.voiced)
      ++report.voicedFrames;
    else
      ++report.unvoicedFrames;
  }
  // Amplitudes come from the 5-kHz band at the full rate, where the peaks are finely sampled.
  const auto band = ResampleChannel(reduced, kAnalysisRate, rate);
  const AudioPeriods periods = FindAudioPeriods(audio, rate, band, rate, track, options);
  report.periods = static_cast<int>(periods.rows.size());
  std::vector<double> f0;
  f0.reserve(periods.rows.size());
  for (const auto& row : periods.rows) f0.push_back(row.f0Hz);
  report.f0Hz = Summarize(f0);
  report.jitterLocalPercent = LocalJitterPercent(periods);
  report.shimmerLocalPercent = LocalShimmerPercent(periods);
  report.hnrDb = HarmonicsToNoiseDb(audio, rate, track, options);
  CppsParameters cpps;
  cpps.pitchFloorHz = options.pitchFloorHz;
  report.cppsDb = SmoothedCepstralPeakProminence(reduced, kAnalysisRate, cpps);
  if (options.keepRows) report.periodRows = periods.rows;

  if (channels >= 2) {
    // Contact upward: with Plus larger values are drawn lower, so the contact is the signal negated.
    const float sign = options.glottogramPolarity == ID_GLOTTOGRAM_MINUS ? 1.0f : -1.0f;
    report.egg = MeasureEggCycles(Channel(frames, channels, 1, sign), rate, options);
  }
  return report;
}

VoiceReport MeasureVoice(std::span<const int16_t> frames, int channels, int rate,
                         const VoiceMeasureOptions& options) {
  std::vector<float> scaled(frames.size());
  for (size_t i = 0; i < frames.size(); ++i) scaled[i] = frames[i] / 32768.0f;
  return MeasureVoice(std::span<const float>(scaled), channels, rate, options);
}

std::string VoiceReportJson(const std::string& file, const VoiceReport& r, bool perCycle) {
  nlohmann::ordered_json j;
  j["file"] = file;
  j["seconds"] = Rounded(r.seconds, 6);
  j["channels"] = r.channels;
  j["rate"] = r.rate;
  j["f0"] = F0Json(r.f0Hz);
  j["jitter_local_percent"] = Rounded(r.jitterLocalPercent, 4);
  j["shimmer_local_percent"] = Rounded(r.shimmerLocalPercent, 4);
  j["hnr_db"] = Rounded(r.hnrDb, 2);
  j["cpps_db"] = Rounded(r.cppsDb, 2);
  j["periods"] = r.periods;
  j["voiced_frames"] = r.voicedFrames;
  j["unvoiced_frames"] = r.unvoicedFrames;
  j["silent_frames"] = r.silentFrames;
  if (r.egg) {
    const EggReport& e = *r.egg;
    nlohmann::ordered_json egg;
    egg["cycles"] = e.cycles;
    egg["flagged"] = e.flagged;
    egg["snr_db_mean"] = Rounded(e.snrDbMean, 2);
    egg["f0"] = F0Json(e.f0Hz);
    nlohmann::ordered_json cq;
    for (int m = 0; m < kCqMethodCount; ++m)
      cq[kMethodNames[m]] = {{"mean", Rounded(e.cq[m].mean, 4)}, {"sd", Rounded(e.cq[m].sd, 4)}};
    egg["cq"] = cq;
    j["egg"] = egg;
  }
  if (perCycle) {
    auto rows = nlohmann::ordered_json::array();
    if (r.egg) {
      for (const auto& c : r.egg->rows) {
        nlohmann::ordered_json row = {
            {"start_s", Rounded(c.startS, 6)}, {"period_ms", Rounded(c.periodMs, 4)}, {"f0_hz", Rounded(c.f0Hz, 3)}};
        for (int m = 0; m < kCqMethodCount; ++m) row[kColumnNames[m]] = Rounded(c.cq[m], 4);
        row["egg_snr_db"] = Rounded(c.snrDb, 2);
        row["flagged"] = c.flagged;
        rows.push_back(row);
      }
    } else {
      for (const auto& p : r.periodRows)
        rows.push_back({{"start_s", Rounded(p.startS, 6)},
                        {"period_ms", Rounded(p.periodMs, 4)},
                        {"f0_hz", Rounded(p.f0Hz, 3)},
                        {"amplitude", Rounded(p.amplitude, 6)}});
    }
    j["cycles"] = rows;
  }
  return j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string VoiceErrorJson(const std::string& file, const std::string& error) {
  nlohmann::ordered_json j;
  j["file"] = file;
  j["error"] = error;
  return j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string VoiceCsvHeader(bool perCycle) {
  if (perCycle) return "file,cycle,start_s,period_ms,f0_hz,cq_25,cq_35,cq_50,cq_3_7,cq_degg,egg_snr_db,flagged";
  std::string h =
      "file,seconds,channels,rate,f0_mean_hz,f0_sd_hz,f0_min_hz,f0_max_hz,jitter_local_percent,"
      "shimmer_local_percent,hnr_db,cpps_db,periods,egg_cycles,egg_flagged,egg_snr_db_mean";
  for (const char* c : kColumnNames) h += std::string(",") + c + "_mean," + c + "_sd";
  return h + ",error";
}

std::string VoiceReportCsv(const std::string& file, const VoiceReport& r, bool perCycle) {
  std::string out;
  // Appends ",text" (GCC 12 warns falsely on "," + std::string temporaries).
  auto add = [&out](const std::string& text) {
    out += ',';
    out += text;
  };
  const std::string name = CsvField(file);
  if (perCycle) {
    int n = 0;
    if (r.egg) {
      for (const auto& c : r.egg->rows) {
        out += name;
        add(std::to_string(++n));
        add(Number(c.startS, 6));
        add(Number(c.periodMs, 4));
        add(Number(c.f0Hz, 3));
        for (double q : c.cq) add(Number(q, 4));
        add(Number(c.snrDb, 2));
        add(c.flagged ? "1" : "0");
        out += '\n';
      }
    } else {
      for (const auto& p : r.periodRows) {
        out += name;
        add(std::to_string(++n));
        add(Number(p.startS, 6));
        add(Number(p.periodMs, 4));
        add(Number(p.f0Hz, 3));
        out += ",,,,,,,\n";
      }
    }
    return out;
  }
  out += name;
  add(Number(r.seconds, 6));
  add(std::to_string(r.channels));
  add(std::to_string(r.rate));
  for (double v : {r.f0Hz.mean, r.f0Hz.sd, r.f0Hz.min, r.f0Hz.max}) add(Number(v, 3));
  add(Number(r.jitterLocalPercent, 4));
  add(Number(r.shimmerLocalPercent, 4));
  add(Number(r.hnrDb, 2));
  add(Number(r.cppsDb, 2));
  add(std::to_string(r.periods));
  if (r.egg) {
    add(std::to_string(r.egg->cycles));
    add(std::to_string(r.egg->flagged));
    add(Number(r.egg->snrDbMean, 2));
    for (const auto& s : r.egg->cq) {
      add(Number(s.mean, 4));
      add(Number(s.sd, 4));
    }
  } else {
    out += ",,,";
    for (int m = 0; m < kCqMethodCount; ++m) out += ",,";
  }
  out += ",\n";  // the error column, empty
  return out;
}

std::string VoiceErrorCsv(const std::string& file, const std::string& error) {
  std::string out = CsvField(file);
  // Every summary column empty up to the error.
  for (int i = 0; i < 15 + 2 * kCqMethodCount; ++i) out += ',';
  out += ',';
  out += CsvField(error);
  out += '\n';
  return out;
}
