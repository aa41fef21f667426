#include "audio/spectrum_history.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

// The averages and the smoothing run every step on three spectra, so their loops are shaped for
// vector units: fixed-size blocks of points, and the truncating division done in floating point
// where that is provably exact (a correctly rounded quotient of whole numbers stays on the same side
// of every whole number as long as the rounding error is below 1 / divisor; see each function).
// The results are the same integers the plain loops give, to the last bit.

namespace {

constexpr int kBlock = 16;  // points per block: two 256-bit vectors of 32-bit sums

// Up to this many spectra the sum of a point fits in 24 bits (256 x 32768 = 2^23), so it converts to
// single precision exactly, and the quotient (|q| <= 32768, rounding error <= 2^-10) stays on the same
// side of every whole number (a non-whole q is at least 1/256 away from one).
constexpr int kSinglePrecisionCount = 256;

// Difference smoothing: windows of up to this many bins are summed directly, wider ones through
// prefix sums; widths up to kSinglePrecisionWidth divide in single precision.
constexpr int kDirectSpan = 16;
constexpr int kSinglePrecisionWidth = 256;

// Points first..end-1, one at a time with integer division.
void AverageHistoryPlain(const int16_t* history, int count, int points, int first, int end, bool clampNegative,
                         int16_t* out) {
  for (int i = first; i < end; ++i) {
    int32_t sum = 0;
    for (int j = 0; j < count; ++j) sum += history[i + static_cast<size_t>(points) * j];
    int mean = sum / count;
    if (clampNegative && mean < 0) mean = 0;
    out[i] = static_cast<int16_t>(mean);
  }
}

}  // namespace

void PushHistory(int16_t* history, const int16_t* spectrum, int count, int points) {
  if (count > 1) std::memmove(history + points, history, sizeof(int16_t) * static_cast<size_t>(points) * (count - 1));
  std::memcpy(history, spectrum, sizeof(int16_t) * static_cast<size_t>(points));
}

// Built for processors with and without 256-bit vectors; both give the same integers.
__attribute__((target_clones("avx2", "default"))) void AverageHistory(const int16_t* history, int count, int points,
                                                                      bool clampNegative, int16_t* out) {
  if (count < 1) count = 1;
  points = std::min(points, kMaxPoints);
  if (count > kSinglePrecisionCount) {
    AverageHistoryPlain(history, count, points, 0, points, clampNegative, out);
    return;
  }
  const float divisor = static_cast<float>(count);
  const int lowest = clampNegative ? 0 : -32768;  // a mean of 16-bit values is never below -32768
  const size_t stride = static_cast<size_t>(points);
  int i = 0;
  for (; i + kBlock <= points; i += kBlock) {
    // The block's sums stay in registers while the spectra pass by.
    int32_t sum[kBlock] = {};
    for (int j = 0; j < count; ++j) {
      const int16_t* spectrum = history + stride * j + i;
      for (int k = 0; k < kBlock; ++k) sum[k] += spectrum[k];
    }
    for (int k = 0; k < kBlock; ++k) {
      const int mean = static_cast<int>(static_cast<float>(sum[k]) / divisor);
      out[i + k] = static_cast<int16_t>(std::max(mean, lowest));
    }
  }
  AverageHistoryPlain(history, count, points, i, points, clampNegative, out);
}

int DifferenceSmoothingWidth(int bandwidthHz, int rate) {
  const double binHz = rate / 2048.0;
  const int w = static_cast<int>(std::trunc(bandwidthHz / binHz));
  return std::max(w, 2);
}

// Window sums (whole numbers: the order of the additions does not matter), then the truncating
// division in floating point. Up to a width of 256 the sum (at most 257 x 32768 < 2^24) converts to
// single precision exactly and the quotient (|q| < 2^16, rounding error <= 2^-9) stays on the same
// side of every whole number, from which a non-whole quotient is at least 1 / width away; wider
// windows divide in double precision (sum below 2^28, error below 2^-25).
__attribute__((target_clones("avx2", "default"))) void SmoothDifference(const int16_t* diff, int points, int width,
                                                                        int16_t* out) {
  const int half = width / 2;
  // Odd shapes (no width, a window wider than two spectra, more points than the buffer) go the plain way.
  if (width < 1 || width > 2 * kMaxPoints || points < 1 || points > kMaxPoints) {
    for (int i = 0; i < points; ++i) {
      int sum = 0;
      for (int k = i - half; k <= i + half; ++k) sum += diff[std::clamp(k, 0, points - 1)];
      out[i] = static_cast<int16_t>(sum / width);
    }
    return;
  }
  const int span = 2 * half + 1;
  // Whole blocks of sums, then the rest (fewer than kBlock) at the end of `sums`.
  std::array<int32_t, kMaxPoints> sums;
  if (span <= kDirectSpan) {
    // Narrow windows (the usual bandwidths): add shifted copies of the padded spectrum, padded[t] =
    // diff[clamp(t - half)].
    std::array<int16_t, kMaxPoints + kDirectSpan> padded;
    std::fill_n(padded.begin(), half, diff[0]);
    std::copy_n(diff, points, padded.begin() + half);
    std::fill_n(padded.begin() + half + points, half, diff[points - 1]);
    int i = 0;
    for (; i + kBlock <= points; i += kBlock) {
      int32_t block[kBlock] = {};
      for (int d = 0; d < span; ++d)
        for (int k = 0; k < kBlock; ++k) block[k] += padded[i + d + k];
      for (int k = 0; k < kBlock; ++k) sums[i + k] = block[k];
    }
    for (; i < points; ++i) {
      sums[i] = 0;
      for (int d = 0; d < span; ++d) sums[i] += padded[i + d];
    }
  } else {
    // prefix[t] = sum of padded[0..t-1], t <= points + 2 half.
    std::array<int32_t, 3 * kMaxPoints + 1> prefix;
    int32_t running = 0;
    prefix[0] = 0;
    int t = 0;
    for (; t < half; ++t) prefix[t + 1] = running += diff[0];
    for (; t < half + points; ++t) prefix[t + 1] = running += diff[t - half];
    for (; t < points + 2 * half; ++t) prefix[t + 1] = running += diff[points - 1];
    for (int i = 0; i < points; ++i) sums[i] = prefix[i + span] - prefix[i];
  }
  int i = 0;
  if (width <= kSinglePrecisionWidth) {
    const float divisor = static_cast<float>(width);
    for (; i + kBlock <= points; i += kBlock)
      for (int k = 0; k < kBlock; ++k)
        out[i + k] = static_cast<int16_t>(static_cast<int>(static_cast<float>(sums[i + k]) / divisor));
  } else {
    const double divisor = width;
    for (; i + kBlock <= points; i += kBlock)
      for (int k = 0; k < kBlock; ++k) out[i + k] = static_cast<int16_t>(static_cast<int>(sums[i + k] / divisor));
  }
  for (; i < points; ++i) out[i] = static_cast<int16_t>(sums[i] / width);
}
