#include "interaction/musical_readout.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

long RoundHalfUp(double v) { return static_cast<long>(std::floor(v + 0.5)); }

}  // namespace

NoteReading NearestNote(double hz, double referenceA4Hz) {
  NoteReading r;
  if (!(hz > 0) || !(referenceA4Hz > 0)) return r;
  // Cents above A4 first, so that a note exactly between two takes the upper one and the cents
  // never leave -50..+50.
  const long centsFromA4 = RoundHalfUp(1200.0 * std::log2(hz / referenceA4Hz));
  const long semitones = RoundHalfUp(static_cast<double>(centsFromA4) / 100.0);
  const long midi = 69 + semitones;
  const long octave = (midi >= 0 ? midi / 12 : (midi - 11) / 12) - 1;
  const long index = ((midi % 12) + 12) % 12;
  r.valid = true;
  r.name = std::string(kNames[index]) + std::to_string(octave);
  r.cents = static_cast<int>(centsFromA4 - semitones * 100);
  return r;
}

std::string FormatPitch(double hz, double referenceA4Hz) {
  const NoteReading n = NearestNote(hz, referenceA4Hz);
  if (!n.valid) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%.1f Hz  %s %+d c", hz, n.name.c_str(), n.cents);
  return text;
}

int HarmonicNumber(double hz, double f0Hz) {
  if (!(f0Hz > 0) || !(hz > 0)) return 0;
  const long h = RoundHalfUp(hz / f0Hz);
  return static_cast<int>(h < 1 ? 1 : h);
}

std::string FormatCursorReadout(double cursorHz, double f0Hz, double referenceA4Hz) {
  const NoteReading n = NearestNote(cursorHz, referenceA4Hz);
  if (!n.valid) return {};
  char text[80];
  const int h = HarmonicNumber(cursorHz, f0Hz);
  if (h > 0) {
    std::snprintf(text, sizeof text, "%ld Hz  %s %+d c  H%d", RoundHalfUp(cursorHz), n.name.c_str(), n.cents,
                  h);
  } else {
    std::snprintf(text, sizeof text, "%ld Hz  %s %+d c", RoundHalfUp(cursorHz), n.name.c_str(), n.cents);
  }
  return text;
}
