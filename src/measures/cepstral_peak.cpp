#include "measures/cepstral_peak.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <deque>
#include <vector>

#include "measures/signal_tools.h"
#include "measures/voice_report.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// 10 log10(power) in single precision (plenty for a spectrum in dB, and much quicker), floored.
double Decibels(double power) {
  constexpr float kDbPerOctave = 3.0102999566398120f;  // 10 log10(2)
  return kDbPerOctave * std::log2(static_cast<float>(std::max(power, 1e-30)));
}

// Least-squares line y = a + b q over q in [from, to]; returns {a, b}.
std::pair<double, double> FitLine(const std::vector<double>& y, int from, int to) {
  double n = 0, sq = 0, sy = 0, sqq = 0, sqy = 0;
  for (int q = from; q <= to; ++q) {
    n += 1;
    sq += q;
    sy += y[q];
    sqq += double(q) * q;
    sqy += q * y[q];
  }
  const double d = n * sqq - sq * sq;
  if (n < 2 || d == 0) return {n > 0 ? sy / n : 0, 0};
  const double b = (n * sqy - sq * sy) / d;
  return {(sy - b * sq) / n, b};
}

}  // namespace

double SmoothedCepstralPeakProminence(std::span<const float> x, double rate, const CppsParameters& p) {
  const double effective = 3 / p.pitchFloorHz;
  const int length = static_cast<int>(std::lround(2 * effective * rate)) | 1;
  const int half = length / 2;
  const int step = std::max(1, static_cast<int>(std::lround(p.stepS * rate)));
  if (x.size() < static_cast<size_t>(length)) return kNotMeasured;
  const int size = PowerOfTwoAtLeast(length);
  const int bins = size / 2 + 1;
  RealFft fft(size);

  // A Gaussian window whose effective length (the length of a Hann window of the same spread) is
  // `effective`; its ends at the edge of the physical window are taken down to 0.
  std::vector<double> window(length);
  const double edge = std::exp(-12.0);
  for (int i = 0; i < length; ++i) {
    const double t = (i - half) / double(half);
    window[i] = (std::exp(-12.0 * t * t) - edge) / (1 - edge);
  }
  const double alpha = std::exp(-2 * kPi * p.preEmphasisHz / rate);
  std::vector<double> frame(size), cepstrum(size), db(bins), power(bins);
  std::vector<std::complex<double>> spectrum(bins);
  const int tiltFrom = std::max(1, static_cast<int>(std::lround(p.tiltFromS * rate)));
  const int lastQ = size / 2;
  const int smoothFrames = std::max(1, static_cast<int>(std::lround(p.timeSmoothS / p.stepS)));
  const int smoothBins = std::max(1, static_cast<int>(std::lround(p.quefrencySmoothS * rate)));
  const int peakFrom = std::max(1, static_cast<int>(std::floor(rate / p.peakHighHz)));
  const int peakTo = std::min(lastQ - 1, static_cast<int>(std::ceil(rate / p.peakLowHz)));

  // The detilted power cepstra of the last smoothFrames frames (empty for silent frames).
  std::deque<std::vector<double>> recent;
  double sum = 0;
  int counted = 0;
  std::vector<double> average(bins), smooth(bins);
  auto measure = [&](size_t centre) {
    // Time average of the frames around `centre` in `recent` that have data.
    std::fill(average.begin(), average.end(), 0.0);
    int n = 0;
    const int lo = std::max<int>(0, static_cast<int>(centre) - smoothFrames / 2);
    const int hi = std::min<int>(static_cast<int>(recent.size()) - 1, static_cast<int>(centre) + smoothFrames / 2);
    if (recent[centre].empty()) return;
    for (int k = lo; k <= hi; ++k) {
      if (recent[k].empty()) continue;
      for (int q = 0; q < bins; ++q) average[q] += recent[k][q];
      ++n;
    }
    // Quefrency average: a running sum over smoothBins bins centred on each (fewer at the ends).
    const int reach = smoothBins / 2;
    double running = 0;
    for (int k = 0; k < std::min(reach, bins); ++k) running += average[k];
    for (int q = 0; q < bins; ++q) {
      if (q + reach < bins) running += average[q + reach];
      if (q - reach - 1 >= 0) running -= average[q - reach - 1];
      const int width = std::min(bins - 1, q + reach) - std::max(0, q - reach) + 1;
      smooth[q] = Decibels(running / (n * width));
    }
    const auto [a, b] = FitLine(smooth, tiltFrom, lastQ);
    int best = peakFrom;
    for (int q = peakFrom; q <= peakTo; ++q)
      if (smooth[q] - b * q > smooth[best] - b * best) best = q;
    const ParabolicPeak peak = InterpolatePeak(smooth[best - 1] - b * (best - 1), smooth[best] - b * best,
                                               smooth[best + 1] - b * (best + 1));
    sum += peak.value - a;
    ++counted;
  };

  // Pre-emphasis runs over the whole signal once, frame by frame as the frames need it.
  std::vector<double> emphasised(x.size());
  emphasised[0] = x[0];
  for (size_t i = 1; i < x.size(); ++i) emphasised[i] = x[i] - alpha * x[i - 1];

  const size_t frames = (x.size() - length) / step + 1;
  for (size_t f = 0; f < frames; ++f) {
    const size_t start = f * step;
    std::fill(frame.begin(), frame.end(), 0.0);
    double energy = 0;
    for (int i = 0; i < length; ++i) {
      frame[i] = emphasised[start + i] * window[i];
      energy += frame[i] * frame[i];
    }
    std::vector<double> detilted;
    if (energy > 0) {
      fft.Forward(frame.data(), spectrum.data());
      for (int k = 0; k < bins; ++k) spectrum[k] = Decibels(std::norm(spectrum[k]));
      fft.Inverse(spectrum.data(), cepstrum.data());
      for (int q = 0; q < bins; ++q) {
        const double c = cepstrum[q] / size;
        power[q] = c * c;
        db[q] = Decibels(power[q]);
      }
      const auto [a, b] = FitLine(db, tiltFrom, lastQ);
      // Kept as power, the line divided out: the smoothing averages power, then returns to dB.
      // 10^(-(a + b q) / 10) is a geometric sequence in q.
      detilted.resize(bins);
      double gain = std::pow(10.0, -a / 10);
      const double ratio = std::pow(10.0, -b / 10);
      for (int q = 0; q < bins; ++q) {
        detilted[q] = power[q] * gain;
        gain *= ratio;
      }
    }
    recent.push_back(std::move(detilted));
    // The frame smoothFrames / 2 back now has all its neighbours.
    if (recent.size() > static_cast<size_t>(smoothFrames / 2)) measure(recent.size() - 1 - smoothFrames / 2);
    if (recent.size() > static_cast<size_t>(smoothFrames)) recent.pop_front();
  }
  // The last frames, whose later neighbours never came.
  for (int k = 1; k <= smoothFrames / 2; ++k) {
    const int centre = static_cast<int>(recent.size()) - 1 - smoothFrames / 2 + k;
    if (centre >= 0 && centre < static_cast<int>(recent.size())) measure(centre);
  }
  return counted > 0 ? sum / counted : kNotMeasured;
}
