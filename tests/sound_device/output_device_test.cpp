// Playback through PortAudio to the private server's null sink, heard through its monitor.
#include <gtest/gtest.h>

#include <cstring>

#include "device_test_util.h"
#include "platform/portaudio/portaudio_sound.h"
#include "pulse_server.h"

namespace sounddev {
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

std::vector<uint8_t> Bytes(const std::vector<int16_t>& v) {
  std::vector<uint8_t> b(v.size() * 2);
  std::memcpy(b.data(), v.data(), b.size());
  return b;
}

int16_t Scaled(int16_t v, uint32_t level) { return static_cast<int16_t>(v * static_cast<int32_t>(level) / 0xFFFF); }

class OutputDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    ListenForNotifications();
    if (!server.Ok()) GTEST_SKIP() << server.Error();
    system = MakePortAudioSoundSystem();
  }
  void TearDown() override {
    if (output) output->Close();
    output.reset();
    system.reset();
  }
  // Plays `data` and waits for its end.
  void PlayToEnd(const std::vector<uint8_t>& data, int loops) {
    const size_t before = Count(MM_WOM_DONE);
    ASSERT_TRUE(output->Write(data.data(), data.size(), loops));
    ASSERT_TRUE(PumpUntil([&] { return Count(MM_WOM_DONE) > before; }, 5000)) << "no MM_WOM_DONE at the end";
  }

  PulseServer server;
  std::unique_ptr<SoundSystem> system;
  std::unique_ptr<SoundOutput> output;
};

TEST_F(OutputDevice, TheSinkReceivesThePlayedFramesWithTheVolumeOfEachSide) {
  MonitorRecorder recorder(server.Monitor(), server.Dir() + "/heard.raw");
  ASSERT_TRUE(recorder.Ok()) << "parec did not start";
  ASSERT_TRUE(recorder.WaitUntilRecording(5000)) << "the sink's monitor delivers nothing";
  output = system->OpenOutput(SoundFormat{2, kRate, 16});
  ASSERT_NE(output, nullptr) << "the default playback device did not open";

  // Stereo at full volume, a block played twice; then the same length with the right side off.
  const size_t frames = kRate / 4;
  const auto first = Noise(frames * 2, 1);
  const auto second = Noise(frames * 2, 2);
  PlayToEnd(Bytes(first), 2);
  EXPECT_EQ(output->PositionFrames(), static_cast<int64_t>(2 * frames));
  output->SetVolume(0xFFFF, 0);
  PlayToEnd(Bytes(second), 1);
  EXPECT_EQ(Count(MM_WOM_DONE), 2u);
  output->Close();
  output.reset();

  // A mono sound sounds on both sides, each at its own level.
  output = system->OpenOutput(SoundFormat{1, kRate, 16});
  ASSERT_NE(output, nullptr);
  const auto mono = Noise(frames, 3);
  output->SetVolume(0xF000, 0xFFFF);
  PlayToEnd(Bytes(mono), 1);
  PumpUntil([] { return false; }, 300);  // let the monitor catch up
  const auto heard = recorder.Finish();
  ASSERT_GT(heard.size(), frames * 2 * 3) << "the monitor recorded too little";

  // Spot checks: stretches of 300 frames from the start, middle and end of the block are found
  // in what the sink played, exactly; the block was played twice, so each is heard twice, but a
  // machine too busy to feed the device in time may lose a stretch of one pass: once is enough
  // for each, twice for at least one.
  constexpr size_t kSpot = 300;
  int heardTwice = 0;
  for (size_t at : {size_t{0}, frames / 2, frames - kSpot}) {
    const long a = FindFrames(heard, first.data() + 2 * at, kSpot);
    EXPECT_GE(a, 0) << "frames from " << at << " were not heard";
    if (a < 0) continue;
    const std::vector<int16_t> rest(heard.begin() + 2 * (a + 1), heard.end());
    heardTwice += FindFrames(rest, first.data() + 2 * at, kSpot) >= 0;
  }
  EXPECT_GE(heardTwice, 1) << "the second pass of the looped block was not heard";

  // With the right side at 0, the left channel alone is heard, in both ears.
  std::vector<int16_t> secondLeft(kSpot * 2, 0);
  for (size_t f = 0; f < kSpot; ++f) secondLeft[2 * f] = secondLeft[2 * f + 1] = second[2 * (2000 + f)];
  EXPECT_GE(FindFrames(heard, secondLeft.data(), kSpot), 0)
      << "the left channel is not heard alone on both sides";

  std::vector<int16_t> monoBoth(kSpot * 2);
  for (size_t f = 0; f < kSpot; ++f) {
    monoBoth[2 * f] = Scaled(mono[3000 + f], 0xF000);
    monoBoth[2 * f + 1] = mono[3000 + f];
  }
  EXPECT_GE(FindFrames(heard, monoBoth.data(), kSpot), 0) << "mono sound not on both sides at their levels";
}

TEST_F(OutputDevice, ResetEndsPlaybackEarlyWithItsNotification) {
  output = system->OpenOutput(SoundFormat{2, kRate, 16});
  ASSERT_NE(output, nullptr);
  const auto data = Bytes(Noise(kRate * 2, 4));  // one second
  ASSERT_TRUE(output->Write(data.data(), data.size(), 3));
  ASSERT_TRUE(PumpUntil([&] { return output->PositionFrames() > kRate / 5; }, 3000));
  EXPECT_EQ(Count(MM_WOM_DONE), 0u);
  const auto t = std::chrono::steady_clock::now();
  output->Reset();
  ASSERT_TRUE(PumpUntil([] { return Count(MM_WOM_DONE) == 1; }, 1000));
  EXPECT_LT(MsSince(t), 1000.0);
  EXPECT_EQ(output->PositionFrames(), 0);
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(Count(MM_WOM_DONE), 1u);  // and nothing more plays
  EXPECT_EQ(output->PositionFrames(), 0);
}

TEST_F(OutputDevice, AServerThatVanishesEndsThePlaybackAndNothingHangs) {
  output = system->OpenOutput(SoundFormat{2, kRate, 16});
  ASSERT_NE(output, nullptr);
  const auto data = Bytes(Noise(kRate * 2, 5));
  ASSERT_TRUE(output->Write(data.data(), data.size(), 10));
  ASSERT_TRUE(PumpUntil([&] { return output->PositionFrames() > kRate / 5; }, 3000));
  server.Stop();
  EXPECT_TRUE(PumpUntil([] { return Count(MM_WOM_DONE) == 1; }, 3000)) << "a dead device never ended";
  const auto t = std::chrono::steady_clock::now();
  output->Reset();
  output->Close();
  EXPECT_LT(MsSince(t), 5000.0);
  EXPECT_FALSE(output->Write(data.data(), data.size(), 1));
}

}  // namespace
}  // namespace sounddev
