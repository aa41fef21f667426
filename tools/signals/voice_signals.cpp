#include "signals/voice_signals.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace testsig {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Formant {
  double hz, bandwidthHz, gain;
};
constexpr Formant kFormants[] = {{700, 130, 1.0}, {1100, 160, 0.7}, {2600, 250, 0.3}};
constexpr double kTailS = 0.04;  // a response is cut after this (it has decayed below 1e-7)

double Response(double t) {
  double v = 0;
  for (const auto& f : kFormants) v += f.gain * std::exp(-kPi * f.bandwidthHz * t) * std::sin(2 * kPi * f.hz * t);
  return v;
}

// Contact 0..1 at time t in a cycle that closes at 0 and lasts `period` seconds.
double Contact(const KnownVoiceSpec& s, double t, double period) {
  const double close = s.closingMs / 1000, open = s.openingMs / 1000, mid = s.closedQuotient * period;
  if (t < -close / 2) return 0;
  if (t < close / 2) return 0.5 - 0.5 * std::cos(kPi * (t + close / 2) / close);
  if (t < mid - open / 2) return 1;
  if (t < mid + open / 2) return 0.5 + 0.5 * std::cos(kPi * (t - (mid - open / 2)) / open);
  return 0;
}

double LocalPercent(const std::vector<double>& v) {
  double diff = 0, sum = 0;
  for (size_t i = 0; i < v.size(); ++i) {
    sum += v[i];
    if (i > 0) diff += std::abs(v[i] - v[i - 1]);
  }
  return v.size() > 1 ? 100 * (diff / (v.size() - 1)) / (sum / v.size()) : 0;
}

void AddNoise(std::vector<float>& x, double snrDb, std::mt19937& rng) {
  if (snrDb >= 150 || x.empty()) return;
  double mean = 0, power = 0;
  for (float v : x) mean += v;
  mean /= x.size();
  for (float v : x) power += (v - mean) * (v - mean);
  power /= x.size();
  std::normal_distribution<double> noise(0, std::sqrt(power) * std::pow(10, -snrDb / 20));
  for (float& v : x) v = static_cast<float>(v + noise(rng));
}

}  // namespace

KnownVoice MakeKnownVoice(const KnownVoiceSpec& s) {
  KnownVoice out;
  KnownVoiceTruth& truth = out.truth;
  std::mt19937 rng(s.seed);
  std::normal_distribution<double> gauss(0, 1);
  const double t0 = 1 / s.f0Hz;
  for (double t = 0.005; t < s.seconds + t0; t += truth.periodsS.back()) {
    truth.closingsS.push_back(t);
    truth.periodsS.push_back(t0 * (1 + s.jitterPercent / 100 * gauss(rng)));
    truth.amplitudes.push_back(1 + s.shimmerPercent / 100 * gauss(rng));
  }
  const size_t frames = static_cast<size_t>(s.seconds * s.rate);
  out.audio.assign(frames, 0.0f);
  out.egg.assign(frames, 0.0f);
  std::vector<double> audio(frames, 0.0);
  for (size_t i = 0; i < truth.closingsS.size(); ++i) {
    const double start = truth.closingsS[i];
    const size_t first = static_cast<size_t>(std::ceil(start * s.rate));
    for (size_t n = first; n < frames && n < first + static_cast<size_t>(kTailS * s.rate); ++n)
      audio[n] += truth.amplitudes[i] * Response(n / double(s.rate) - start);
  }
  double largest = 0;
  for (double v : audio) largest = std::max(largest, std::abs(v));
  for (size_t n = 0; n < frames; ++n) out.audio[n] = static_cast<float>(largest > 0 ? audio[n] / largest * s.peak : 0);

  // The EGG: each sample belongs to the cycle whose closing edge started before it.
  size_t cycle = 0;
  const double halfClose = s.closingMs / 2000;
  for (size_t n = 0; n < frames; ++n) {
    const double t = n / double(s.rate);
    while (cycle + 1 < truth.closingsS.size() && t >= truth.closingsS[cycle + 1] - halfClose) ++cycle;
    const double c = Contact(s, t - truth.closingsS[cycle], truth.periodsS[cycle]);
    out.egg[n] = static_cast<float>(-s.eggAmplitude * (2 * c - 1));
  }
  // Shimmer is defined on the periods' peak-to-peak amplitudes; the responses overlap a little, so
  // the truth is taken from the clean signal, cycle by cycle (the largest and smallest sample, each
  // refined with a parabola).
  auto extreme = [&](size_t a, size_t b, double sign) {
    size_t best = a;
    for (size_t n = a; n < b; ++n)
      if (sign * out.audio[n] > sign * out.audio[best]) best = n;
    if (best == 0 || best + 1 >= frames) return double(out.audio[best]);
    const double y0 = sign * out.audio[best - 1], y1 = sign * out.audio[best], y2 = sign * out.audio[best + 1];
    const double d = y0 - 2 * y1 + y2;
    return sign * (d < 0 ? y1 - (y0 - y2) * (y0 - y2) / (8 * d) : y1);
  };
  truth.amplitudes.assign(truth.closingsS.size(), 0.0);
  for (size_t i = 0; i + 1 < truth.closingsS.size(); ++i) {
    const size_t a = static_cast<size_t>(std::ceil(truth.closingsS[i] * s.rate));
    const size_t b = std::min(frames, static_cast<size_t>(std::ceil(truth.closingsS[i + 1] * s.rate)));
    if (a < b) truth.amplitudes[i] = extreme(a, b, 1) - extreme(a, b, -1);
  }
  AddNoise(out.audio, s.noiseDb, rng);
  AddNoise(out.egg, s.eggNoiseDb, rng);

  // The truths over the cycles that lie wholly in the signal.
  truth.periodsS.resize(truth.closingsS.size() - 1);
  truth.amplitudes.resize(truth.periodsS.size());
  const double close = s.closingMs / 1000, open = s.openingMs / 1000;
  std::vector<double> inside, insideAmplitudes;
  std::array<double, 5> cqSum{};
  double f0Sum = 0;
  for (size_t i = 0; i < truth.periodsS.size(); ++i) {
    const double T = truth.periodsS[i];
    if (truth.closingsS[i] - close < 0 || truth.closingsS[i + 1] + close > s.seconds) continue;
    inside.push_back(T);
    insideAmplitudes.push_back(truth.amplitudes[i]);
    f0Sum += 1 / T;
    const double mid = s.closedQuotient * T;
    // Rise crosses level k at -close/2 + close/pi acos(1 - 2k); fall at mid - open/2 + open/pi acos(2k - 1).
    auto rise = [&](double k) { return -close / 2 + close / kPi * std::acos(1 - 2 * k); };
    auto fall = [&](double k) { return mid - open / 2 + open / kPi * std::acos(2 * k - 1); };
    const double levels[] = {0.25, 0.35, 0.5};
    for (int m = 0; m < 3; ++m) cqSum[m] += (fall(levels[m]) - rise(levels[m])) / T;
    cqSum[3] += fall(3.0 / 7.0) / T;
    cqSum[4] += mid / T;
  }
  const double n = static_cast<double>(inside.size());
  truth.f0MeanHz = n > 0 ? f0Sum / n : 0;
  for (int m = 0; m < 5; ++m) truth.cqMean[m] = n > 0 ? cqSum[m] / n : 0;
  truth.jitterLocalPercent = LocalPercent(inside);
  truth.shimmerLocalPercent = LocalPercent(insideAmplitudes);
  return out;
}

std::vector<float> StereoFrames(const KnownVoice& voice) {
  std::vector<float> frames(2 * voice.audio.size());
  for (size_t i = 0; i < voice.audio.size(); ++i) {
    frames[2 * i] = voice.audio[i];
    frames[2 * i + 1] = voice.egg[i];
  }
  return frames;
}

std::vector<int16_t> ToInt16(const std::vector<float>& samples) {
  std::vector<int16_t> out(samples.size());
  for (size_t i = 0; i < samples.size(); ++i)
    out[i] = static_cast<int16_t>(std::lround(std::clamp(samples[i] * 32768.0, -32768.0, 32767.0)));
  return out;
}

}  // namespace testsig
