// The simulated capture device follows the virtual clock exactly: buffers come back after exactly
// their length in time and positions count whole frames. (The simulated output, feeding a
// recording, failing opens and the `device` line are pinned by the whole-program audio tests.)
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/headless/headless_backend.h"
#include "platform/headless/sim_sound.h"
#include "platform/messages.h"
#include "signals/signals.h"

namespace {

struct Note {
  uint32_t message;
  uintptr_t wParam;
  double atMs;
  bool operator==(const Note&) const = default;
};
std::vector<Note> Notes;

struct SimSoundTest : ::testing::Test {
  void SetUp() override {
    Notes.clear();
    ResetMessageQueue();
    SetMainWindowProcedure([](uint32_t message, uintptr_t wParam, intptr_t) -> intptr_t {
      Notes.push_back({message, wParam, NowMs()});
      return 0;
    });
    SetBackend(&backend);
  }
  void TearDown() override {
    SetBackend(nullptr);
    SetMainWindowProcedure(nullptr);
    ResetMessageQueue();
  }
  // Moves the clock and delivers whatever the devices posted.
  void Step(double ms) {
    backend.Advance(ms);
    DeliverPostedMessages();
  }

  HeadlessBackend backend;
  SimSoundSystem sound{backend};
};

TEST_F(SimSoundTest, ABufferComesBackAfterExactlyItsLength) {
  EXPECT_EQ(sound.OpenInput({1, 22050, 8}), nullptr);  // only 16-bit frames exist here
  auto in = sound.OpenInput({1, 22050, 16});
  ASSERT_TRUE(in);
  std::vector<int16_t> both(2 * 4410);  // two buffers of 200 ms, one after the other
  ASSERT_TRUE(in->AddBuffer(0, reinterpret_cast<uint8_t*>(both.data()), 4410 * 2));
  ASSERT_TRUE(in->AddBuffer(1, reinterpret_cast<uint8_t*>(both.data() + 4410), 4410 * 2));
  Step(7);  // time before Start does not count
  ASSERT_TRUE(in->Start());
  const double start = NowMs();
  Step(199.5);
  EXPECT_TRUE(Notes.empty());
  EXPECT_EQ(in->PositionFrames(), 4398);  // 199.5 ms x 22.05 frames per ms, whole frames
  Step(0.5);
  EXPECT_EQ(Notes, (std::vector<Note>{{MM_WIM_DATA, 0, start + 200.0}}));
  EXPECT_EQ(in->PositionFrames(), 4410);
  // One big step fills the second buffer too; the rest is lost with nothing queued.
  Step(1000);
  EXPECT_EQ(std::make_tuple(Notes.size(), Notes.back().wParam, in->PositionFrames()),
            std::make_tuple(size_t{2}, uintptr_t{1}, int64_t{22050 * 1200 / 1000}));  // 1.2 s since Start
  // The default source is a 220 Hz sine of peak 8000, continuous across the two buffers.
  EXPECT_EQ(both, testsig::Sine(220.0, 8000.0, 22050, 8820));
}

TEST_F(SimSoundTest, StopKeepsThePositionResetReturnsBuffersAndRestartsIt) {
  auto in = sound.OpenInput({2, 22050, 16});
  std::vector<uint8_t> a(22050 * 4), b(22050 * 4);  // 1 s stereo each
  ASSERT_TRUE(in->AddBuffer(0, a.data(), a.size()) && in->AddBuffer(1, b.data(), b.size()) && in->Start());
  Step(500);
  in->Stop();
  Step(500);
  EXPECT_EQ(std::make_pair(in->PositionFrames(), Notes.size()), std::make_pair(int64_t{11025}, size_t{0}));
  in->Start();
  Step(500);
  // The first buffer filled over both runs; Reset hands back the one being filled at once.
  EXPECT_EQ(std::make_pair(in->PositionFrames(), Notes.size()), std::make_pair(int64_t{22050}, size_t{1}));
  in->Reset();
  DeliverPostedMessages();
  EXPECT_EQ(in->PositionFrames(), 0);
  in->Close();
  DeliverPostedMessages();
  ASSERT_EQ(Notes.size(), 3u);
  EXPECT_EQ(std::make_pair(Notes[1].wParam, Notes[2].message), std::make_pair(uintptr_t{1}, uint32_t{MM_WIM_CLOSE}));
  EXPECT_FALSE(in->AddBuffer(0, a.data(), a.size()));
}

}  // namespace
