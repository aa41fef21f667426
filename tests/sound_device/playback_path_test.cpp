// Play File through the real device path: the whole program plays a recording through PortAudio
// to the private server's null sink, and the sink's monitor hears the file's frames.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include <nlohmann/json.hpp>

#include "files/recording_writer.h"
#include "platform/portaudio/portaudio_sound.h"
#include "pulse_server.h"
#include "scripting/session.h"

namespace {

// Noise-like values from a fixed seed: any few hundred frames of it occur in one place only.
std::vector<int16_t> Noise(size_t values, uint32_t seed) {
  std::vector<int16_t> v(values);
  uint32_t x = seed;
  for (auto& s : v) {
    x = x * 1664525u + 1013904223u;
    s = static_cast<int16_t>(static_cast<int32_t>(x >> 16) % 20000 - 10000);
  }
  return v;
}

TEST(PlaybackPath, TheSinkHearsTheFilesFramesOnTheAudioSide) {
  sounddev::PulseServer server;
  if (!server.Ok()) GTEST_SKIP() << server.Error();
  // A 3-second stereo recording: Audio and EGG channels of different noise.
  const size_t frames = sounddev::kRate * 3;
  std::vector<int16_t> samples = Noise(frames * 2, 7);
  const std::string path = server.Dir() + "/take.wav";
  std::string error;
  ASSERT_TRUE(SaveSampleFile(path, 2, sounddev::kRate, 16, samples, &error)) << error;

  sounddev::MonitorRecorder recorder(server.Monitor(), server.Dir() + "/heard.raw");
  ASSERT_TRUE(recorder.Ok());
  ASSERT_TRUE(recorder.WaitUntilRecording(5000));

  auto sound = MakePortAudioSoundSystem();
  SessionOptions options;
  options.variant = 0;
  options.realSound = sound.get();
  options.script = "answer file " + path + "\nclick 103\nwait 3500\ndump\nkey Escape\n";
  std::ostringstream out, err;
  options.out = &out;
  options.err = &err;
  ASSERT_EQ(RunHeadlessSession(options), 0) << err.str();
  const auto heard = recorder.Finish();
  const auto dump = nlohmann::json::parse(out.str());
  EXPECT_TRUE(dump["messages"].empty()) << dump["messages"].dump();

  // The full variant sounds only the Audio channel of a stereo file, a little below full scale,
  // in both ears.
  auto expected = [&](size_t first, size_t count) {
    std::vector<int16_t> e(count * 2);
    for (size_t f = 0; f < count; ++f) {
      e[2 * f] = static_cast<int16_t>(samples[2 * (first + f)] * 0xF000 / 0xFFFF);
      e[2 * f + 1] = e[2 * f];
    }
    return e;
  };
  // Stretches of 300 frames from the start and the middle of what was played (the file plays
  // about 80 % of its length before the near-end freeze).
  int found = 0;
  for (size_t first : {size_t{2000}, frames / 3, frames / 2}) {
    const auto needle = expected(first, 300);
    if (sounddev::FindFrames(heard, needle.data(), 300) >= 0) ++found;
  }
  // A busy machine may lose a stretch to an underrun; most must arrive exactly.
  EXPECT_GE(found, 2) << "heard " << heard.size() / 2 << " frames";
}

}  // namespace
