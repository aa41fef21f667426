// The whole program, headless on the real clock with the PortAudio devices, against the private
// sound server: it analyses the known stereo signal the pipe source delivers, then plays a
// recording that the sink's monitor hears frame for frame.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "display/sample_slots.h"
#include "files/recording_writer.h"
#include "platform/portaudio/portaudio_sound.h"
#include "pulse_server.h"
#include "scripting/session.h"
#include "signals/signals.h"
#include "support/spectrum_signals.h"

namespace {

using sounddev::kRate;

TEST(ProgramPath, TheLoopMeasuresTheSignalTheServerDeliversAndPlayFileSoundsTheFilesAudio) {
  sounddev::PulseServer server;
  if (!server.Ok()) GTEST_SKIP() << server.Error();
  // Audio: a 200 Hz harmonic series; EGG: a 200 Hz pulse train. Two seconds, looped.
  const int frames = kRate * 2;
  sounddev::PipeFeeder feeder(server.Fifo(), testsig::Interleave(testsig::HarmonicSeries(200, 12, 12000, kRate, frames),
                                                                 testsig::EggPulses(5.0, 0.5, 10000, kRate, frames)));
  ASSERT_TRUE(feeder.Ok());
  // A 3-second stereo recording: Audio and EGG channels of different noise.
  const size_t fileFrames = kRate * 3;
  const std::vector<int16_t> samples = testsig::Noise(7, 10000, fileFrames * 2);
  const std::string path = server.Dir() + "/take.wav";
  std::string error;
  ASSERT_TRUE(SaveSampleFile(path, 2, kRate, 16, samples, &error)) << error;

  auto sound = MakePortAudioSoundSystem();
  std::ostringstream out, err;
  SessionOptions options{.variant = 0, .realSound = sound.get(), .out = &out, .err = &err};  // Audio and EGG
  options.script = "set F0Measurement 1057\nclick 102\nwait 2500\nclick 105\nwait 300\ndump\nkey Escape\n";
  const int code = RunHeadlessSession(options);
  feeder.Stop();
  ASSERT_EQ(code, 0) << err.str();
  auto dump = nlohmann::json::parse(out.str());
  EXPECT_TRUE(dump["messages"].empty() && dump["mode"]["Frozen"] == 1) << dump["messages"].dump();
  EXPECT_NEAR(dump["loop"]["F0A"].get<int>(), 200, 11);  // within one bin (22050 / 2048 Hz)
  // The displayed spectrum peaks at the fundamental or one of its first harmonics' bins.
  const auto& s = Samples.SpectrumA;
  const double harmonic = (std::max_element(s.begin() + 5, s.begin() + 400) - s.begin()) * 22050.0 / 2048.0 / 200.0;
  EXPECT_TRUE(std::abs(harmonic - std::round(harmonic)) < 0.06 && harmonic > 0.9) << harmonic;

  sounddev::MonitorRecorder recorder(server.Monitor(), server.Dir() + "/heard.raw");
  ASSERT_TRUE(recorder.WaitUntilRecording(5000));
  out.str("");
  options.script = "answer file " + path + "\nclick 103\nwait 3500\ndump\nkey Escape\n";
  ASSERT_EQ(RunHeadlessSession(options), 0) << err.str();
  const auto heard = recorder.Finish();
  EXPECT_TRUE(nlohmann::json::parse(out.str())["messages"].empty()) << out.str();
  // The full variant sounds only the Audio channel of a stereo file, a little below full scale, in
  // both ears. Stretches of 300 frames from what was played (about 80 % of the file plays before the
  // near-end freeze); a busy machine may lose one to an underrun, most must arrive exactly.
  int found = 0;
  for (size_t first : {size_t{2000}, fileFrames / 3, fileFrames / 2}) {
    std::vector<int16_t> e(600);
    for (size_t f = 0; f < 300; ++f) e[2 * f] = e[2 * f + 1] = static_cast<int16_t>(samples[2 * (first + f)] * 0xF000 / 0xFFFF);
    found += sounddev::FindFrames(heard, e.data(), 300) >= 0;
  }
  EXPECT_GE(found, 2) << "heard " << heard.size() / 2 << " frames";
}

}  // namespace
