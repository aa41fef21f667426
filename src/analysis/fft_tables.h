#pragma once
// The one set of FFT tables of the program and its two analysis windows. Built once, on the first
// start of an analysis loop, and kept until the program ends; only the bandwidth window is rebuilt
// while the program runs (SetBandwidth). All values here are read by PowerSpectrum.
#include <cstdint>
#include <vector>

#include "analysis/decibels.h"

struct AnalysisState {
  int16_t FftSize = 0;                   // N = 2^order samples per block (2048); 0 while no tables exist
  int16_t WindowLength = 0;              // L, bandwidth window length in samples, 1 <= L <= N
  std::vector<double> FftWork;           // 2N doubles of work area for the transform
  std::vector<int16_t> BitReverseTable;  // N/2 entries: 2 * bitreverse(i) over log2(N/2) bits
  std::vector<double> TwiddleTable;      // N doubles: at BitReverseTable[i] the pair
                                         // S_i = round(-32768 sin(2 pi i / N)), C_i = round(-32768 cos(..)),
                                         // whole numbers in [-32768, 32768]
  std::vector<double> BandWindow;        // N: Hann window of length 2*floor(L/2) from index 0, zeros after
  std::vector<double> BlockWindow;       // N: Hann window over the whole block
  uint8_t FftReady = 0;                  // 1 once the tables exist; set by the callers (see EnsureFftTables)

  // Derived by FftSetup from the tables above, so the transform reads them with unit stride.
  std::vector<double> GroupSin,
      GroupCos;  // N/2: the twiddle pair of butterfly group g (TwiddleTable[2g], [2g+1])
  std::vector<double> SplitSin, SplitCos;  // N/4 + 1: twiddle of frequency a divided by 32768 (exact)
  std::vector<int16_t> ElementOfBin;     // N/2: complex element that holds frequency k after the butterflies
  std::vector<double> SplitRe, SplitIm;  // N/2 each: transform output in frequency order
  DecibelTable Decibels;                 // whole-dB conversion of a power
};

extern AnalysisState Analysis;

// Start values: no tables, FftReady 0.
void ResetAnalysisState();

// Builds every table for N = 2^order. rate < 0 or milliseconds < 0 leave the bandwidth window at
// length N, otherwise L = truncate(rate * milliseconds / 1000) (single precision) limited to 1..N.
// Returns 0 on success, -1 when memory runs out or the order is outside 5..14 (the low-bin taper
// needs at least 16 bins, the 16-bit tables allow at most 16384 samples); then no tables remain.
int16_t FftSetup(int16_t order, int rate, float milliseconds);

// Rebuilds BandWindow for an analysis bandwidth in Hz at a sample rate in frames per second:
// L = truncate(rate * (1000 / bandwidthHz) / 1000), limited to 1..N. A bandwidth of 0 Hz or one
// above rate/2 leaves L = 1, an all-zero window. Does nothing while no tables exist.
void SetBandwidth(int bandwidthHz, int rate);

// Frees all tables; FftSize becomes 0. FftReady is the callers' flag and is left alone.
void FftRelease();

// What every analysis loop does before its first spectrum: builds the tables for N = 2048 unless
// FftReady is set, and sets FftReady only when that worked. Returns false when the tables could not
// be built; the loop must then not start and tells the user kFftSetupFailedText.
bool EnsureFftTables();

inline constexpr const char* kFftSetupFailedText = "Not enough memory to start the analysis.";
inline constexpr int16_t kProgramFftOrder = 11;  // N = 2048
