#pragma once
// Glottogram-like test signals with a known closed quotient and period, shaped as an
// electroglottograph delivers them: vocal-fold contact drives the signal negative, so with the
// glottogram polarity Plus (larger values drawn lower) the contact phase is drawn above the
// criterion line and the panel's CQ reads the contact quotient.
#include <cstdint>
#include <vector>

namespace testsig {

// One cycle of `periodMs`: the signal falls through its mid line (the trapezoid's half-amplitude
// line, value 0) at the closing crossing and rises through it closedQuotient x periodMs later,
// so it lies below the line for exactly that part of each cycle. The closing edge takes closingMs
// and the opening edge openingMs, each centred on its crossing; the plateaus are at -amplitude
// (contact) and +amplitude. The first closing crossing is at phaseMs.
struct EggShape {
  double periodMs = 8.0;
  double closedQuotient = 0.45;
  double amplitude = 12000;
  double phaseMs = 1.0;
  double closingMs = 0.3;
  double openingMs = 1.0;
};

// `count` samples at `rate` frames per second, rounded to nearest.
std::vector<int16_t> EggCycles(const EggShape& shape, int rate, int count);

// A sung vowel /a/ on a steady f0: harmonics with formant-like emphasis near 700, 1100 and
// 2600 Hz, peak `peak`, in phase with EggCycles of the same period (the sound's cycle starts at
// the closing crossing).
std::vector<int16_t> SungVowel(const EggShape& shape, double peak, int rate, int count);

}  // namespace testsig
