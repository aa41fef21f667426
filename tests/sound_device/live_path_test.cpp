// The whole program analysing live sound that arrives through the real device path: a private
// sound server's pipe source hears a known stereo signal, the program runs headless on the real
// clock with the PortAudio devices, and what it measured is checked against what was fed.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include <nlohmann/json.hpp>

#include "display/sample_slots.h"
#include "platform/portaudio/portaudio_sound.h"
#include "pulse_server.h"
#include "scripting/session.h"
#include "support/signals.h"

namespace {

TEST(LivePath, TheLoopMeasuresTheSignalTheServerDelivers) {
  sounddev::PulseServer server;
  ASSERT_TRUE(server.Ok()) << server.Error();
  // Audio: a 200 Hz harmonic series; EGG: a 200 Hz pulse train. Two seconds, looped.
  const int frames = sounddev::kRate * 2;
  auto audio = testsig::HarmonicSeries(200, 12, 12000, sounddev::kRate, frames);
  auto egg = testsig::EggPulses(5.0, 0.5, 10000, sounddev::kRate, frames);
  sounddev::PipeFeeder feeder(server.Fifo(), testsig::Interleave(audio, egg));
  ASSERT_TRUE(feeder.Ok());

  auto sound = MakePortAudioSoundSystem();
  SessionOptions options;
  options.variant = 0;  // Audio and EGG
  options.realSound = sound.get();
  options.script =
      "set F0Measurement 1057\n"
      "click 102\n"
      "wait 2500\n"
      "click 105\n"
      "wait 300\n"
      "dump\n"
      "key Escape\n";
  std::ostringstream out, err;
  options.out = &out;
  options.err = &err;
  const int code = RunHeadlessSession(options);
  feeder.Stop();
  ASSERT_EQ(code, 0) << err.str();

  const auto dump = nlohmann::json::parse(out.str());
  EXPECT_TRUE(dump["messages"].empty()) << dump["messages"].dump();
  EXPECT_EQ(dump["mode"]["Frozen"], 1);
  // F0 within one bin (22050 / 2048 Hz) of the fundamental.
  const int f0 = dump["loop"]["F0A"];
  EXPECT_NEAR(f0, 200, 11);
  // The displayed spectrum peaks at the fundamental or one of its first harmonics' bins.
  const auto& s = Samples.SpectrumA;
  const int peak = static_cast<int>(std::max_element(s.begin() + 5, s.begin() + 400) - s.begin());
  const double peakHz = peak * 22050.0 / 2048.0;
  const double harmonic = peakHz / 200.0;
  EXPECT_NEAR(harmonic, std::round(harmonic), 0.06) << peakHz;
  EXPECT_GE(std::round(harmonic), 1);
}

}  // namespace
