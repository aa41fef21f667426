// The sound-server devices (libpulse) against the private server with two sources and two sinks:
// listing, capture from and playback to the chosen ones, a chosen source that has gone, and a
// server that dies mid-run.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "device_test_util.h"
#include "scripting/session.h"
#include "platform/pulse/pulse_sound.h"
#include "pulse_server.h"
#include "support/signals.h"

namespace sounddev {
namespace {

// Both repeat every 100 frames, so a looped table is seamless; each is told from the other by
// any single frame.
std::vector<int16_t> SignalA() {
  return testsig::Interleave(testsig::Sine(441.0, 8000.0, kRate, 100),
                             testsig::Sine(1102.5, 6000.0, kRate, 100, 0.7));
}
std::vector<int16_t> SignalB() {
  return testsig::Interleave(testsig::Sine(220.5, 7000.0, kRate, 100, 0.3),
                             testsig::Sine(882.0, 5000.0, kRate, 100));
}

std::vector<int16_t> Noise(size_t values, uint32_t seed) {
  std::vector<int16_t> v(values);
  uint32_t x = seed;
  for (auto& s : v) {
    x = x * 1664525u + 1013904223u;
    s = static_cast<int16_t>(static_cast<int32_t>(x >> 16) % 20000 - 10000);
  }
  return v;
}

// Runs `command` in the shell and returns the first line it prints.
std::string FirstLine(const std::string& command) {
  std::string line;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[512];
    if (std::fgets(buffer, sizeof buffer, p)) line = buffer;
    pclose(p);
  }
  while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
  return line;
}

std::string Json(const std::vector<SoundDeviceInfo>& devices) {
  nlohmann::json j = nlohmann::json::array();
  for (const auto& d : devices) j.push_back({d.id, d.name});
  return j.dump();
}

class PulseDevices : public ::testing::Test {
 protected:
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
  // Captures two half-second buffers from `device` and checks the stream's semantics on the way.
  std::vector<uint8_t> Capture(const std::string& device) {
    auto input = system->OpenInput(SoundFormat{2, kRate, 16}, device);
    EXPECT_NE(input, nullptr) << device;
    if (!input) return {};
    const size_t before = Count(MM_WIM_DATA);
    std::vector<uint8_t> b0(kRate / 2 * 4, 0xAA), b1(kRate / 2 * 4, 0xAA), b2(kRate / 2 * 4, 0xAA);
    EXPECT_TRUE(input->AddBuffer(0, b0.data(), b0.size()));
    EXPECT_TRUE(input->AddBuffer(1, b1.data(), b1.size()));
    EXPECT_TRUE(input->Start());
    EXPECT_TRUE(PumpUntil([&] { return Count(MM_WIM_DATA) >= before + 2; }, 5000))
        << "buffers did not come back";
    EXPECT_TRUE(input->Healthy());
    EXPECT_EQ(Received()[before].wParam, 0u);  // in the order they were queued
    EXPECT_EQ(Received()[before + 1].wParam, 1u);
    EXPECT_GE(input->PositionFrames(), static_cast<int64_t>(kRate));
    // Stop freezes the position and keeps the third buffer queued; Reset hands it back.
    EXPECT_TRUE(input->AddBuffer(2, b2.data(), b2.size()));
    input->Stop();
    const int64_t stoppedAt = input->PositionFrames();
    PumpUntil([] { return false; }, 150);
    EXPECT_EQ(input->PositionFrames(), stoppedAt);
    EXPECT_TRUE(input->Healthy());  // stopped on purpose
    input->Reset();
    EXPECT_EQ(input->PositionFrames(), 0);
    input->Close();
    EXPECT_TRUE(
        PumpUntil([&] { return Count(MM_WIM_CLOSE) >= 1 && Count(MM_WIM_DATA) == before + 3; }, 1000));
    Received().clear();
    b0.insert(b0.end(), b1.begin(), b1.end());
    return b0;
  }

  PulseServer server;
  std::unique_ptr<PipeFeeder> feedA, feedB;
  std::unique_ptr<PulseSoundSystem> system;
};

TEST_F(PulseDevices, ListsTheServersDevicesAndCapturesFromAndPlaysToTheChosenOnes) {
  ASSERT_TRUE(system->ServerAnswers());
  // The sources the user speaks into (no sink monitors), and the sinks, by their descriptions.
  EXPECT_EQ(Json(system->ListDevices(true)),
            R"([["tx_source","Test-Input-A"],["tx_source2","Test-Input-B"]])");
  EXPECT_EQ(Json(system->ListDevices(false)),
            R"([["tx_sink","Test-Output-A"],["tx_sink2","Test-Output-B"]])");

  // The second source delivers what is fed to it, frame for frame, and nothing of the first; the
  // default is the first.
  const size_t frames = kRate;
  const auto second = Capture("tx_source2");
  EXPECT_EQ(FramesMatchingLoop({second.begin(), second.begin() + frames * 2}, SignalB()), frames / 2);
  EXPECT_EQ(FramesMatchingLoop({second.begin() + frames * 2, second.end()}, SignalB()), frames / 2);
  EXPECT_EQ(FramesMatchingLoop(second, SignalA()), 0u);
  const auto first = Capture("");
  EXPECT_EQ(FramesMatchingLoop(first, SignalA()), frames);
  EXPECT_EQ(system->OpenInput(SoundFormat{2, kRate, 16}, "no_such_source"), nullptr);

  // The second sink plays to its monitor, and the first hears none of it. The right side at 0:
  // the left channel alone, in both ears; then a mono sound at a different level on each side.
  MonitorRecorder heard2(server.Monitor2(), server.Dir() + "/heard2.raw");
  MonitorRecorder heard1(server.Monitor(), server.Dir() + "/heard1.raw");
  ASSERT_TRUE(heard2.WaitUntilRecording(5000) && heard1.WaitUntilRecording(5000));
  auto output = system->OpenOutput(SoundFormat{2, kRate, 16}, "tx_sink2");
  ASSERT_NE(output, nullptr);
  const auto stereo = Noise(kRate / 2 * 2, 1);
  output->SetVolume(0xFFFF, 0);
  ASSERT_TRUE(output->Write(reinterpret_cast<const uint8_t*>(stereo.data()), stereo.size() * 2, 2));
  ASSERT_TRUE(PumpUntil([] { return Count(MM_WOM_DONE) == 1; }, 5000)) << "no MM_WOM_DONE at the end";
  EXPECT_EQ(output->PositionFrames(), static_cast<int64_t>(kRate));
  output->Close();
  output = system->OpenOutput(SoundFormat{1, kRate, 16}, "tx_sink2");
  ASSERT_NE(output, nullptr);
  const auto mono = Noise(kRate / 2, 2);
  output->SetVolume(0xF000, 0xFFFF);
  ASSERT_TRUE(output->Write(reinterpret_cast<const uint8_t*>(mono.data()), mono.size() * 2, 1));
  ASSERT_TRUE(PumpUntil([] { return Count(MM_WOM_DONE) == 2; }, 5000));
  // Reset ends a long sound at once, with its notification.
  const auto longSound = Noise(kRate * 2, 3);
  ASSERT_TRUE(output->Write(reinterpret_cast<const uint8_t*>(longSound.data()), longSound.size() * 2, 3));
  ASSERT_TRUE(PumpUntil([&] { return output->PositionFrames() > kRate / 5; }, 3000));
  output->Reset();
  ASSERT_TRUE(PumpUntil([] { return Count(MM_WOM_DONE) == 3; }, 1000));
  EXPECT_EQ(output->PositionFrames(), 0);
  output->Close();
  PumpUntil([] { return false; }, 300);
  const auto on2 = heard2.Finish(), on1 = heard1.Finish();

  constexpr size_t kSpot = 300;
  std::vector<int16_t> leftBoth(kSpot * 2), monoSides(kSpot * 2);
  for (size_t f = 0; f < kSpot; ++f) {
    leftBoth[2 * f] = leftBoth[2 * f + 1] = stereo[2 * (3000 + f)];
    monoSides[2 * f] = static_cast<int16_t>(mono[3000 + f] * 0xF000 / 0xFFFF);
    monoSides[2 * f + 1] = mono[3000 + f];
  }
  EXPECT_GE(FindFrames(on2, leftBoth.data(), kSpot), 0)
      << "the left channel is not heard alone on both sides";
  EXPECT_GE(FindFrames(on2, monoSides.data(), kSpot), 0) << "mono sound not on both sides at their levels";
  EXPECT_LT(FindFrames(on1, leftBoth.data(), kSpot), 0) << "the default sink heard the chosen sink's sound";
}

// The whole program, headless on the real clock: the second source chosen in the dialog goes away
// before Run, so Run says so and captures from the default; then the server dies mid-run.
TEST_F(PulseDevices, AChosenSourceGoneBeforeRunFallsBackAndAServerDyingMidRunEndsTheRun) {
  const std::string module =
      FirstLine("pactl list short modules | awk '/source_name=tx_source2/ {print $1}'");
  ASSERT_FALSE(module.empty());
  SessionOptions options;
  options.variant = 1;
  options.realSound = system.get();
  options.script =
      "answer select 1201 2\nanswer dialog ok\nmenu 40033\ndump\n"
      "wait 1500\nclick 102\nwait 1500\ndump\nwait 3000\ndump\nkey Escape\n";
  std::ostringstream out, err;
  options.out = &out;
  options.err = &err;
  // The source goes 0.5 s after the choice, 1 s before Run; the server 2.5 s into the run.
  std::thread events([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::system(("pactl unload-module " + module).c_str());
    std::this_thread::sleep_for(std::chrono::milliseconds(3500));
    server.Stop();
  });
  const auto t = std::chrono::steady_clock::now();
  const int code = RunHeadlessSession(options);
  events.join();
  ASSERT_EQ(code, 0) << err.str();
  EXPECT_LT(MsSince(t), 15000.0);

  std::vector<nlohmann::json> dumps;
  std::istringstream lines(out.str());
  for (std::string line; std::getline(lines, line);) dumps.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(dumps.size(), 3u);
  EXPECT_EQ(dumps[0]["sound_devices"]["input"], "tx_source2");
  EXPECT_EQ(dumps[0]["sound_devices"]["input_name"], "Test-Input-B");

  const auto& running = dumps[1];
  ASSERT_EQ(running["messages"].size(), 1u) << running["messages"].dump();
  EXPECT_EQ(running["messages"][0]["text"],
            "The sound input device \"Test-Input-B\" is not available.\nThe system default device is used "
            "instead.");
  EXPECT_EQ(running["sound_devices"]["input"], "");
  EXPECT_EQ(running["mode"]["CaptureStarted"], 1);

  const auto& ended = dumps[2];
  ASSERT_EQ(ended["messages"].size(), 2u) << ended["messages"].dump();
  EXPECT_EQ(ended["messages"][1]["text"], "The audio device stopped delivering sound.");
  EXPECT_EQ(ended["mode"]["CaptureStarted"], 0);
}

TEST_F(PulseDevices, AServerThatDiesEndsPlaybackAndLaterOpensFailAtOnce) {
  auto output = system->OpenOutput(SoundFormat{2, kRate, 16});
  ASSERT_NE(output, nullptr);
  const auto data = Noise(kRate * 2, 5);
  ASSERT_TRUE(output->Write(reinterpret_cast<const uint8_t*>(data.data()), data.size() * 2, 10));
  ASSERT_TRUE(PumpUntil([&] { return output->PositionFrames() > kRate / 5; }, 3000));
  server.Stop();
  EXPECT_TRUE(PumpUntil([] { return Count(MM_WOM_DONE) == 1; }, 3000)) << "a dead server's sink never ended";
  const auto t = std::chrono::steady_clock::now();
  output->Reset();
  output->Close();
  EXPECT_FALSE(output->Write(reinterpret_cast<const uint8_t*>(data.data()), data.size() * 2, 1));
  EXPECT_FALSE(system->ServerAnswers());
  EXPECT_EQ(system->OpenInput(SoundFormat{1, kRate, 16}), nullptr);
  EXPECT_TRUE(system->ListDevices(false).empty());
  EXPECT_LT(MsSince(t), 2000.0);
}

}  // namespace
}  // namespace sounddev
