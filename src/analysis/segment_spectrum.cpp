#include "analysis/segment_spectrum.h"

#include <cmath>
#include <cstdio>

#include "analysis/fft_tables.h"
#include "analysis/power_spectrum.h"

namespace {
void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

std::string Seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", s);
  return text;
}
}  // namespace

bool SegmentSpectrum(const std::vector<int16_t>& samples, int channels, int rate,
                     const SegmentSpectrumRequest& request, std::vector<int16_t>* spectrum,
                     std::string* error) {
  if (channels < 1 || rate < 1) {
    SetError(error, "The recording has no channels or no sample rate.");
    return false;
  }
  if (request.bandwidthHz < 1) {
    SetError(error, "The bandwidth must be at least 1 Hz.");
    return false;
  }
  if (!std::isfinite(request.atSeconds) || request.atSeconds < 0.0) {
    SetError(error, "The start time must be 0 seconds or later.");
    return false;
  }
  if (!EnsureFftTables()) {
    SetError(error, kFftSetupFailedText);
    return false;
  }
  const int64_t n = Analysis.FftSize;
  const int64_t frames = static_cast<int64_t>(samples.size()) / channels;
  const double startFrame = std::round(request.atSeconds * rate);
  if (frames < n) {
    SetError(error, "The recording is too short for one spectrum: it holds " + std::to_string(frames) +
                        " frames, one spectrum needs " + std::to_string(n) + ".");
    return false;
  }
  if (startFrame > static_cast<double>(frames - n)) {
    SetError(error, "No block of " + std::to_string(n) + " frames starts at " + Seconds(request.atSeconds) +
                        " s: the recording holds " + std::to_string(frames) + " frames (" +
                        Seconds(static_cast<double>(frames) / rate) + " s), the last block starts at " +
                        Seconds(static_cast<double>(frames - n) / rate) + " s.");
    return false;
  }
  const int64_t first = static_cast<int64_t>(startFrame);
  std::vector<int16_t> block(static_cast<size_t>(n));
  for (int64_t i = 0; i < n; ++i) block[i] = samples[static_cast<size_t>((first + i) * channels)];
  SetBandwidth(request.bandwidthHz, rate);
  PowerSpectrum(block.data(), request.blockWindow ? kBlockWindowSelector : kBandWindowSelector);
  spectrum->assign(block.begin(), block.begin() + n / 2);
  return true;
}
