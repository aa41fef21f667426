#pragma once
// The voice report of a stretch of a recording: from the Audio channel (0) the glottal periods
// with F0 statistics, jitter, shimmer, harmonics-to-noise ratio and smoothed cepstral peak
// prominence; from the EGG channel (1), when there is one, every vocal-fold cycle between two
// closing instants with its closed quotient by five methods and a quality figure.
//
// Times are seconds from the first frame handed in; amplitudes are in full scale (a 16-bit sample
// of 32767 is 0.99997). A value that cannot be measured (no voiced period, no cycle) is NaN; the
// JSON writes it as null. Measuring touches no program-wide state, so several stretches may be
// measured at once on different threads.
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "settings/analysis_settings.h"

inline constexpr double kNotMeasured = std::numeric_limits<double>::quiet_NaN();

struct VoiceMeasureOptions {
  // The EGG orientation, as the glottogram panels use it: Plus (ID_GLOTTOGRAM_PLUS) draws larger
  // values lower, so vocal-fold contact (the signal falling) is drawn upward; Minus the other way.
  int32_t glottogramPolarity = ID_GLOTTOGRAM_PLUS;
  double pitchFloorHz = 60;    // longest period looked for (also the HNR window, 1 / floor)
  double pitchCeilingHz = 600;  // shortest period looked for
  bool keepRows = true;         // fill the per-period and per-cycle rows
};

// Count, mean, standard deviation (n - 1), minimum and maximum of a set of values.
struct SummaryStats {
  int count = 0;
  double mean = kNotMeasured;
  double sd = kNotMeasured;
  double min = kNotMeasured;
  double max = kNotMeasured;
};
SummaryStats Summarize(std::span<const double> values);

// One glottal period of the Audio channel, from one period mark to the next.
struct AudioPeriodRow {
  double startS = 0;     // the period mark that starts it (a waveform peak)
  double periodMs = 0;   // the lag that best matches this period with the next one
  double f0Hz = 0;       // 1000 / periodMs
  double amplitude = 0;  // peak-to-peak, full scale, in the period centred on the mark
};

// The closed-quotient methods, in the order of the report.
enum CqMethod : int {
  kCqCriterion25,  // time above 25 % of the cycle's peak-to-peak amplitude over its minimum / period
  kCqCriterion35,  // the same at 35 %
  kCqCriterion50,  // the same at 50 %
  kCqHybrid37,     // closing at the derivative's positive peak, opening where the EGG falls below 3/7
  kCqDegg,         // closing at the derivative's positive peak, opening at its negative peak
  kCqMethodCount
};
// Field names of the methods: "criterion_25", ..., and the per-cycle column names "cq_25", ....
const char* CqMethodName(CqMethod method);
const char* CqColumnName(CqMethod method);

// One EGG cycle from a closing instant to the next.
struct EggCycleRow {
  double startS = 0;  // its closing instant (positive peak of the EGG's derivative, interpolated)
  double periodMs = 0;
  double f0Hz = 0;
  std::array<double, kCqMethodCount> cq{};  // NaN where the method finds no opening in the cycle
  double snrDb = 0;      // 10 log10(r / (1 - r)), r the normalised correlation with its neighbour
  bool flagged = false;  // snrDb below kEggSnrFlagDb: left out of the summary means
};
inline constexpr double kEggSnrFlagDb = 10.0;

struct EggReport {
  int cycles = 0;
  int flagged = 0;
  double snrDbMean = kNotMeasured;  // over all cycles, flagged ones included
  SummaryStats f0Hz;                // over the cycles not flagged
  std::array<SummaryStats, kCqMethodCount> cq;  // over the cycles not flagged
  std::vector<EggCycleRow> rows;
};

struct VoiceReport {
  double seconds = 0;
  int channels = 1;
  int rate = 0;
  SummaryStats f0Hz;  // over the audio periods
  int periods = 0;
  double jitterLocalPercent = kNotMeasured;
  double shimmerLocalPercent = kNotMeasured;
  double hnrDb = kNotMeasured;   // mean over voiced 10-ms frames
  double cppsDb = kNotMeasured;  // mean over the 2-ms cepstral frames that are not silent
  int voicedFrames = 0;    // 10-ms pitch frames found voiced
  int unvoicedFrames = 0;  // ... found unvoiced though not silent
  int silentFrames = 0;    // ... too quiet to measure
  std::vector<AudioPeriodRow> periodRows;
  std::optional<EggReport> egg;  // two channels only
};

// The lowest rate measured: the pitch ceiling and the cepstrum need the band up to 2 kHz.
inline constexpr int kMinMeasureRate = 4000;
inline constexpr const char* kMsgRateTooLow = "Sample rates below 4000 Hz cannot be measured";
// Why frames of this shape cannot be measured ("" when they can); MeasureVoice then measures nothing.
std::string CheckMeasurable(int channels, int rate);

// Measures interleaved frames of 1 or 2 channels (channel 0 Audio, channel 1 EGG) at `rate`
// frames per second. Float samples are full scale (+-1); 16-bit ones are divided by 32768.
VoiceReport MeasureVoice(std::span<const float> frames, int channels, int rate,
                         const VoiceMeasureOptions& options = {});
VoiceReport MeasureVoice(std::span<const int16_t> frames, int channels, int rate,
                         const VoiceMeasureOptions& options = {});

// One line of JSON (no newline): file, seconds, channels, rate, f0 {mean_hz, sd_hz, min_hz, max_hz},
// jitter_local_percent, shimmer_local_percent, hnr_db, cpps_db, periods, the frame counts, and for
// two channels egg {cycles, flagged, snr_db_mean, f0 {...}, cq {criterion_25, ...: {mean, sd}}}.
// With perCycle, "cycles" lists the EGG cycles (two channels) or the audio periods (one).
std::string VoiceReportJson(const std::string& file, const VoiceReport& report, bool perCycle = false);
// {"file": ..., "error": ...} on one line.
std::string VoiceErrorJson(const std::string& file, const std::string& error);

// CSV: a header line and one summary row per file, or with perCycle one row per EGG cycle (per
// audio period for one channel):
// file,cycle,start_s,period_ms,f0_hz,cq_25,cq_35,cq_50,cq_3_7,cq_degg,egg_snr_db,flagged
std::string VoiceCsvHeader(bool perCycle);
std::string VoiceReportCsv(const std::string& file, const VoiceReport& report, bool perCycle);
// The summary row of a file that could not be measured: its name and the reader's message last.
std::string VoiceErrorCsv(const std::string& file, const std::string& error);
// A CSV field quoted when it needs to be (commas, quotes, line breaks).
std::string CsvField(const std::string& text);
