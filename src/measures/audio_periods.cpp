#include "measures/audio_periods.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "measures/signal_tools.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSilenceThreshold = 0.03;  // of the channel's peak
constexpr double kVoicingThreshold = 0.45;
constexpr double kPeriodSearch = 0.15;      // lag search of a period mark: +-15 % of the expected one
constexpr double kMarkCorrelation = 0.5;    // below it a period ends the stretch
constexpr double kMaxPeriodFactor = 1.3;    // neighbouring periods further apart are not a jitter pair
constexpr double kMultipleTolerance = 0.7;   // a sub-multiple lag this strong, relative, is the period
constexpr double kEqualTolerance = 0.97;     // any shorter lag this strong, relative, is the period
constexpr double kMedianTolerance = 0.7;     // a lag this strong, relative, may follow the local median
constexpr int kMedianFrames = 10;            // the local median spans this many frames either side

struct Candidate {
  double periodS = 0;
  double strength = 0;
};

// Octave and multiple errors that survive the frame's own choice stand out against their
// neighbours: each voiced frame takes, among its strong candidates, the one nearest (in octaves) to
// the median period of the voiced frames around it.
void FollowLocalMedian(std::vector<PitchFrame>& track, const std::vector<std::vector<Candidate>>& candidates) {
  std::vector<double> chosen(track.size(), 0.0);
  for (size_t i = 0; i < track.size(); ++i) chosen[i] = track[i].voiced ? track[i].periodS : 0;
  std::vector<double> around;
  for (size_t i = 0; i < track.size(); ++i) {
    if (!track[i].voiced) continue;
    around.clear();
    const size_t a = i > kMedianFrames ? i - kMedianFrames : 0, b = std::min(track.size(), i + kMedianFrames + 1);
    for (size_t k = a; k < b; ++k)
      if (chosen[k] > 0) around.push_back(chosen[k]);
    std::nth_element(around.begin(), around.begin() + around.size() / 2, around.end());
    const double median = around[around.size() / 2];
    double strongest = 0;
    for (const auto& c : candidates[i]) strongest = std::max(strongest, c.strength);
    double bestDistance = 1e9;
    for (const auto& c : candidates[i]) {
      if (c.strength < kMedianTolerance * strongest) continue;
      const double distance = std::abs(std::log2(c.periodS / median));
      if (distance < bestDistance) {
        bestDistance = distance;
        track[i].periodS = c.periodS;
        track[i].strength = c.strength;
      }
    }
    track[i].voiced = track[i].strength >= kVoicingThreshold;
  }
}

// Sum of squares of x[0..n).
double Energy(const float* x, int n) {
  double s0 = 0, s1 = 0;
  int i = 0;
  for (; i + 1 < n; i += 2) {
    s0 += double(x[i]) * x[i];
    s1 += double(x[i + 1]) * x[i + 1];
  }
  if (i < n) s0 += double(x[i]) * x[i];
  return s0 + s1;
}

double Dot(const float* a, const float* b, int n) {
  double s0 = 0, s1 = 0;
  int i = 0;
  for (; i + 1 < n; i += 2) {
    s0 += double(a[i]) * b[i];
    s1 += double(a[i + 1]) * b[i + 1];
  }
  if (i < n) s0 += double(a[i]) * b[i];
  return s0 + s1;
}

// The best normalised correlation of x[a..a+w) with x[a+lag..a+lag+w) over lag in [lo, hi], with
// the lag interpolated. Returns false when the best lag lies on the edge of the range (the true
// maximum is outside) or when the range does not fit in the signal.
struct LagMatch {
  double lag = 0;
  double r = 0;
};
bool BestLag(std::span<const float> x, int a, int w, int lo, int hi, LagMatch* out) {
  if (a < 0 || lo < 1 || hi <= lo || w < 2 || static_cast<size_t>(a) + hi + 1 + w > x.size()) return false;
  const float* base = x.data() + a;
  const double e0 = Energy(base, w);
  double e = Energy(base + lo - 1, w);
  std::vector<double> r(static_cast<size_t>(hi - lo + 3));
  for (int lag = lo - 1; lag <= hi + 1; ++lag) {
    if (lag > lo - 1) e += double(base[lag + w - 1]) * base[lag + w - 1] - double(base[lag - 1]) * base[lag - 1];
    const double d = e0 * e;
    r[lag - lo + 1] = d > 0 ? Dot(base, base + lag, w) / std::sqrt(d) : 0;
  }
  int best = 1;
  for (int i = 2; i <= hi - lo + 1; ++i)
    if (r[i] > r[best]) best = i;
  if (best == 1 || best == hi - lo + 1) return false;
  const ParabolicPeak p = InterpolatePeak(r[best - 1], r[best], r[best + 1]);
  out->lag = lo - 1 + best + p.offset;
  out->r = std::min(p.value, 1.0);
  return true;
}

// The largest sample in [from, to) with its interpolated position and value.
ParabolicPeak Extreme(std::span<const float> x, int from, int to, double sign, int* index) {
  from = std::max(from, 1);
  to = std::min<int>(to, static_cast<int>(x.size()) - 1);
  int best = from;
  for (int i = from; i < to; ++i)
    if (sign * x[i] > sign * x[best]) best = i;
  *index = best;
  if (to <= from) return {0, sign * x[std::min<size_t>(from, x.size() - 1)]};
  return InterpolatePeak(sign * x[best - 1], sign * x[best], sign * x[best + 1]);
}

// The band-limited value of y at fractional position x (a Hann-windowed sinc over +-kSincDepth
// neighbours): the autocorrelation's peaks are sharper than a parabola through three lags when the
// signal reaches up to the Nyquist frequency, and a parabola would favour lags that happen to fall
// near whole samples.
constexpr int kSincDepth = 8;
template <typename Values>
double SincAt(const Values& y, double x) {
  const int centre = static_cast<int>(std::floor(x));
  // sin(pi (x - k)) = (-1)^k sin(pi x): one sine for all taps.
  const double sinX = std::sin(kPi * x);
  double sum = 0;
  for (int k = centre - kSincDepth + 1; k <= centre + kSincDepth; ++k) {
    if (k < 0 || k >= static_cast<int>(y.size())) continue;
    const double d = x - k;
    const double sinc = std::abs(d) < 1e-9 ? 1 : ((k & 1) ? -sinX : sinX) / (kPi * d);
    sum += y[k] * sinc * (0.5 + 0.5 * std::cos(kPi * d / kSincDepth));
  }
  return sum;
}

// The maximum of SincAt near the whole-sample maximum at `lag`: a parabola through three lags
// gives a first guess; SincAt at the guess and 0.1 either side, walking uphill while the middle is
// not the highest, gives the answer through one more parabola.
template <typename Values>
ParabolicPeak RefinePeak(const Values& y, int lag) {
  constexpr double kStep = 0.1;
  double x = lag + InterpolatePeak(y[lag - 1], y[lag], y[lag + 1]).offset;
  double a = SincAt(y, x - kStep), b = SincAt(y, x), c = SincAt(y, x + kStep);
  for (int walk = 0; walk < 6 && (a > b || c > b); ++walk) {
    if (a > c) {
      x -= kStep;
      c = b;
      b = a;
      a = SincAt(y, x - kStep);
    } else {
      x += kStep;
      a = b;
      b = c;
      c = SincAt(y, x + kStep);
    }
  }
  const ParabolicPeak p = InterpolatePeak(a, b, c);
  return {x + p.offset * kStep - lag, p.value};
}

// The normalised correlation of x[a..a+w) with the signal `lag` samples later, the later window
// interpolated with the windowed sinc: near r = 1 a parabola through whole lags misses the top by
// more than the noise the harmonics-to-noise ratio is after. Falls back to `fallback` near the ends.
double FractionalCorrelation(std::span<const float> x, int a, int w, double lag, double fallback) {
  const int whole = static_cast<int>(std::floor(lag));
  const double frac = lag - whole;
  if (a < 0 || a + whole - kSincDepth + 1 < 0 || static_cast<size_t>(a + whole + w + kSincDepth) >= x.size())
    return fallback;
  double weight[2 * kSincDepth];
  const double sinFrac = std::sin(kPi * frac);
  for (int k = -kSincDepth + 1; k <= kSincDepth; ++k) {
    const double d = frac - k;
    const double sinc = std::abs(d) < 1e-9 ? 1 : ((k & 1) ? -sinFrac : sinFrac) / (kPi * d);
    weight[k + kSincDepth - 1] = sinc * (0.5 + 0.5 * std::cos(kPi * d / kSincDepth));
  }
  double ab = 0, aa = 0, bb = 0;
  for (int n = 0; n < w; ++n) {
    const float* p = x.data() + a + whole + n - kSincDepth + 1;
    double b = 0;
    for (int k = 0; k < 2 * kSincDepth; ++k) b += weight[k] * p[k];
    const double u = x[a + n];
    ab += u * b;
    aa += u * u;
    bb += b * b;
  }
  return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : fallback;
}

// The largest (sign +1) or smallest (-1) value in [from, to) of a channel sampled near its band
// limit, refined between the samples with the windowed sinc.
double BandLimitedExtreme(std::span<const float> x, int from, int to, double sign) {
  int index = 0;
  const ParabolicPeak rough = Extreme(x, from, to, sign, &index);
  if (index <= 0 || index + 1 >= static_cast<int>(x.size())) return sign * rough.value;
  std::vector<double> local(2 * kSincDepth + 3);
  const int first = index - kSincDepth - 1;
  for (int i = 0; i < static_cast<int>(local.size()); ++i) {
    const int k = std::clamp(first + i, 0, static_cast<int>(x.size()) - 1);
    local[i] = sign * x[k];
  }
  return sign * RefinePeak(local, index - first).value;
}

}  // namespace

double NormalisedCorrelation(const float* a, const float* b, int n) {
  const double d = Energy(a, n) * Energy(b, n);
  return d > 0 ? Dot(a, b, n) / std::sqrt(d) : 0;
}

std::vector<PitchFrame> TrackPitch(std::span<const float> x, double rate, const VoiceMeasureOptions& options) {
  std::vector<PitchFrame> track;
  const int window = static_cast<int>(std::lround(3 * rate / options.pitchFloorHz));
  const int step = std::max(1, static_cast<int>(std::lround(0.01 * rate)));
  const int minLag = std::max(2, static_cast<int>(std::floor(rate / options.pitchCeilingHz)));
  const int maxLag = static_cast<int>(std::ceil(rate / options.pitchFloorHz));
  if (window < 4 || x.size() < static_cast<size_t>(window)) return track;
  const int size = PowerOfTwoAtLeast(window + maxLag + 2);
  RealFft fft(size);
  std::vector<double> frame(size), lagWindow(size), r(size), normalised(window, 0.0);
  std::vector<std::complex<double>> spectrum(size / 2 + 1);

  // The window's own autocorrelation, which the frame's is divided by.
  std::vector<double> hann(window);
  for (int i = 0; i < window; ++i) hann[i] = 0.5 - 0.5 * std::cos(2 * kPi * (i + 0.5) / window);
  std::fill(frame.begin(), frame.end(), 0.0);
  std::copy(hann.begin(), hann.end(), frame.begin());
  fft.Forward(frame.data(), spectrum.data());
  for (auto& c : spectrum) c = std::norm(c);
  fft.Inverse(spectrum.data(), lagWindow.data());

  std::vector<std::vector<Candidate>> candidates;
  float globalPeak = 0;
  for (float v : x) globalPeak = std::max(globalPeak, std::abs(v));

  for (size_t start = 0; start + window <= x.size(); start += step) {
    PitchFrame f;
    f.timeS = (start + window / 2.0) / rate;
    double mean = 0;
    for (int i = 0; i < window; ++i) mean += x[start + i];
    mean /= window;
    double localPeak = 0;
    for (int i = 0; i < window; ++i) localPeak = std::max(localPeak, std::abs(x[start + i] - mean));
    f.silent = globalPeak <= 0 || localPeak < kSilenceThreshold * globalPeak;
    if (f.silent) {
      track.push_back(f);
      candidates.emplace_back();
      continue;
    }
    std::fill(frame.begin(), frame.end(), 0.0);
    for (int i = 0; i < window; ++i) frame[i] = (x[start + i] - mean) * hann[i];
    fft.Forward(frame.data(), spectrum.data());
    for (auto& c : spectrum) c = std::norm(c);
    fft.Inverse(spectrum.data(), r.data());
    if (r[0] <= 0) {
      track.push_back(f);
      candidates.emplace_back();
      continue;
    }
    const int top = std::min(maxLag + kSincDepth + 1, window - 1);
    for (int k = 0; k <= top; ++k) normalised[k] = lagWindow[k] > 0 ? r[k] / r[0] / (lagWindow[k] / lagWindow[0]) : 0;
    std::vector<Candidate> found;
    for (int lag = minLag; lag <= maxLag && lag + 1 < window; ++lag) {
      const double a = normalised[lag - 1], b = normalised[lag], c = normalised[lag + 1];
      if (!(b > a && b >= c) || b < 0.5 * kVoicingThreshold) continue;
      const ParabolicPeak p = RefinePeak(normalised, lag);
      found.push_back({(lag + p.offset) / rate, std::min(p.value, 1.0)});
    }
    // The strongest lag, or the shortest lag of which it is a multiple (2 to 4 times, within 4 %)
    // when that is nearly as strong: multiples of the period score about as high as the period
    // itself once the window's correction has inflated long lags, and jitter spoils them less than
    // it spoils the period.
    const Candidate* best = nullptr;
    for (const auto& c : found)
      if (best == nullptr || c.strength > best->strength) best = &c;
    if (best != nullptr) {
      const Candidate* chosen = best;
      for (const auto& c : found) {
        if (&c == best || c.periodS >= best->periodS || c.strength < kMultipleTolerance * best->strength) continue;
        const double ratio = best->periodS / c.periodS;
        const double nearest = std::round(ratio);
        if (nearest >= 2 && nearest <= 4 && std::abs(ratio - nearest) < 0.04 * nearest) {
          chosen = &c;
          break;  // candidates come shortest first
        }
      }
      for (const auto& c : found) {
        // Not a multiple but as strong and shorter: the shorter one.
        if (c.periodS < chosen->periodS && c.strength >= kEqualTolerance * best->strength) {
          chosen = &c;
          break;
        }
      }
      f.periodS = chosen->periodS;
      f.strength = chosen->strength;
    }
    candidates.push_back(std::move(found));
    f.voiced = f.periodS > 0 && f.strength >= kVoicingThreshold;
    track.push_back(f);
  }
  FollowLocalMedian(track, candidates);
  return track;
}

AudioPeriods FindAudioPeriods(std::span<const float> x, double rate, std::span<const float> reduced,
                              double reducedRate, const std::vector<PitchFrame>& track,
                              const VoiceMeasureOptions& options) {
  AudioPeriods out;
  const double frameStep = track.size() > 1 ? track[1].timeS - track[0].timeS : 0.01;
  int stretchId = 0;
  for (size_t i = 0; i < track.size();) {
    if (!track[i].voiced) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j < track.size() && track[j].voiced) ++j;
    // Voiced frames i .. j - 1; the expected period at a time is the nearest frame's.
    auto expectedAt = [&](double sample) {
      const double t = sample / rate;
      size_t k = i + static_cast<size_t>(std::clamp((t - track[i].timeS) / frameStep + 0.5, 0.0, double(j - 1 - i)));
      return track[k].periodS * rate;
    };
    const double first = (track[i].timeS - frameStep / 2) * rate;
    const double last = std::min<double>((track[j - 1].timeS + frameStep / 2) * rate, x.size());
    double expected = expectedAt(first);
    int index = 0;
    const ParabolicPeak p0 = Extreme(x, static_cast<int>(first), static_cast<int>(first + expected), 1, &index);
    double mark = index + p0.offset;
    double previous = 0;  // the last period found in this stretch, samples
    while (true) {
      expected = expectedAt(mark);
      // A voice does not change its period by a third from one period to the next: where the track
      // jumps that far (an octave error it kept), the last period is the better guide.
      if (previous > 0 && std::max(expected, previous) > kMaxPeriodFactor * std::min(expected, previous))
        expected = previous;
      const int w = static_cast<int>(std::lround(expected));
      const int lo = static_cast<int>(std::floor(expected * (1 - kPeriodSearch)));
      const int hi = static_cast<int>(std::ceil(expected * (1 + kPeriodSearch)));
      LagMatch m;
      if (mark + expected > last) break;
      if (!BestLag(x, static_cast<int>(std::lround(mark)) - w / 4, w, lo, hi, &m) || m.r < kMarkCorrelation)
        break;
      AudioPeriodRow row;
      row.startS = mark / rate;
      row.periodMs = 1000 * m.lag / rate;
      row.f0Hz = rate / m.lag;
      const double toReduced = reducedRate / rate;
      const int a = static_cast<int>(std::lround((mark - m.lag / 4) * toReduced));
      const int b = static_cast<int>(std::lround((mark + 3 * m.lag / 4) * toReduced));
      const double top = BandLimitedExtreme(reduced, a, b, 1);
      const double bottom = BandLimitedExtreme(reduced, a, b, -1);
      row.amplitude = top - bottom;
      out.rows.push_back(row);
      out.stretch.push_back(stretchId);
      previous = m.lag;
      // The next mark: the waveform peak nearest one period on.
      const double next = mark + m.lag;
      const int from = static_cast<int>(std::lround(next - m.lag / 8));
      const int to = static_cast<int>(std::lround(next + m.lag / 8)) + 1;
      const ParabolicPeak p = Extreme(x, from, to, 1, &index);
      mark = (index > from && index + 1 < to) ? index + p.offset : next;
    }
    ++stretchId;
    i = j;
  }
  (void)options;
  return out;
}

namespace {
// mean |v(i) - v(i-1)| over pairs in one stretch whose ratio is below the period factor, divided by
// the mean of all v; in %.
double LocalPerturbationPercent(const AudioPeriods& periods, double AudioPeriodRow::*field, bool checkFactor) {
  const auto& rows = periods.rows;
  if (rows.size() < 2) return kNotMeasured;
  double sumDiff = 0, sum = 0;
  int pairs = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    sum += rows[i].*field;
    if (i == 0 || periods.stretch[i] != periods.stretch[i - 1]) continue;
    const double a = rows[i - 1].*field, b = rows[i].*field;
    if (checkFactor && std::max(a, b) > kMaxPeriodFactor * std::min(a, b)) continue;
    sumDiff += std::abs(b - a);
    ++pairs;
  }
  if (pairs == 0 || sum <= 0) return kNotMeasured;
  return 100 * (sumDiff / pairs) / (sum / rows.size());
}
}  // namespace

double LocalJitterPercent(const AudioPeriods& periods) {
  return LocalPerturbationPercent(periods, &AudioPeriodRow::periodMs, true);
}

double LocalShimmerPercent(const AudioPeriods& periods) {
  return LocalPerturbationPercent(periods, &AudioPeriodRow::amplitude, false);
}

double HarmonicsToNoiseDb(std::span<const float> x, double rate, const std::vector<PitchFrame>& track,
                          const VoiceMeasureOptions& options) {
  const int w = static_cast<int>(std::lround(rate / options.pitchFloorHz));
  double sum = 0;
  int frames = 0;
  for (const PitchFrame& f : track) {
    if (!f.voiced) continue;
    const double period = f.periodS * rate;
    const int lo = static_cast<int>(std::floor(period * 0.95));
    const int hi = static_cast<int>(std::ceil(period * 1.05)) + 1;
    int a = static_cast<int>(std::lround(f.timeS * rate - (w + period) / 2));
    a = std::clamp<int>(a, 0, std::max<int>(0, static_cast<int>(x.size()) - w - hi - 2));
    LagMatch m;
    if (!BestLag(x, a, w, lo, hi, &m)) continue;
    const double r = std::clamp(FractionalCorrelation(x, a, w, m.lag, m.r), 1e-7, 1 - 1e-7);
    sum += 10 * std::log10(r / (1 - r));
    ++frames;
  }
  return frames > 0 ? sum / frames : kNotMeasured;
}
