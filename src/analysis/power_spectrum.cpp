#include "analysis/power_spectrum.h"

#include <cfloat>
#include <cstring>

#include "analysis/fft_tables.h"

// The arithmetic is fixed to the last bit: every operation below is the one the program's scale was
// calibrated with, in the same order. Only where the values live differs: real and imaginary parts
// sit in separate arrays so that every loop runs with unit stride. Multiplying by 1/32768 or by 0.5
// rounds exactly like dividing by 32768 or 2 (both are the correctly rounded x * 2^-k).

namespace {

constexpr double kUnscale = 1.0 / 32768.0;

// One group of a stage: p' = (p + W q) / 2, q' = (p - W q) / 2 for h element pairs.
[[gnu::always_inline]] inline void Butterflies(double* __restrict pr, double* __restrict pi,
                                               double* __restrict qr, double* __restrict qi, int h, double s,
                                               double c) {
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

// One butterfly on values held in registers.
[[gnu::always_inline]] inline void Butterfly(double& pr, double& pi, double& qr, double& qi, double s,
                                             double c) {
  const double t1 = (qr * c + qi * s) * kUnscale;
  const double t2 = (qr * s - qi * c) * kUnscale;
  qr = (pr + t1) * 0.5;
  pr = qr - t1;
  qi = (pi - t2) * 0.5;
  pi = qi + t2;
}

// Stages h and h/2 of one group of 2h elements in one pass over memory: for each quarter offset k
// the four elements k, k + h/2, k + h, k + 3h/2 meet only each other in these two stages.
[[gnu::always_inline]] inline void TwoStages(double* __restrict r0, double* __restrict r1,
                                             double* __restrict r2, double* __restrict r3,
                                             double* __restrict i0, double* __restrict i1,
                                             double* __restrict i2, double* __restrict i3, int quarter,
                                             double s1, double c1, double s2, double c2, double s3,
                                             double c3) {
  for (int k = 0; k < quarter; ++k) {
    double a0 = r0[k], a1 = r1[k], a2 = r2[k], a3 = r3[k];
    double b0 = i0[k], b1 = i1[k], b2 = i2[k], b3 = i3[k];
    Butterfly(a0, b0, a2, b2, s1, c1);
    Butterfly(a1, b1, a3, b3, s1, c1);
    Butterfly(a0, b0, a1, b1, s2, c2);
    Butterfly(a2, b2, a3, b3, s3, c3);
    r0[k] = a0, r1[k] = a1, r2[k] = a2, r3[k] = a3;
    i0[k] = b0, i1[k] = b1, i2[k] = b2, i3[k] = b3;
  }
}

// Stages h and h/2 over the whole array; group g of stage h uses twiddle g, its two halves at
// stage h/2 use twiddles 2g and 2g + 1.
[[gnu::always_inline]] inline void StagePair(double* re, double* im, const double* gs, const double* gc,
                                             int m, int h) {
  const int quarter = h / 2;
  for (int g = 0, b = 0; b < m; ++g, b += 2 * h) {
    TwoStages(re + b, re + b + quarter, re + b + h, re + b + h + quarter, im + b, im + b + quarter,
              im + b + h, im + b + h + quarter, quarter, gs[g], gc[g], gs[2 * g], gc[2 * g], gs[2 * g + 1],
              gc[2 * g + 1]);
  }
}

// The last two stages (h = 2 and 1): groups of four neighbours, each with its own twiddles, so the
// loop runs across the groups.
[[gnu::always_inline]] inline void LastTwoStages(double* __restrict re, double* __restrict im,
                                                 const double* __restrict gs, const double* __restrict gc,
                                                 int groups) {
  for (int g = 0; g < groups; ++g) {
    double a0 = re[4 * g], a1 = re[4 * g + 1], a2 = re[4 * g + 2], a3 = re[4 * g + 3];
    double b0 = im[4 * g], b1 = im[4 * g + 1], b2 = im[4 * g + 2], b3 = im[4 * g + 3];
    Butterfly(a0, b0, a2, b2, gs[g], gc[g]);
    Butterfly(a1, b1, a3, b3, gs[g], gc[g]);
    Butterfly(a0, b0, a1, b1, gs[2 * g], gc[2 * g]);
    Butterfly(a2, b2, a3, b3, gs[2 * g + 1], gc[2 * g + 1]);
    re[4 * g] = a0, re[4 * g + 1] = a1, re[4 * g + 2] = a2, re[4 * g + 3] = a3;
    im[4 * g] = b0, im[4 * g + 1] = b1, im[4 * g + 2] = b2, im[4 * g + 3] = b3;
  }
}

// Split step for the frequency pairs (a, m - a), 1 <= a < m/2, in frequency order; hr and hi point
// one past the last bin so that hr[-a] is bin m - a.
[[gnu::always_inline]] inline void SplitPairs(double* __restrict lr, double* __restrict li,
                                              double* __restrict hr, double* __restrict hi,
                                              const double* __restrict sa, const double* __restrict cb,
                                              int half) {
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
  // log2(m) stages, h = m/2 down to 1, taken two at a time; an odd count starts with one stage alone.
  int h = m / 2;
  if ((__builtin_ctz(static_cast<unsigned>(m)) & 1) != 0) {
    Butterflies(re, im, re + h, im + h, h, gs[0], gc[0]);
    h /= 2;
  }
  for (; h > 8; h /= 4) StagePair(re, im, gs, gc, m, h);
  if (h == 8) StagePair(re, im, gs, gc, m, 8);  // a constant quarter of 4: one vector per row
  LastTwoStages(re, im, gs, gc, m / 4);

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
    const int16_t* __restrict base = db.Base.data();
    const double* __restrict step = db.Step.data();
    // Every bucket index is inside the table; powers outside its range (zero for silence,
    // subnormal) are looked up wrongly here and put right afterwards, which is rare.
    bool outside = false;
    for (int k = 0; k < m; ++k) {
      const double power = xr[k] * xr[k] + xi[k] * xi[k];
      xr[k] = power;
      uint64_t bits;
      std::memcpy(&bits, &power, sizeof bits);
      outside |= bits - DecibelTable::kFirstBits >= DecibelTable::kEndBits - DecibelTable::kFirstBits;
      const uint64_t bucket = bits >> DecibelTable::kShift;
      block[k] = static_cast<int16_t>(base[bucket] + (power >= step[bucket] ? 1 : 0));
    }
    if (outside) {
      for (int k = 0; k < m; ++k)
        if (!(xr[k] >= DBL_MIN && xr[k] <= DBL_MAX)) block[k] = DecibelOfPower(xr[k]);
    }
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
