// Recording from a live run: whole 4-second capture buffers, starting with the buffer that was
// being filled when Record was pressed, exactly the frames the microphone heard.
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "audio/capture_recording.h"
#include "files/wave_header.h"
#include "live_fixture.h"
#include "settings/mode_state.h"
#include "signals/signals.h"

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) { return ReadLe32(&b[at]); }

int16_t SampleAt(const std::vector<uint8_t>& b, size_t index) {
  return static_cast<int16_t>(b[46 + 2 * index] | (b[46 + 2 * index + 1] << 8));
}

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
  // Checks that the data are `frames` consecutive frames starting at `firstFrame`.
  void ExpectFrames(const std::vector<uint8_t>& file, size_t firstFrame, size_t frames) {
    ASSERT_EQ(file.size(), 46 + frames * 4);
    for (size_t f = 0; f < frames; f += 997) {
      ASSERT_EQ(SampleAt(file, 2 * f), static_cast<int16_t>((firstFrame + f) % 32768)) << f;
      ASSERT_EQ(SampleAt(file, 2 * f + 1), static_cast<int16_t>((firstFrame + f) % 32768)) << f;
    }
    EXPECT_EQ(SampleAt(file, 2 * (frames - 1)), static_cast<int16_t>((firstFrame + frames - 1) % 32768));
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
  auto file = ReadAll(path);
  // Pressed at 1 s: the first buffer (0..4 s) is the first written; stopped at 6 s: the buffer
  // filling then (4..8 s) is the last.
  ExpectFrames(file, 0, 2 * kBufferFrames);
  EXPECT_EQ(Le32(file, 4), 2 * kBufferFrames * 4 + 38);
  EXPECT_EQ(Le32(file, 42), 2 * kBufferFrames * 4);
  EXPECT_EQ(file[22], 2);
}

TEST_F(RecordingRunTest, TwoPassagesInOneRunSumUpInOneFile) {
  Open(0);
  Run("wait 500\nanswer file " + path +
      "\nclick 104\nwait 100\nclick 104\nwait 5000\nclick 104\nwait 100\nclick 104\nwait 5000\nkey Escape\n");
  auto file = ReadAll(path);
  ASSERT_EQ(file.size(), 46 + 2 * kBufferFrames * 4);
  EXPECT_EQ(Le32(file, 42), 2 * kBufferFrames * 4);
  // The first passage is buffer 1 (0..4 s), the second the buffer filling at 5.6 s (4..8 s).
  EXPECT_EQ(SampleAt(file, 0), 0);
  EXPECT_EQ(SampleAt(file, 2 * kBufferFrames), static_cast<int16_t>(kBufferFrames % 32768));
}

TEST_F(RecordingRunTest, ARunEndedBeforeAnyBufferCameBackLeavesAnEmptyValidFile) {
  Open(1);
  Hear(testsig::IndexRamp(22050 * 60, 1), 1);
  path.replace(path.size() - 4, 4, ".wav");
  // The user cannot stop a run while recording (Reset and Escape are refused); the run ends here
  // by the command itself, as when the device fails.
  Run("wait 500\nanswer file " + path + "\nclick 104\nwait 500\nclick 107\n");
  auto file = ReadAll(path);
  ASSERT_EQ(file.size(), 46u);
  EXPECT_EQ(Le32(file, 4), 38u);
  EXPECT_EQ(Le32(file, 42), 0u);
  EXPECT_EQ(file[22], 1);  // the real-time variant records one channel
}

// The disk fills after the first buffer: the recording stops with a message, the run goes on,
// and the file keeps the buffer that fitted with a header that says so.
TEST_F(RecordingRunTest, ADiskThatFillsStopsTheRecordingAndKeepsAValidFile) {
  Open(0);
  struct rlimit old {};
  getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit small = old;
  small.rlim_cur = 46 + kBufferFrames * 4 + 1000;
  signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  Run("wait 500\nanswer file " + path + "\nclick 104\nwait 9000\nkey Escape\n");
  setrlimit(RLIMIT_FSIZE, &old);
  bool told = false;
  for (const auto& m : backend->MessageBoxes()) told = told || m.text.find("Cannot Write File") == 0;
  EXPECT_TRUE(told);
  auto file = ReadAll(path);
  ExpectFrames(file, 0, kBufferFrames);
  EXPECT_EQ(Le32(file, 42), kBufferFrames * 4);
  EXPECT_EQ(Le32(file, 4), kBufferFrames * 4 + 38);
}

}  // namespace
