#pragma once
// One power spectrum of a stretch of a recording held in memory, as `taldrinex-cli spectrum` prints it.
#include <cstdint>
#include <string>
#include <vector>

struct SegmentSpectrumRequest {
  double atSeconds = 0.0;    // start of the 2048-frame block, seconds from the start of the data
  bool blockWindow = false;  // false: the bandwidth window (as the loops use for Audio), true: whole block
  int bandwidthHz = 10;      // analysis bandwidth for the bandwidth window, Hz (the program's start value)
};

// Builds the tables if needed, sets the bandwidth window for `rate` and computes the spectrum of
// the 2048 frames of channel 0 starting at frame round(atSeconds * rate) of the interleaved
// `samples`. On success *spectrum holds the 1024 whole-dB values; otherwise *error says why
// (a block that does not fit in the recording, bad arguments, no memory for the tables).
bool SegmentSpectrum(const std::vector<int16_t>& samples, int channels, int rate,
                     const SegmentSpectrumRequest& request, std::vector<int16_t>* spectrum,
                     std::string* error);
