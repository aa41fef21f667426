// make_voice_sample: writes a stereo recording of a sung vowel with its glottogram, for trying the
// signal panels and their cycle measures on a file whose answers are known.
//
//   make_voice_sample --out FILE.wav [--period-ms 8] [--cq 0.45] [--seconds 3] [--rate 22050]
//
// Channel 0 (Audio) is a steady /a/ on f0 = 1000 / period; channel 1 (EGG) is a trapezoid
// glottogram of the same period whose contact phase (the signal below its half-amplitude line,
// drawn above the criterion line with the glottogram polarity Plus) lasts cq of each cycle. On a
// frozen display of this file the panels read CQ = cq, Period = period and F0 = 1000 / period
// rounded half up, within one pixel column. The values are printed on success.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "files/recording_file.h"
#include "signals/egg_signals.h"
#include "signals/signals.h"

int main(int argc, char** argv) {
  CLI::App app{"Write a stereo WAV of a sung vowel (Audio) with its glottogram (EGG)"};
  std::string out;
  testsig::EggShape shape;
  double seconds = 3;
  int rate = 22050;
  app.add_option("--out", out, "WAV file to write")->required();
  app.add_option("--period-ms", shape.periodMs, "Period of the voice, ms")
      ->check(CLI::Range(2.0, 20.0))
      ->capture_default_str();
  app.add_option("--cq", shape.closedQuotient, "Closed quotient of the glottogram")
      ->check(CLI::Range(0.2, 0.8))
      ->capture_default_str();
  app.add_option("--seconds", seconds, "Length, s")->check(CLI::Range(1.0, 60.0))->capture_default_str();
  app.add_option("--rate", rate, "Frames per second")->check(CLI::Range(8000, 48000))->capture_default_str();
  CLI11_PARSE(app, argc, argv);

  const int frames = static_cast<int>(seconds * rate);
  const auto audio = testsig::SungVowel(shape, 16000, rate, frames);
  const auto egg = testsig::EggCycles(shape, rate, frames);
  std::string error;
  if (!SaveSampleFile(out, 2, rate, 16, testsig::Interleave(audio, egg), &error)) {
    std::fprintf(stderr, "%s: %s\n", out.c_str(), error.c_str());
    return 1;
  }
  const double f0 = 1000.0 / shape.periodMs;
  std::printf("%s: %d Hz stereo, %.2f s, CQ %.2f, period %.2f ms, F0 %.0f Hz\n", out.c_str(), rate, seconds,
              shape.closedQuotient, shape.periodMs, std::floor(f0 + 0.5));
  return 0;
}
