#include "analysis/power_spectrum.h"

#include "analysis/fft_tables.h"

// The arithmetic is fixed to the last bit: every operation below is the one the program's scale was
// calibrated with, in the same order. Only where the values live differs: real and imaginary parts
// sit in separate arrays so that every loop runs with unit stride. Multiplying by 1/32768 or by 0.5
// rounds exactly like dividing by 32768 or 2 (both are the correctly rounded x * 2^-k).

namespace {

constexpr double kUnscale = 1.0 / 32768.0;

// One group of a stage: p' = (p + W q) / 2, q' = (p - W q) / 2 for h element pairs.
[[gnu::always_inline]] inline void Butterflies(double* __restrict pr, double* __restrict pi, double* __restrict qr,
                        double* __restrict qi, int h, double s, double c) {
  for (int k = 0; k < h; ++k) {
    const double t1 = (qr[k] * c + qi[k] * s) * kUnscale;
    const double t2 = (qr[k] * s - qi[k] * c) * kUnscale;
    const double newQr = (pr[k] + t1) * 0.5;
    const double newQi = (pi[k] - t2) * 0.5;
    qr[k] = newQr;
    pr[k] = newQr - t1;
    qi[k] = newQi;
    pi[k] = newQi + t2;
  }
}

// The last two stages have groups of one and two pairs, each with its own twiddle: run them across
// the groups instead, so the loop is long.
[[gnu::always_inline]] inline void StageOfTwo(double* __restrict re, double* __restrict im, const double* __restrict gs,
                const double* __restrict gc, int groups) {
  for (int g = 0; g < groups; ++g) {
    for (int k = 0; k < 2; ++k) {
      const int p = 4 * g + k, q = p + 2;
      const double t1 = (re[q] * gc[g] + im[q] * gs[g]) * kUnscale;
      const double t2 = (re[q] * gs[g] - im[q] * gc[g]) * kUnscale;
      const double newQr = (re[p] + t1) * 0.5;
      const double newQi = (im[p] - t2) * 0.5;
      re[q] = newQr;
      re[p] = newQr - t1;
      im[q] = newQi;
      im[p] = newQi + t2;
    }
  }
}

[[gnu::always_inline]] inline void StageOfOne(double* __restrict re, double* __restrict im, const double* __restrict gs,
                const double* __restrict gc, int groups) {
  for (int g = 0; g < groups; ++g) {
    const int p = 2 * g, q = p + 1;
    const double t1 = (re[q] * gc[g] + im[q] * gs[g]) * kUnscale;
    const double t2 = (re[q] * gs[g] - im[q] * gc[g]) * kUnscale;
    const double newQr = (re[p] + t1) * 0.5;
    const double newQi = (im[p] - t2) * 0.5;
    re[q] = newQr;
    re[p] = newQr - t1;
    im[q] = newQi;
    im[p] = newQi + t2;
  }
}

// Split step for the frequency pairs (a, m - a), 1 <= a < m/2, in frequency order; hr and hi point
// one past the last bin so that hr[-a] is bin m - a.
[[gnu::always_inline]] inline void SplitPairs(double* __restrict lr, double* __restrict li, double* __restrict hr, double* __restrict hi,
                const double* __restrict sa, const double* __restrict cb, int half) {
  for (int a = 1; a < half; ++a) {
    const double pr = lr[a], pi = li[a], qr = hr[-a], qi = hi[-a];
    const double dr = pr - qr;
    const double sr = dr + 2.0 * qr;
    const double di = pi - qi;
    const double si = di + 2.0 * qi;
    const double x = sa[a] * dr - cb[a] * si;
    const double y = cb[a] * dr + sa[a] * si;
    const double newPr = (sr + x) * 0.5;
    const double newPi = (di + y) * 0.5;
    lr[a] = newPr;
    hr[-a] = newPr - x;
    li[a] = newPi;
    hi[-a] = newPi - di;
  }
}

}  // namespace

// Built twice, for processors with and without 256-bit vectors; the loader picks one. No fused
// multiply-add in either (the module is compiled with -ffp-contract=off), so both give the same bits.
__attribute__((target_clones("avx2", "default"))) bool PowerSpectrum(int16_t* block, int16_t windowSelector) {
  AnalysisState& a = Analysis;
  const int n = a.FftSize;
  if (n == 0) return false;
  const int m = n / 2;
  const double* __restrict window = windowSelector == 0 ? a.BandWindow.data() : a.BlockWindow.data();
  double* __restrict re = a.FftWork.data();
  double* __restrict im = re + m;

  // Window and pack: even samples are the real parts, odd samples the imaginary parts.
  for (int i = 0; i < m; ++i) {
    re[i] = block[2 * i] * window[2 * i];
    im[i] = block[2 * i + 1] * window[2 * i + 1];
  }

  const double* gs = a.GroupSin.data();
  const double* gc = a.GroupCos.data();
  for (int h = m / 2; h >= 4; h /= 2) {
    for (int g = 0, p = 0; p < m; ++g, p += 2 * h) Butterflies(re + p, im + p, re + p + h, im + p + h, h, gs[g], gc[g]);
  }
  StageOfTwo(re, im, gs, gc, m / 4);
  StageOfOne(re, im, gs, gc, m / 2);

  // Frequency order: bin k sits in element bitreverse(k).
  double* __restrict xr = a.SplitRe.data();
  double* __restrict xi = a.SplitIm.data();
  const int16_t* element = a.ElementOfBin.data();
  for (int k = 0; k < m; ++k) {
    xr[k] = re[element[k]];
    xi[k] = im[element[k]];
  }

  const int half = m / 2;
  SplitPairs(xr, xi, xr + m, xi + m, a.SplitSin.data(), a.SplitCos.data(), half);
  {
    // The middle bin is its own partner; what is written last (the partner's value) stays.
    const double A = a.SplitSin[half], B = a.SplitCos[half];
    const double pr = xr[half], pi = xi[half];
    const double dr = pr - pr, sr = dr + 2.0 * pr, di = pi - pi, si = di + 2.0 * pi;
    const double x = A * dr - B * si, y = B * dr + A * si;
    const double newPr = (sr + x) * 0.5, newPi = (di + y) * 0.5;
    xr[half] = newPr - x;
    xi[half] = newPi - di;
  }
  // DC: element 0 carries the DC value in its real part and the Nyquist value in its imaginary part.
  xr[0] = xr[0] + xi[0];
  xi[0] = 0.0;

  const DecibelTable& db = a.Decibels;
  if (db.Exact) {
    for (int k = 0; k < m; ++k) block[k] = DecibelFromTable(db, xr[k] * xr[k] + xi[k] * xi[k]);
  } else {
    for (int k = 0; k < m; ++k) block[k] = DecibelOfPower(xr[k] * xr[k] + xi[k] * xi[k]);
  }

  // Low-bin taper: bins 0 and 1 are rebuilt from bin 2, then bins 0..9 fall by 10..1 dB.
  int low[10];
  for (int i = 0; i < 10; ++i) low[i] = block[i];
  low[0] = low[2] + 4;
  low[1] = low[2] + 2;
  for (int i = 0; i < 10; ++i) {
    const int v = low[i] - (10 - i);
    block[i] = static_cast<int16_t>(v < -32768 ? -32768 : v);
  }
  return true;
}
