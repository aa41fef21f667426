#pragma once
// A sustained vowel with its glottogram whose every measure is known: the Audio channel is a train
// of formant impulse responses started at each glottal closure, with chosen period jitter, amplitude
// shimmer and additive noise; the EGG's closing and opening edges are raised-cosine halves, so
// each closed-quotient method's answer follows in closed form from the edge lengths and the period.
#include <array>
#include <cstdint>
#include <vector>

namespace testsig {

struct KnownVoiceSpec {
  double f0Hz = 125;
  double jitterPercent = 0;   // SD of the periods' relative perturbation (Gaussian, independent)
  double shimmerPercent = 0;  // SD of the amplitudes' relative perturbation
  double noiseDb = 200;       // Audio signal-to-noise ratio (white Gaussian noise)
  double eggNoiseDb = 200;    // EGG signal-to-noise ratio
  double closedQuotient = 0.45;  // closing instant to the middle of the opening edge, / period
  double closingMs = 0.5;     // length of the closing (rising contact) edge
  double openingMs = 1.5;     // length of the opening edge
  double seconds = 2;
  int rate = 44100;
  double peak = 0.5;          // the Audio's peak, full scale
  double eggAmplitude = 0.4;  // the EGG's half peak-to-peak, full scale
  unsigned seed = 1;
};

struct KnownVoiceTruth {
  std::vector<double> closingsS;  // every glottal closure (cycle start)
  std::vector<double> periodsS;   // closingsS[i + 1] - closingsS[i]
  std::vector<double> amplitudes;  // the Audio's peak-to-peak amplitude per cycle, without noise
  double f0MeanHz = 0;             // mean of 1 / period
  double jitterLocalPercent = 0;   // from the periods as made
  double shimmerLocalPercent = 0;  // from the amplitudes as made
  std::array<double, 5> cqMean{};  // criterion 25, 35, 50 %, hybrid 3/7, DEGG: mean over cycles
};

struct KnownVoice {
  std::vector<float> audio;  // full scale
  std::vector<float> egg;    // as an electroglottograph delivers it: contact drives it negative
  KnownVoiceTruth truth;
};

KnownVoice MakeKnownVoice(const KnownVoiceSpec& voice);

// Interleaved frames (Audio, EGG), or the Audio alone; 16-bit rounded when asked.
std::vector<float> StereoFrames(const KnownVoice& voice);
std::vector<int16_t> ToInt16(const std::vector<float>& samples);

}  // namespace testsig
