#pragma once
// Musical readouts of the Measurements window: the note nearest a frequency with its deviation in
// cents from a reference pitch for A4, and the harmonic number of a frequency over F0. Singing
// teachers tune to A4 between 415 Hz (baroque pitch) and 466 Hz.
#include <string>

inline constexpr int kReferenceA4Default = 440;  // Hz
inline constexpr int kReferenceA4Lowest = 415;
inline constexpr int kReferenceA4Highest = 466;

struct NoteReading {
  bool valid = false;  // false for frequencies at or below 0
  std::string name;    // "A4", "C#6": equal temperament, sharps, octave numbers from C
  int cents = 0;       // -50..+50, rounded half up
};

// The nearest equal-tempered note to `hz` when A4 sounds at `referenceA4Hz`.
NoteReading NearestNote(double hz, double referenceA4Hz);

// "196.4 Hz  G3 +4 c"; an empty string when there is no frequency.
std::string FormatPitch(double hz, double referenceA4Hz);

// The spectrum cursor's line: "1046 Hz  C6 +3 c  H5". Without F0 (f0Hz <= 0) no harmonic number.
std::string FormatCursorReadout(double cursorHz, double f0Hz, double referenceA4Hz);

// The harmonic of f0Hz nearest to hz (1 at least), 0 without F0.
int HarmonicNumber(double hz, double f0Hz);
