#include "literal_spectrum.h"

#include <cmath>
#include <vector>

#include "analysis/fft_tables.h"

void LiteralPowerSpectrum(int16_t* block, int16_t windowSelector) {
  const AnalysisState& a = Analysis;
  const int n = a.FftSize;
  const int m = n / 2;
  const std::vector<double>& window = windowSelector == 0 ? a.BandWindow : a.BlockWindow;
  const std::vector<int16_t>& rev = a.BitReverseTable;
  const std::vector<double>& tw = a.TwiddleTable;
  std::vector<double> w(2 * n, 0.0);
  for (int i = 0; i < n; ++i) w[i] = block[i] * window[i];

  for (int h = n / 4; h > 0; h /= 2) {
    for (int g = 0; 2 * g * h < m; ++g) {
      const double s = tw[2 * g], c = tw[2 * g + 1];
      for (int k = 0; k < h; ++k) {
        const int p = 2 * (2 * g * h + k), q = 2 * (2 * g * h + h + k);
        const double t1 = (w[q] * c + w[q + 1] * s) / 32768;
        const double t2 = (w[q] * s - w[q + 1] * c) / 32768;
        w[q] = (w[p] + t1) / 2;
        w[p] = w[q] - t1;
        w[q + 1] = (w[p + 1] - t2) / 2;
        w[p + 1] = w[q + 1] + t2;
      }
    }
  }
  for (int ia = 1, ib = m - 1; ia <= ib; ++ia, --ib) {
    const int p = rev[ia], q = rev[ib];
    const double A = tw[rev[ia]] / 32768, B = tw[rev[ia] + 1] / 32768;
    const double dr = w[p] - w[q];
    const double sr = dr + 2 * w[q];
    const double di = w[p + 1] - w[q + 1];
    const double si = di + 2 * w[q + 1];
    const double x = A * dr - B * si;
    const double y = B * dr + A * si;
    w[p] = (sr + x) / 2;
    w[q] = w[p] - x;
    w[p + 1] = (di + y) / 2;
    w[q + 1] = w[p + 1] - di;
  }
  w[0] = w[0] + w[1];
  w[1] = 0;
  for (int k = 0; k < m; ++k) {
    const double re = w[rev[k]], im = w[rev[k] + 1];
    const double power = re * re + im * im;
    double value = power > 0 ? 10 * std::log10(power) : 0;
    if (value > 32767) value = 32767;
    if (value < -32768) value = -32768;
    block[k] = static_cast<int16_t>(value);
  }
  block[0] = static_cast<int16_t>(block[2] + 4);
  block[1] = static_cast<int16_t>(block[2] + 2);
  for (int i = 0; i < 10; ++i) block[i] = static_cast<int16_t>(block[i] - (10 - i));
}
