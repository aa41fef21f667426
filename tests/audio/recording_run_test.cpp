// Recording from a live run: whole 4-second capture buffers, starting with the buffer that was
// being filled when Record was pressed, exactly the frames the microphone heard.
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "files/wave_header.h"
#include "live_fixture.h"

namespace {

constexpr size_t kBufferFrames = 22050 * 4;

class RecordingRunTest : public LiveRunTest {
 protected:
  std::string path;
  void SetUp() override {
    LiveRunTest::SetUp();
    // Tests run as parallel processes: each gets a file of its own.
    path = (std::filesystem::temp_directory_path() /
            ("tx-record-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".tdx"))
               .string();
    std::filesystem::remove(path);
    Hear(testsig::IndexRamp(22050 * 60, 2), 2);  // a minute of frames that carry their index
  }
  // The file holds a header for `frames` frames of `channels` (RIFF and data sizes, channel count) and
  // the microphone's frames from `firstFrame` on: every 997th and the last is looked at.
  void ExpectFrames(size_t firstFrame, size_t frames, int channels = 2) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    const size_t bytes = frames * channels * 2;
    ASSERT_EQ(file.size(), 46 + bytes);
    EXPECT_EQ(std::make_tuple(ReadLe32(&file[4]), ReadLe32(&file[42]), int{file[22]}),
              std::make_tuple(bytes + 38, bytes, channels));
    const std::vector<uint8_t> data(file.begin() + 46, file.end());
    for (size_t f = 0; f < frames; f = std::min(f + 997, f + 1 < frames ? frames - 1 : frames))
      for (int c = 0; c < channels; ++c)
        ASSERT_EQ(SampleAt(data, f, channels, c), RampValue(firstFrame + f)) << f;
  }
};

// A file that cannot be created is reported; the next Record, at 1 s, writes whole buffers.
TEST_F(RecordingRunTest, RecordsWholeBuffersFromTheBufferFillingAtThePress) {
  Open(0);
  Run("wait 500\nanswer file /nonexistent-folder/take.tdx\nclick 104\nwait 500\nanswer file " + path +
      "\nclick 104\nwait 5000\nclick 104\nwait 4000\nkey Escape\n");
  ASSERT_EQ(backend->MessageBoxes().size(), 1u);
  EXPECT_EQ(backend->MessageBoxes()[0].text, "Cannot Open File");
  EXPECT_EQ(std::make_tuple(Mode.Recording, Mode.RecordFileOpen), std::make_tuple(0, 0));
  // Pressed at 1 s: the first buffer (0..4 s) is the first written; stopped at 6 s: the buffer
  // filling then (4..8 s) is the last.
  ExpectFrames(0, 2 * kBufferFrames);
}

TEST_F(RecordingRunTest, TwoPassagesInOneRunSumUpInOneFile) {
  Open(0);
  Run("wait 500\nanswer file " + path +
      "\nclick 104\nwait 100\nclick 104\nwait 5000\nclick 104\nwait 100\nclick 104\nwait 5000\nkey Escape\n");
  // The first passage is buffer 1 (0..4 s), the second the buffer filling at 5.6 s (4..8 s).
  ExpectFrames(0, 2 * kBufferFrames);
}

TEST_F(RecordingRunTest, ARunEndedBeforeAnyBufferCameBackLeavesAnEmptyValidFile) {
  Open(1);
  Hear(testsig::IndexRamp(22050 * 60, 1), 1);
  path.replace(path.size() - 4, 4, ".wav");
  // The user cannot stop a run while recording (Reset and Escape are refused); the run ends here
  // by the command itself, as when the device fails.
  Run("wait 500\nanswer file " + path + "\nclick 104\nwait 500\nclick 107\n");
  ExpectFrames(0, 0, 1);  // the real-time variant records one channel
}

// The disk fills after the first buffer: the recording stops with a message, the run goes on,
// and the file keeps the buffer that fitted with a header that says so.
TEST_F(RecordingRunTest, ADiskThatFillsStopsTheRecordingAndKeepsAValidFile) {
  Open(0);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 46 + kBufferFrames * 4 + 1000;
  signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  Run("wait 500\nanswer file " + path + "\nclick 104\nwait 9000\nkey Escape\n");
  setrlimit(RLIMIT_FSIZE, &old);
  const auto& boxes = backend->MessageBoxes();
  EXPECT_TRUE(std::any_of(boxes.begin(), boxes.end(),
                          [](const auto& m) { return m.text.find("Cannot Write File") == 0; }));
  ExpectFrames(0, kBufferFrames);
}

}  // namespace
