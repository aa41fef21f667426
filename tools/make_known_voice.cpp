// make_known_voice: writes a sustained vowel with its glottogram whose measures are known, and
// prints the truth as one JSON line, for checking the voice report (and other tools) against it.
//
//   make_known_voice --out FILE.wav [--f0 125] [--jitter 0] [--shimmer 0] [--noise-db 200]
//                    [--egg-noise-db 200] [--cq 0.45] [--closing-ms 0.5] [--opening-ms 1.5]
//                    [--seconds 2] [--rate 44100] [--mono] [--seed 1]
//                    [--format pcm16|pcm24|pcm32|float32] [--extensible] [--bext BYTES]
//
// Channel 0 (Audio) is a train of formant responses (700, 1100, 2600 Hz) started at each glottal
// closure; --jitter and --shimmer are the SDs (%) of the periods' and amplitudes' relative
// perturbation; --noise-db the Audio's signal-to-noise ratio. Channel 1 (EGG) has raised-cosine
// closing and opening edges of the given lengths, the opening edge centred cq x period after the
// closure, so every closed-quotient method's answer is known. 16-bit PCM unless --format says
// otherwise; --extensible writes the extensible format record, --bext a broadcast chunk before it.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>

#include "signals/voice_signals.h"
#include "signals/wave_encoding.h"

int main(int argc, char** argv) {
  CLI::App app{"Write a sustained vowel with its glottogram whose measures are known"};
  std::string out;
  testsig::KnownVoiceSpec s;
  bool mono = false;
  app.add_option("--out", out, "WAV file to write")->required();
  app.add_option("--f0", s.f0Hz, "F0, Hz")->check(CLI::Range(50.0, 600.0))->capture_default_str();
  app.add_option("--jitter", s.jitterPercent, "Period perturbation SD, %")->check(CLI::Range(0.0, 10.0));
  app.add_option("--shimmer", s.shimmerPercent, "Amplitude perturbation SD, %")->check(CLI::Range(0.0, 30.0));
  app.add_option("--noise-db", s.noiseDb, "Audio signal-to-noise ratio, dB");
  app.add_option("--egg-noise-db", s.eggNoiseDb, "EGG signal-to-noise ratio, dB");
  app.add_option("--cq", s.closedQuotient, "Closure to mid-opening, / period")->check(CLI::Range(0.2, 0.8));
  app.add_option("--closing-ms", s.closingMs, "Closing edge, ms")->check(CLI::Range(0.05, 3.0));
  app.add_option("--opening-ms", s.openingMs, "Opening edge, ms")->check(CLI::Range(0.05, 5.0));
  app.add_option("--seconds", s.seconds, "Length, s")->check(CLI::Range(1.0, 3600.0))->capture_default_str();
  app.add_option("--rate", s.rate, "Frames per second")->check(CLI::Range(8000, 192000))->capture_default_str();
  app.add_option("--seed", s.seed, "Random seed");
  app.add_flag("--mono", mono, "Audio only");
  std::string format = "pcm16";
  testsig::WaveLayout layout;
  app.add_option("--format", format, "Sample format")
      ->check(CLI::IsMember({"pcm16", "pcm24", "pcm32", "float32"}))
      ->capture_default_str();
  app.add_flag("--extensible", layout.extensible, "Extensible format record");
  app.add_option("--bext", layout.bextBytes, "Bytes of a broadcast chunk before the format")->check(CLI::Range(0, 100000));
  CLI11_PARSE(app, argc, argv);

  const auto voice = testsig::MakeKnownVoice(s);
  const auto& samples = mono ? voice.audio : testsig::StereoFrames(voice);
  layout.coding = format == "pcm24"     ? testsig::WaveCoding::Pcm24
                  : format == "pcm32"   ? testsig::WaveCoding::Pcm32
                  : format == "float32" ? testsig::WaveCoding::Float32
                                        : testsig::WaveCoding::Pcm16;
  if (!testsig::WriteWaveFile(out, samples, mono ? 1 : 2, s.rate, layout)) {
    std::fprintf(stderr, "%s: Cannot Write File\n", out.c_str());
    return 1;
  }
  const auto& t = voice.truth;
  std::printf(
      "{\"file\":\"%s\",\"f0_mean_hz\":%.4f,\"jitter_local_percent\":%.4f,\"shimmer_local_percent\":%.4f,"
      "\"noise_db\":%.1f,\"cq\":{\"criterion_25\":%.4f,\"criterion_35\":%.4f,\"criterion_50\":%.4f,"
      "\"hybrid_3_7\":%.4f,\"degg\":%.4f},\"cycles\":%zu}\n",
      out.c_str(), t.f0MeanHz, t.jitterLocalPercent, t.shimmerLocalPercent, s.noiseDb, t.cqMean[0], t.cqMean[1],
      t.cqMean[2], t.cqMean[3], t.cqMean[4], t.periodsS.size());
  return 0;
}
