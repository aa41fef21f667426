// The simulated sound devices follow the virtual clock exactly: buffers come back after exactly
// their length in time, positions count whole frames, and the output keeps what was played.
// (Feeding a recording, cutting a playback short, failing opens and the `device` line are pinned
// by the whole-program audio tests.)
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

class SimSoundTest : public ::testing::Test {
 protected:
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
  static int16_t SampleAt(const std::vector<uint8_t>& buffer, size_t index) {
    return static_cast<int16_t>(buffer[2 * index] | buffer[2 * index + 1] << 8);
  }

  HeadlessBackend backend;
  SimSoundSystem sound{backend};
};

TEST_F(SimSoundTest, ABufferComesBackAfterExactlyItsLength) {
  EXPECT_EQ(sound.OpenInput({1, 22050, 8}), nullptr);  // only 16-bit frames exist here
  auto in = sound.OpenInput({1, 22050, 16});
  ASSERT_TRUE(in);
  std::vector<uint8_t> first(4410 * 2), second(4410 * 2);  // 200 ms each
  ASSERT_TRUE(in->AddBuffer(0, first.data(), first.size()));
  ASSERT_TRUE(in->AddBuffer(1, second.data(), second.size()));
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
  const auto sine = testsig::Sine(220.0, 8000.0, 22050, 8820);
  for (size_t i = 0; i < 8820; ++i) ASSERT_EQ(SampleAt(i < 4410 ? first : second, i % 4410), sine[i]) << i;
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

TEST_F(SimSoundTest, OutputPlaysLoopsRecordsWhatWasHeardAndReportsTheEnd) {
  auto out = sound.OpenOutput({1, 1000, 16});  // 1 frame per ms keeps the arithmetic plain
  ASSERT_TRUE(out);
  std::vector<int16_t> block = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
  out->SetVolume(0xF000, 0);
  ASSERT_TRUE(out->Write(reinterpret_cast<const uint8_t*>(block.data()), block.size() * 2, 3));
  Step(4);
  EXPECT_EQ(out->PositionFrames(), 4);
  block[5] = 99;  // the program refills the block while it plays: later passes play the new value
  Step(25.5);
  EXPECT_EQ(std::make_pair(out->PositionFrames(), Notes.size()), std::make_pair(int64_t{29}, size_t{0}));
  Step(0.5);
  EXPECT_EQ(Notes, (std::vector<Note>{{MM_WOM_DONE, 0, 30.0}}));
  const auto& w = sound.Writes().at(0);
  EXPECT_EQ(std::make_tuple(w.loops, w.left, w.right, w.completed), std::make_tuple(3, 0xF000, 0, true));
  ASSERT_EQ(w.heard.size(), 30u);
  EXPECT_EQ(std::make_tuple(w.heard[3], w.heard[5], w.heard[15], w.heard[29]),
            std::make_tuple(int16_t{13}, int16_t{99}, int16_t{99}, int16_t{19}));
  EXPECT_EQ(SampleAt(w.data, 5), 15);  // the write record keeps the block as it was written
}

}  // namespace
