#include "analysis/fft_tables.h"

#include <cmath>
#include <new>

AnalysisState Analysis;

void ResetAnalysisState() { Analysis = AnalysisState{}; }

namespace {

// The constants the tables were always built with; every dB value of the program depends on them.
constexpr double kTwoPi = 6.28318530718;
constexpr double kTwiddleScale = -32768.0;

// Hann window of length 2h at the start of `window`; the rest of it is zero.
void FillHann(std::vector<double>& window, int h, bool singlePrecision) {
  for (double& w : window) w = 0.0;
  for (int j = -h; j < h; ++j) {
    const double value = 0.5 + 0.5 * std::cos(kTwoPi * j / (2.0 * h));
    window[j + h] = singlePrecision ? static_cast<double>(static_cast<float>(value)) : value;
  }
}

// Window length from a single-precision product, limited to 1..n. Infinite or undefined values
// (a bandwidth of 0 Hz) count as 0, large finite ones as n.
int LimitWindowLength(float samples, int n) {
  if (!std::isfinite(samples)) return 1;
  if (samples >= static_cast<float>(n)) return n;
  const int length = static_cast<int>(samples);  // truncation toward zero
  return length < 1 ? 1 : length;
}

void FreeTables(AnalysisState& a) {
  a.FftWork = {};
  a.BitReverseTable = {};
  a.TwiddleTable = {};
  a.BandWindow = {};
  a.BlockWindow = {};
  a.GroupSin = {};
  a.GroupCos = {};
  a.SplitSin = {};
  a.SplitCos = {};
  a.ElementOfBin = {};
  a.SplitRe = {};
  a.SplitIm = {};
  a.Decibels = {};
  a.FftSize = 0;
}

bool Allocate(AnalysisState& a, int n) {
  const int m = n / 2;
  try {
    a.FftWork.assign(2 * n, 0.0);
    a.BitReverseTable.assign(m, 0);
    a.TwiddleTable.assign(n, 0.0);
    a.BandWindow.assign(n, 0.0);
    a.BlockWindow.assign(n, 0.0);
    a.GroupSin.assign(m, 0.0);
    a.GroupCos.assign(m, 0.0);
    a.SplitSin.assign(m / 2 + 1, 0.0);
    a.SplitCos.assign(m / 2 + 1, 0.0);
    a.ElementOfBin.assign(m, 0);
    a.SplitRe.assign(m, 0.0);
    a.SplitIm.assign(m, 0.0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return BuildDecibelTable(a.Decibels);
}

}  // namespace

int16_t FftSetup(int16_t order, int rate, float milliseconds) {
  AnalysisState& a = Analysis;
  FreeTables(a);
  if (order < 5 || order > 14) return -1;
  const int n = 1 << order;
  const int m = n / 2;
  int length = n;
  if (rate != -1 && milliseconds != -1.0f && rate >= 0 && milliseconds >= 0.0f)
    length = LimitWindowLength(static_cast<float>(rate) * milliseconds / 1000.0f, n);
  if (!Allocate(a, n)) {
    FreeTables(a);
    return -1;
  }
  a.FftSize = static_cast<int16_t>(n);
  a.WindowLength = static_cast<int16_t>(length);

  // Walks the bits of i from the highest down: yields 2 * bitreverse(i), the double index of the
  // real part of complex element bitreverse(i).
  for (int i = 0; i < m; ++i) {
    int r = 0;
    for (int b = n / 4; b >= 1; b /= 2) r = r / 2 + ((i & b) ? m : 0);
    a.BitReverseTable[i] = static_cast<int16_t>(r);
  }
  for (int i = 0; i < m; ++i) {
    const double angle = kTwoPi * i / n;
    a.TwiddleTable[a.BitReverseTable[i]] = std::floor(kTwiddleScale * std::sin(angle) + 0.5);
    a.TwiddleTable[a.BitReverseTable[i] + 1] = std::floor(kTwiddleScale * std::cos(angle) + 0.5);
  }
  FillHann(a.BandWindow, length / 2, false);
  FillHann(a.BlockWindow, n / 2, false);

  for (int g = 0; g < m; ++g) {
    a.GroupSin[g] = a.TwiddleTable[2 * g];
    a.GroupCos[g] = a.TwiddleTable[2 * g + 1];
    a.ElementOfBin[g] = static_cast<int16_t>(a.BitReverseTable[g] / 2);
  }
  // Dividing a whole number by 32768 is exact, so these are the split step's A and B themselves.
  for (int k = 0; k <= m / 2; ++k) {
    a.SplitSin[k] = a.TwiddleTable[a.BitReverseTable[k]] / 32768.0;
    a.SplitCos[k] = a.TwiddleTable[a.BitReverseTable[k] + 1] / 32768.0;
  }
  return 0;
}

void SetBandwidth(int bandwidthHz, int rate) {
  AnalysisState& a = Analysis;
  if (a.FftSize == 0) return;
  const float durationMs = 1000.0f / static_cast<float>(bandwidthHz);
  const int length = LimitWindowLength(static_cast<float>(rate) * durationMs / 1000.0f, a.FftSize);
  a.WindowLength = static_cast<int16_t>(length);
  FillHann(a.BandWindow, length / 2, true);
}

void FftRelease() { FreeTables(Analysis); }

bool EnsureFftTables() {
  if (Analysis.FftReady && Analysis.FftSize != 0) return true;
  Analysis.FftReady = 0;
  if (FftSetup(kProgramFftOrder, -1, -1.0f) != 0) return false;
  Analysis.FftReady = 1;
  return true;
}
