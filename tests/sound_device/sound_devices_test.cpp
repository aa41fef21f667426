// Both real sound systems (PortAudio, and libpulse for the sound server's own devices) against the
// private server: capture hands back the fed frames in queue order, Stop, Reset and Close keep their
// promises, a device that falls silent or a server that vanishes is reported without hanging, and
// playback sounds each side at its level, one channel in both ears.
#include "device_test_util.h"
#include "platform/portaudio/portaudio_sound.h"
#include "platform/pulse/pulse_sound.h"
#include "pulse_server.h"
#include "support/spectrum_signals.h"

namespace sounddev {
namespace {

constexpr int kPeriod = 100;  // of the fed SignalA: 441 Hz on the left, 1102.5 Hz on the right

enum class Api { PortAudio, Pulse };

struct SoundDevices : ::testing::TestWithParam<Api> {
  void SetUp() override {
    ListenForNotifications();
    if (!server.Ok()) GTEST_SKIP() << server.Error();
    feeder = std::make_unique<PipeFeeder>(server.Fifo(), SignalA());
    ASSERT_TRUE(feeder->Ok()) << "cannot write the pipe source " << server.Fifo();
    system = GetParam() == Api::PortAudio ? MakePortAudioSoundSystem() : MakePulseSoundSystem();
  }
  void TearDown() override {
    system.reset();
    if (feeder) feeder->Stop();  // only after the streams are gone: the pipe must not run dry
  }
  // An input with two half-second buffers queued and started, delivering.
  std::unique_ptr<SoundInput> StartInput(int channels) {
    auto input = system->OpenInput(SoundFormat{channels, kRate, 16});
    EXPECT_NE(input, nullptr) << "the default capture device did not open";
    if (!input) return nullptr;
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(input->AddBuffer(i, buffers[i].data(), buffers[i].size() * channels / 2));
    EXPECT_TRUE(input->Start() && PumpUntil([&] { return input->PositionFrames() > kRate / 10; }, 3000) &&
                input->Healthy()) << "capture did not start delivering";
    return input;
  }

  PulseServer server;
  std::unique_ptr<PipeFeeder> feeder;
  std::unique_ptr<SoundSystem> system;
  static constexpr size_t kBufferBytes = kRate / 2 * 4;  // half a second of stereo frames
  std::vector<uint8_t> buffers[3] = {std::vector<uint8_t>(kBufferBytes, 0xAA), buffers[0], buffers[0]};
};

TEST_P(SoundDevices, CaptureFillsTheBuffersInOrderThenStopsResetsAndCloses) {
  auto input = StartInput(2);
  ASSERT_NE(input, nullptr);
  ASSERT_TRUE(PumpUntil([] { return Count(MM_WIM_DATA) >= 2; }, 5000)) << "buffers did not come back";
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(std::make_pair(received[0].wParam, received[1].wParam), std::make_pair(0ul, 1ul));  // as queued
  EXPECT_GE(input->PositionFrames(), static_cast<int64_t>(kRate));
  // Every frame of both buffers is the fed signal, with no gap or repeat inside a buffer.
  for (int i = 0; i < 2; ++i) EXPECT_EQ(FramesMatchingLoop(buffers[i], SignalA()), kBufferBytes / 4) << i;

  // A third buffer fills; Stop freezes the position and keeps it queued; Reset hands it back.
  ASSERT_TRUE(input->AddBuffer(2, buffers[2].data(), buffers[2].size()));
  PumpUntil([] { return false; }, 150);
  input->Stop();
  const int64_t stoppedAt = input->PositionFrames();
  PumpUntil([] { return false; }, 150);
  EXPECT_EQ(std::make_tuple(input->PositionFrames(), Count(MM_WIM_DATA), input->Healthy()),  // stopped on purpose
            std::make_tuple(stoppedAt, size_t{2}, true));
  input->Reset();
  ASSERT_TRUE(PumpUntil([] { return Count(MM_WIM_DATA) == 3; }, 1000));
  EXPECT_EQ(std::make_pair(received.back().wParam, input->PositionFrames()), std::make_pair(2ul, int64_t{0}));
  EXPECT_NE(buffers[2][0], 0xAA);  // it did receive frames before the stop
  input->Close();
  ASSERT_TRUE(PumpUntil([] { return Count(MM_WIM_CLOSE) == 1; }, 1000));

  // One channel, as the live variant captures: the server mixes both sides of the fed signal into
  // it, so each frame repeats 100 frames later.
  input = system->OpenInput(SoundFormat{1, kRate, 16});
  ASSERT_NE(input, nullptr);
  std::vector<int16_t> mono(kRate / 2, -12345);
  ASSERT_TRUE(input->AddBuffer(0, reinterpret_cast<uint8_t*>(mono.data()), mono.size() * 2));
  ASSERT_TRUE(input->Start());
  ASSERT_TRUE(PumpUntil([] { return Count(MM_WIM_DATA) == 4; }, 3000));
  size_t periodic = 0, loud = 0;
  for (size_t f = 0; f + kPeriod < mono.size(); ++f) {
    periodic += mono[f] == mono[f + kPeriod];
    loud += std::abs(mono[f]) > 1000;
  }
  EXPECT_TRUE(periodic == mono.size() - kPeriod && loud > mono.size() / 2) << periodic << " " << loud;
  input->Close();
}

TEST_P(SoundDevices, ASilentSourceIsReportedAndStopsWithoutHanging) {
  auto input = StartInput(2);
  ASSERT_NE(input, nullptr);
  feeder->Stop();  // the source falls silent: no more frames reach the device
  EXPECT_TRUE(PumpUntil([&] { return !input->Healthy(); }, 3000)) << "a silent device still looks healthy";
  const auto t = std::chrono::steady_clock::now();
  input->Stop(), input->Reset(), input->Close();
  EXPECT_LT(MsSince(t), 2000.0) << "stopping a silent device must not wait for frames";
  ASSERT_TRUE(PumpUntil([] { return Count(MM_WIM_CLOSE) == 1; }, 1000));
  EXPECT_EQ(Count(MM_WIM_DATA), 2u);  // both (unfilled) buffers came back before the close
}

TEST_P(SoundDevices, AServerThatVanishesEndsCaptureAndPlaybackAndLaterOpensFailAtOnce) {
  auto input = StartInput(2);
  auto output = system->OpenOutput(SoundFormat{2, kRate, 16});
  ASSERT_TRUE(input && output);
  const auto data = testsig::Noise(5, 10000, kRate * 2);
  ASSERT_TRUE(output->Write(reinterpret_cast<const uint8_t*>(data.data()), data.size() * 2, 10));
  ASSERT_TRUE(PumpUntil([&] { return output->PositionFrames() > kRate / 5; }, 3000));

  server.Stop();
  EXPECT_TRUE(PumpUntil([&] { return !input->Healthy(); }, 3000)) << "a vanished server still looks healthy";
  EXPECT_TRUE(PumpUntil([] { return Count(MM_WOM_DONE) == 1; }, 3000)) << "a dead device never ended";
  const auto t = std::chrono::steady_clock::now();
  input->Reset(), input->Close(), output->Reset(), output->Close();
  ASSERT_TRUE(PumpUntil([] { return Count(MM_WIM_CLOSE) == 1; }, 1000));
  EXPECT_FALSE(output->Write(reinterpret_cast<const uint8_t*>(data.data()), data.size() * 2, 1) ||
               system->OpenInput(SoundFormat{1, kRate, 16}));
  EXPECT_LT(MsSince(t), 5000.0);
  auto* pulse = dynamic_cast<PulseSoundSystem*>(system.get());
  EXPECT_FALSE(pulse && (pulse->ServerAnswers() || !pulse->ListDevices(false).empty()));
}

TEST_P(SoundDevices, PlaybackSoundsEachSideAtItsLevelAndResetEndsItAtOnce) {
  MonitorRecorder recorder(server.Monitor(), server.Dir() + "/heard.raw");
  ASSERT_TRUE(recorder.WaitUntilRecording(5000)) << "parec did not start or the sink's monitor delivers nothing";
  auto output = system->OpenOutput(SoundFormat{2, kRate, 16});
  ASSERT_NE(output, nullptr) << "the default playback device did not open";

  // A stereo block played twice with the right side off; then a mono sound at a level per side.
  const size_t frames = kRate / 4;
  const auto stereo = testsig::Noise(1, 10000, frames * 2);
  output->SetVolume(0xFFFF, 0);
  PlayToEnd(*output, stereo, 2);
  EXPECT_EQ(output->PositionFrames(), static_cast<int64_t>(2 * frames));
  output->Close();
  output = system->OpenOutput(SoundFormat{1, kRate, 16});
  ASSERT_NE(output, nullptr);
  const auto mono = testsig::Noise(2, 10000, frames);
  output->SetVolume(0xF000, 0xFFFF);
  PlayToEnd(*output, mono, 1);

  // Reset ends a long sound at once, with its notification, and nothing more plays.
  const auto longSound = testsig::Noise(3, 10000, kRate * 2);
  ASSERT_TRUE(output->Write(reinterpret_cast<const uint8_t*>(longSound.data()), longSound.size() * 2, 3));
  ASSERT_TRUE(PumpUntil([&] { return output->PositionFrames() > kRate / 5; }, 3000));
  const auto t = std::chrono::steady_clock::now();
  output->Reset();
  ASSERT_TRUE(PumpUntil([] { return Count(MM_WOM_DONE) == 3; }, 1000));
  EXPECT_EQ(std::make_pair(MsSince(t) < 1000.0, output->PositionFrames()), std::make_pair(true, int64_t{0}));
  PumpUntil([] { return false; }, 300);  // and lets the monitor catch up
  EXPECT_EQ(Count(MM_WOM_DONE), 3u);
  output->Close();
  const auto heard = recorder.Finish();

  // Stretches of 300 frames from the start, middle and end of the looped block are heard, the left
  // channel alone in both ears; the block was played twice, but a machine too busy to feed the
  // device in time may lose a stretch of one pass: once is enough for each, twice for one.
  constexpr size_t kSpot = 300;
  int heardTwice = 0;
  for (size_t at : {size_t{0}, frames / 2, frames - kSpot}) {
    std::vector<int16_t> spot(kSpot * 2);
    for (size_t f = 0; f < kSpot; ++f) spot[2 * f] = spot[2 * f + 1] = stereo[2 * (at + f)];
    const long a = FindFrames(heard, spot.data(), kSpot);
    EXPECT_GE(a, 0) << "frames from " << at << " were not heard, the left channel alone on both sides";
    if (a < 0) continue;
    const std::vector<int16_t> rest(heard.begin() + 2 * (a + 1), heard.end());
    heardTwice += FindFrames(rest, spot.data(), kSpot) >= 0;
  }
  EXPECT_GE(heardTwice, 1) << "the second pass of the looped block was not heard";
  std::vector<int16_t> monoSides(kSpot * 2);
  for (size_t f = 0; f < kSpot; ++f) {
    monoSides[2 * f] = static_cast<int16_t>(mono[3000 + f] * 0xF000 / 0xFFFF);
    monoSides[2 * f + 1] = mono[3000 + f];
  }
  EXPECT_GE(FindFrames(heard, monoSides.data(), kSpot), 0) << "mono sound not on both sides at their levels";
}

INSTANTIATE_TEST_SUITE_P(Api, SoundDevices, ::testing::Values(Api::PortAudio, Api::Pulse),
                         [](const auto& info) { return info.param == Api::PortAudio ? "PortAudio" : "Pulse"; });

}  // namespace
}  // namespace sounddev
