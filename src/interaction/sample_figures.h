#pragma once
// The figures of the Measurements window for one column: the voice report of a held sample (its
// whole held part, or the 2048 frames at the view position as the panels show them), or of the
// last second of sound while the analysis runs; and the levels of harmonics 1 to 10 read from
// the displayed spectrum of that sample.
#include <array>
#include <cstdint>
#include <vector>

#include "measures/voice_report.h"

inline constexpr int kHarmonicCount = 10;

struct SampleFigures {
  bool present = false;  // the column has figures
  VoiceReport report;
  // Level of harmonic k + 1 minus the level of H1 (dB); NaN where it lies beyond the spectrum or
  // there is no F0.
  std::array<double, kHarmonicCount> harmonicsDb{};
};

// Frames of the held part of Sample A (0) or B (1), interleaved as held. With viewOnly, the
// 2048-frame segment at the sample's view position. Empty when the sample holds no sound.
std::vector<int16_t> HeldFrames(int which, bool viewOnly);

// The voice report of those frames plus the harmonic levels of that sample's displayed spectrum.
SampleFigures MeasureHeldSample(int which, bool viewOnly);

// The newest second of sound of the running activity (live capture, file playback, or the
// sample being played back); empty when none is available yet.
std::vector<int16_t> LastSecondFrames(int* channels, int* rate);
SampleFigures MeasureLastSecond();

// Harmonic levels relative to H1 from a spectrum of 1024 whole-dB bins over 0..rate/2: each
// harmonic k x f0 is the strongest bin within a quarter of f0 of it.
std::array<double, kHarmonicCount> HarmonicLevels(const int16_t* spectrum, int bins, double f0Hz, int rate);
