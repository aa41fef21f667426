// Capture through PortAudio from the private server's pipe source, fed with a known signal.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "device_test_util.h"
#include "platform/portaudio/portaudio_sound.h"
#include "pulse_server.h"
#include "support/signals.h"

namespace sounddev {
namespace {

// 441 Hz on the left and 1102.5 Hz on the right: both repeat exactly every 100 frames, so the
// looped table is seamless and any captured stretch matches it at exactly one phase.
constexpr int kPeriod = 100;
std::vector<int16_t> FedSignal() {
  return testsig::Interleave(testsig::Sine(441.0, 8000.0, kRate, kPeriod),
                             testsig::Sine(1102.5, 6000.0, kRate, kPeriod, 0.7));
}

size_t FramesMatchingFed(const std::vector<uint8_t>& buffer) {
  return FramesMatchingLoop(buffer, FedSignal());
}

class InputDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    ListenForNotifications();
    if (!server.Ok()) GTEST_SKIP() << server.Error();
    feeder = std::make_unique<PipeFeeder>(server.Fifo(), FedSignal());
    ASSERT_TRUE(feeder->Ok()) << "cannot write the pipe source " << server.Fifo();
    system = MakePortAudioSoundSystem();
    input = system->OpenInput(SoundFormat{2, kRate, 16});
    ASSERT_NE(input, nullptr) << "the default capture device did not open";
  }
  void TearDown() override {
    if (input) input->Close();
    input.reset();
    system.reset();
    if (feeder) feeder->Stop();  // only after the stream is stopped: the pipe must not run dry
  }

  PulseServer server;
  std::unique_ptr<PipeFeeder> feeder;
  std::unique_ptr<SoundSystem> system;
  std::unique_ptr<SoundInput> input;
  static constexpr size_t kBufferBytes = kRate / 2 * 4;  // half a second of stereo frames
  std::vector<uint8_t> buffer0 = std::vector<uint8_t>(kBufferBytes, 0xAA);
  std::vector<uint8_t> buffer1 = std::vector<uint8_t>(kBufferBytes, 0xAA);
};

TEST_F(InputDevice, FillsBothBuffersWithTheFedSignalThenStopsResetsAndCloses) {
  ASSERT_TRUE(input->AddBuffer(0, buffer0.data(), buffer0.size()));
  ASSERT_TRUE(input->AddBuffer(1, buffer1.data(), buffer1.size()));
  ASSERT_TRUE(input->Start());
  ASSERT_TRUE(PumpUntil([] { return Count(MM_WIM_DATA) >= 2; }, 5000)) << "buffers did not come back";
  EXPECT_TRUE(input->Healthy());
  ASSERT_EQ(Received().size(), 2u);
  EXPECT_EQ(Received()[0].wParam, 0u);  // in the order they were queued
  EXPECT_EQ(Received()[1].wParam, 1u);
  EXPECT_GE(input->PositionFrames(), static_cast<int64_t>(kRate));

  // Every frame of both buffers is the fed signal, with no gap or repeat inside a buffer.
  const size_t frames = kBufferBytes / 4;
  EXPECT_EQ(FramesMatchingFed(buffer0), frames);
  EXPECT_EQ(FramesMatchingFed(buffer1), frames);

  // Queued again, the buffer fills again; Stop freezes the position and keeps it queued.
  std::fill(buffer0.begin(), buffer0.end(), uint8_t{0xAA});
  ASSERT_TRUE(input->AddBuffer(0, buffer0.data(), buffer0.size()));
  PumpUntil([] { return false; }, 150);
  input->Stop();
  const int64_t stoppedAt = input->PositionFrames();
  PumpUntil([] { return false; }, 150);
  EXPECT_EQ(input->PositionFrames(), stoppedAt);
  EXPECT_EQ(Count(MM_WIM_DATA), 2u);
  EXPECT_TRUE(input->Healthy());  // stopped on purpose

  // Reset hands the partly filled buffer back and starts the position again.
  input->Reset();
  ASSERT_TRUE(PumpUntil([] { return Count(MM_WIM_DATA) == 3; }, 1000));
  EXPECT_EQ(Received().back().wParam, 0u);
  EXPECT_EQ(input->PositionFrames(), 0);
  EXPECT_NE(buffer0[0], 0xAA);  // it did receive frames before the stop

  input->Close();
  ASSERT_TRUE(PumpUntil([] { return Count(MM_WIM_CLOSE) == 1; }, 1000));
  EXPECT_EQ(Received().back().message, MM_WIM_CLOSE);
}

TEST_F(InputDevice, ADeviceThatStopsDeliveringIsReportedAndStopsWithoutHanging) {
  ASSERT_TRUE(input->AddBuffer(0, buffer0.data(), buffer0.size()));
  ASSERT_TRUE(input->AddBuffer(1, buffer1.data(), buffer1.size()));
  ASSERT_TRUE(input->Start());
  ASSERT_TRUE(PumpUntil([&] { return input->PositionFrames() > kRate / 10; }, 3000));
  EXPECT_TRUE(input->Healthy());

  feeder->Stop();  // the source falls silent: no more frames reach the device
  EXPECT_TRUE(PumpUntil([&] { return !input->Healthy(); }, 3000)) << "a silent device still looks healthy";

  const auto t = std::chrono::steady_clock::now();
  input->Stop();
  input->Reset();
  input->Close();
  EXPECT_LT(MsSince(t), 2000.0) << "stopping a silent device must not wait for frames";
  ASSERT_TRUE(PumpUntil([] { return Count(MM_WIM_CLOSE) == 1; }, 1000));
  EXPECT_EQ(Count(MM_WIM_DATA), 2u);  // both (unfilled) buffers came back before the close
}

TEST_F(InputDevice, AServerThatVanishesMidRunIsReportedAndNothingHangs) {
  ASSERT_TRUE(input->AddBuffer(0, buffer0.data(), buffer0.size()));
  ASSERT_TRUE(input->AddBuffer(1, buffer1.data(), buffer1.size()));
  ASSERT_TRUE(input->Start());
  ASSERT_TRUE(PumpUntil([&] { return input->PositionFrames() > kRate / 10; }, 3000));

  server.Stop();
  EXPECT_TRUE(PumpUntil([&] { return !input->Healthy(); }, 3000)) << "a vanished server still looks healthy";
  const auto t = std::chrono::steady_clock::now();
  input->Reset();
  input->Close();
  EXPECT_LT(MsSince(t), 5000.0);
  ASSERT_TRUE(PumpUntil([] { return Count(MM_WIM_CLOSE) == 1; }, 1000));

  // A new open finds no device now.
  EXPECT_EQ(system->OpenInput(SoundFormat{2, kRate, 16}), nullptr);
}

// One channel, as the live variant captures: the server mixes both sides of the fed signal into
// it, so each frame repeats 100 frames later.
TEST_F(InputDevice, CapturesOneChannelMixedFromTheSource) {
  input->Close();
  input = system->OpenInput(SoundFormat{1, kRate, 16});
  ASSERT_NE(input, nullptr);
  std::vector<int16_t> mono(kRate / 2, -12345);
  ASSERT_TRUE(input->AddBuffer(0, reinterpret_cast<uint8_t*>(mono.data()), mono.size() * 2));
  ASSERT_TRUE(input->Start());
  ASSERT_TRUE(PumpUntil([] { return Count(MM_WIM_DATA) == 1; }, 3000));
  size_t periodic = 0, loud = 0;
  for (size_t f = 0; f + kPeriod < mono.size(); ++f) {
    periodic += mono[f] == mono[f + kPeriod];
    loud += std::abs(mono[f]) > 1000;
  }
  EXPECT_EQ(periodic, mono.size() - kPeriod);
  EXPECT_GT(loud, mono.size() / 2);
  input->Stop();
}

}  // namespace
}  // namespace sounddev
