// The sound-server devices (libpulse) against the private server with two sources and two sinks:
// listing, and capture from and playback to the chosen ones. (A chosen device gone by the next Run:
// tests/scenarios/program_scenarios_test on the simulated devices, which the program treats alike.)
#include "device_test_util.h"
#include "platform/pulse/pulse_sound.h"
#include "pulse_server.h"
#include "support/spectrum_signals.h"

namespace sounddev {
namespace {

std::string Names(const std::vector<SoundDeviceInfo>& devices) {
  std::string s;
  for (const auto& d : devices) s += d.id + "=" + d.name + ";";
  return s;
}

struct PulseDevices : ::testing::Test {
  void SetUp() override {
    ListenForNotifications();
    if (!server.Ok()) GTEST_SKIP() << server.Error();
    feedA = std::make_unique<PipeFeeder>(server.Fifo(), SignalA());
    feedB = std::make_unique<PipeFeeder>(server.Fifo2(), SignalB());
    ASSERT_TRUE(feedA->Ok() && feedB->Ok());
    system = MakePulseSoundSystem();
  }
  void TearDown() override {
    system.reset();
    if (feedA) feedA->Stop();
    if (feedB) feedB->Stop();
  }
  // One second captured from `device` (the stream's promises are pinned in sound_devices_test).
  std::vector<uint8_t> Capture(const std::string& device) {
    auto input = system->OpenInput(SoundFormat{2, kRate, 16}, device);
    EXPECT_NE(input, nullptr) << device;
    if (!input) return {};
    const size_t before = Count(MM_WIM_DATA);
    std::vector<uint8_t> b(kRate * 4, 0xAA);
    EXPECT_TRUE(input->AddBuffer(0, b.data(), b.size()));
    EXPECT_TRUE(input->Start());
    EXPECT_TRUE(PumpUntil([&] { return Count(MM_WIM_DATA) > before; }, 5000)) << "the buffer did not come back";
    input->Close();
    return b;
  }

  PulseServer server;
  std::unique_ptr<PipeFeeder> feedA, feedB;
  std::unique_ptr<PulseSoundSystem> system;
};

TEST_F(PulseDevices, ListsTheServersDevicesAndCapturesFromAndPlaysToTheChosenOnes) {
  ASSERT_TRUE(system->ServerAnswers());
  // The sources the user speaks into (no sink monitors), and the sinks, by their descriptions.
  EXPECT_EQ(Names(system->ListDevices(true)), "tx_source=Test-Input-A;tx_source2=Test-Input-B;");
  EXPECT_EQ(Names(system->ListDevices(false)), "tx_sink=Test-Output-A;tx_sink2=Test-Output-B;");

  // The second source delivers what is fed to it, frame for frame, and nothing of the first; the
  // default is the first.
  const auto second = Capture("tx_source2");
  EXPECT_EQ(FramesMatchingLoop(second, SignalB()), static_cast<size_t>(kRate));
  EXPECT_EQ(FramesMatchingLoop(second, SignalA()), 0u);
  EXPECT_EQ(FramesMatchingLoop(Capture(""), SignalA()), static_cast<size_t>(kRate));
  EXPECT_EQ(system->OpenInput(SoundFormat{2, kRate, 16}, "no_such_source"), nullptr);

  // The second sink plays to its monitor, and the first hears none of it.
  MonitorRecorder heard2(server.Monitor2(), server.Dir() + "/heard2.raw");
  MonitorRecorder heard1(server.Monitor(), server.Dir() + "/heard1.raw");
  ASSERT_TRUE(heard2.WaitUntilRecording(5000) && heard1.WaitUntilRecording(5000));
  auto output = system->OpenOutput(SoundFormat{2, kRate, 16}, "tx_sink2");
  ASSERT_NE(output, nullptr);
  const auto stereo = testsig::Noise(1, 10000, kRate);
  PlayToEnd(*output, stereo, 1);
  output->Close();
  PumpUntil([] { return false; }, 300);
  const auto on2 = heard2.Finish(), on1 = heard1.Finish();
  EXPECT_GE(FindFrames(on2, stereo.data() + 6000, 300), 0) << "the chosen sink did not play the sound";
  EXPECT_LT(FindFrames(on1, stereo.data() + 6000, 300), 0) << "the default sink heard the chosen sink's sound";
}

}  // namespace
}  // namespace sounddev
