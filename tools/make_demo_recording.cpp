// make_demo_recording: writes the demo recording that `./run` plays when it is given no file: a sung
// /a/ with vibrato (channel 0, Audio) and its glottogram (channel 1, EGG), so that every display
// moves at once with no microphone.
//
//   make_demo_recording --out samples/demo.wav [--seconds 6] [--rate 22050] [--f0 196]
//                       [--vibrato-hz 5.5] [--vibrato-cents 60] [--cq 0.45]
//
// The voice follows f0 x 2^(cents/1200 x sin(2 pi vibrato t)), with a slow swell of loudness. Each
// cycle is built from the cycle phase, so the glottogram's contact phase lasts cq of every cycle
// whatever its length, and the harmonics keep their formant emphasis near 700, 1100 and 2600 Hz.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "files/recording_writer.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

double FormantGain(double hz) {
  auto peak = [&](double centre, double width) { return 1.0 / (1.0 + std::pow((hz - centre) / width, 2)); };
  return 0.15 + peak(700, 150) + 0.8 * peak(1100, 180) + 0.35 * peak(2600, 300);
}

// The glottogram at cycle phase `ph` (0..1): contact (low) from 0 to cq, smooth edges.
double Egg(double ph, double cq) {
  const double closing = 0.04, opening = 0.12;
  if (ph < closing) return 1.0 - 2.0 * (ph / closing);
  if (ph < cq - opening / 2) return -1.0;
  if (ph < cq + opening / 2) return -1.0 + 2.0 * (ph - (cq - opening / 2)) / opening;
  if (ph < 1.0 - closing) return 1.0;
  return 1.0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Write the demo recording: a sung vowel with vibrato and its glottogram"};
  std::string out;
  double seconds = 6, f0 = 196, vibratoHz = 5.5, vibratoCents = 60, cq = 0.45;
  int rate = 22050;
  app.add_option("--out", out, "WAV file to write")->required();
  app.add_option("--seconds", seconds, "Length, s")->check(CLI::Range(1.0, 60.0))->capture_default_str();
  app.add_option("--rate", rate, "Frames per second")->check(CLI::Range(8000, 48000))->capture_default_str();
  app.add_option("--f0", f0, "Mean fundamental, Hz")->check(CLI::Range(60.0, 600.0))->capture_default_str();
  app.add_option("--vibrato-hz", vibratoHz, "Vibrato rate, Hz")->check(CLI::Range(0.0, 12.0))->capture_default_str();
  app.add_option("--vibrato-cents", vibratoCents, "Vibrato depth, cents")->check(CLI::Range(0.0, 300.0))->capture_default_str();
  app.add_option("--cq", cq, "Closed quotient of the glottogram")->check(CLI::Range(0.2, 0.8))->capture_default_str();
  CLI11_PARSE(app, argc, argv);

  const int frames = static_cast<int>(seconds * rate);
  const int harmonics = static_cast<int>(4000 / (f0 * 1.1));
  double norm = 0;
  for (int k = 1; k <= harmonics; ++k) norm += FormantGain(k * f0) / k;
  std::vector<int16_t> data(static_cast<size_t>(frames) * 2);
  double phase = 0;  // cycles
  for (int n = 0; n < frames; ++n) {
    const double t = static_cast<double>(n) / rate;
    const double f = f0 * std::pow(2.0, vibratoCents / 1200.0 * std::sin(2 * kPi * vibratoHz * t));
    const double ph = phase - std::floor(phase);
    double a = 0;
    for (int k = 1; k <= harmonics && k * f < rate / 2.0; ++k) a += FormantGain(k * f) / k * std::sin(2 * kPi * k * ph);
    // Fade in and out over 0.2 s, and a slow swell.
    const double fade = std::min({1.0, t / 0.2, (seconds - t) / 0.2});
    const double swell = 0.75 + 0.25 * std::sin(2 * kPi * 0.3 * t);
    data[2 * n] = static_cast<int16_t>(std::lround(14000 * fade * swell * a / norm));
    data[2 * n + 1] = static_cast<int16_t>(std::lround(11000 * fade * Egg(ph, cq)));
    phase += f / rate;
  }
  std::string error;
  if (!SaveSampleFile(out, 2, rate, 16, reinterpret_cast<const uint8_t*>(data.data()), data.size() * 2, &error)) {
    std::fprintf(stderr, "%s: %s\n", out.c_str(), error.c_str());
    return 1;
  }
  std::printf("%s: %d Hz stereo, %.2f s, f0 %.0f Hz, vibrato %.1f Hz +-%.0f cents, CQ %.2f\n", out.c_str(), rate,
              seconds, f0, vibratoHz, vibratoCents, cq);
  return 0;
}
