#pragma once
// The Audio channel's pitch track and glottal periods.
//
// Pitch track: 10-ms frames of the channel resampled to 10 kHz, each 3 periods of the pitch floor
// long with a Hann window; the autocorrelation (by FFT) divided by the window's own
// autocorrelation, so a periodic frame scores near 1 at its period; the highest local maximum
// between the ceiling's and the floor's period is found (interpolated with a windowed sinc); the
// strongest lag is the frame's period unless a lag of which it is a multiple (2 to 4 times) reaches
// 70 % of its strength, or a shorter lag 97 %; then each frame takes, among its
// lags within 30 % of its strongest, the one nearest the median period of the frames within 100 ms
// (against octave errors). A frame is silent below 3 % of the channel's peak, and voiced when its
// correlation at the period reaches 0.45.
//
// Period marks: in each voiced stretch at the full rate, the first mark is the largest sample in
// one period; each next period is the lag (within 15 % of the expected one: the track's, or the
// last period's where the track is more than 1.3 times away from it) that best correlates
// one period of signal around the mark with the signal that far on, interpolated to a fraction of a
// sample; the next mark is the waveform peak nearest that lag. A period's amplitude is the
// peak-to-peak value within half a period either side of its mark. A lag whose correlation is below 0.5,
// or that lies at the edge of the search, ends the stretch.
#include <span>
#include <vector>

#include "measures/voice_report.h"

struct PitchFrame {
  double timeS = 0;  // centre of the frame
  double periodS = 0;
  double strength = 0;  // normalised autocorrelation at the period
  bool voiced = false;
  bool silent = false;
};

// The track of a channel already at `rate` (10 kHz in the report).
std::vector<PitchFrame> TrackPitch(std::span<const float> x, double rate, const VoiceMeasureOptions& options);

struct AudioPeriods {
  std::vector<AudioPeriodRow> rows;
  std::vector<int> stretch;  // per row: the voiced stretch it belongs to (jitter pairs stay inside one)
};

// Period marks of the full-rate channel x, guided by the track. The amplitudes are taken from
// `reduced`, the channel at the track's rate (band-limited to 5 kHz in the report): the voice's
// peaks lie there, and wide-band noise would otherwise raise every peak-to-peak value at random.
AudioPeriods FindAudioPeriods(std::span<const float> x, double rate, std::span<const float> reduced,
                              double reducedRate, const std::vector<PitchFrame>& track,
                              const VoiceMeasureOptions& options);

// Jitter (local) and shimmer (local) in %, over consecutive pairs in the same stretch.
double LocalJitterPercent(const AudioPeriods& periods);
double LocalShimmerPercent(const AudioPeriods& periods);

// Mean over the voiced frames of 10 log10(r / (1 - r)), r the normalised cross-correlation of
// 1 / floor seconds of full-rate signal with the same length one period later (best lag within
// 5 % of the track's period, interpolated; r taken there with the later window sinc-interpolated).
double HarmonicsToNoiseDb(std::span<const float> x, double rate, const std::vector<PitchFrame>& track,
                          const VoiceMeasureOptions& options);

// Normalised cross-correlation sum(a b) / sqrt(sum a^2 sum b^2) of n samples at a and b.
double NormalisedCorrelation(const float* a, const float* b, int n);
