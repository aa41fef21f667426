// The header layout and the two writers: the record file (buffer by buffer, the header true after
// every buffer) and Save Sample A / B (one whole buffer).
#include <signal.h>
#include <sys/resource.h>

#include "files/recording_file.h"
#include "wav_fixture.h"

namespace {

constexpr size_t kStereoBuffer = 352800;  // 4 s of 22050 Hz stereo

struct WriterTest : wavtest::TempDirTest {
  // File size, RIFF size, data size and channels as a reader finds them on disk right now (the
  // writer may still be open).
  std::tuple<size_t, uint32_t, uint32_t> Sizes(const std::string& path, int channels = 2) {
    const std::vector<uint8_t> bytes = wavtest::ReadFile(path);
    const WaveFields f = ParseWaveHeader(bytes.data(), bytes.size()).value_or(WaveFields{});
    EXPECT_EQ(f.channels, channels);
    return {bytes.size(), f.riffSize, f.dataSize};
  }
  static std::tuple<size_t, uint32_t, uint32_t> Expected(size_t data) {
    return {46 + data, static_cast<uint32_t>(38 + data), static_cast<uint32_t>(data)};
  }
};

TEST(WaveHeaderTest, LayoutIsTheFortySixBytesFieldByField) {
  WaveHeader h = BuildWaveHeader(2, 22050, 16, 352838, 352800);
  const std::vector<uint8_t> expected = {
      'R', 'I', 'F', 'F', 0x46, 0x62, 0x05, 0x00, 'W', 'A', 'V', 'E',  // RIFF of 352838 bytes, WAVE
      'f', 'm', 't', ' ', 18, 0, 0, 0, 1, 0, 2, 0,                     // 18 format bytes: PCM, 2 channels
      0x22, 0x56, 0, 0, 0x88, 0x58, 0x01, 0x00, 4, 0, 16, 0, 0, 0,     // 22050 Hz, 88200 bytes/s, 4, 16 bits, no extra
      'd', 'a', 't', 'a', 0x20, 0x62, 0x05, 0x00};                     // 352800 data bytes
  EXPECT_EQ(std::vector<uint8_t>(h.begin(), h.end()), expected);

  auto f = ParseWaveHeader(h.data(), h.size());
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(std::make_tuple(f->channels, f->sampleRate, f->blockAlign, f->avgBytesPerSecond, f->riffSize,
                            f->dataSize),
            std::make_tuple(2, 22050, 4, 88200, 352838, 352800));

  SetWaveHeaderSizes(h, 100);
  EXPECT_EQ(std::make_pair(ReadLe32(&h[4]), ReadLe32(&h[42])), std::make_pair(138u, 100u));
  EXPECT_FALSE(ParseWaveHeader(h.data(), 45).has_value());
  h[38] = 'D';  // the fixed-layout parser does not scan
  EXPECT_FALSE(ParseWaveHeader(h.data(), h.size()).has_value());
}

// Passages of one and two buffers: a crash at any point (no close) leaves exactly what was
// appended, described by the header; part frames are not written; while the header is pending no
// other writer and not the player may open the file; the reader plays the closed file back as
// written. (A record file closed before any buffer: tests/audio/recording_run_test.)
TEST_F(WriterTest, HeaderIsTrueAfterEveryBufferAndPassagesSumUp) {
  const std::string path = Path("passages.tdx");
  RecordFileWriter w;
  std::string error;
  ASSERT_TRUE(CreateRecordFile(w, path, 2, 22050, 16, &error)) << error;
  EXPECT_EQ(Sizes(path), Expected(0));
  std::vector<uint8_t> all;
  for (int i = 0; i < 3; ++i) {
    std::vector<uint8_t> b = wavtest::CountingData(kStereoBuffer, i * 1000);
    ASSERT_TRUE(AppendRecordData(w, b.data(), b.size(), &error)) << error;
    all.insert(all.end(), b.begin(), b.end());
    ASSERT_EQ(Sizes(path), Expected(all.size()));
  }
  ASSERT_TRUE(AppendRecordData(w, all.data(), 10, &error));  // 2 frames and a part
  ASSERT_TRUE(AppendRecordData(w, all.data(), 3, &error));   // no frame
  const std::vector<uint8_t> twoFrames(all.begin(), all.begin() + 8);
  all.insert(all.end(), twoFrames.begin(), twoFrames.end());
  EXPECT_EQ(w.recordedBytes, static_cast<int64_t>(all.size()));
  EXPECT_FALSE(SaveSampleFile(path, 2, 22050, 16, all.data(), 400, &error));
  EXPECT_EQ(error + OpenRecordingForPlay(path).message, "Cannot Open FileCannot Open File");
  EXPECT_EQ(Sizes(path), Expected(all.size()));  // untouched
  ASSERT_TRUE(CloseRecordFile(w, &error)) << error;
  EXPECT_FALSE(IsRecordFileOpen(w));
  EXPECT_EQ(Sizes(path), std::make_tuple(46 + 3 * 352800 + 8, 38 + 3 * 352800 + 8, 3 * 352800 + 8));
  const std::vector<uint8_t> file = wavtest::ReadFile(path);
  EXPECT_TRUE(std::equal(all.begin(), all.end(), file.begin() + 46));
  RecordingPlayback p = OpenRecordingForPlay(path);
  ASSERT_TRUE(p.ok) << p.message;
  EXPECT_EQ(std::make_tuple(p.info.dataOffset, p.playDataFrames, p.playLengthSeconds),
            std::make_tuple(46, 3 * 88200 + 2, 12));
}

// Runs `body` with the process's file size limit lowered, the way a full disk stops a write part way.
template <typename Body>
void WithFileSizeLimit(rlim_t limit, Body body) {
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  void (*oldHandler)(int) = ::signal(SIGXFSZ, SIG_IGN);
  const rlimit low{limit, old.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &low), 0);
  body();
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);
}

TEST_F(WriterTest, FailedWriteIsReportedAndLeavesAValidFileOfWholeBuffers) {
  const std::string path = Path("full.wav");
  RecordFileWriter w;
  ASSERT_TRUE(CreateRecordFile(w, path, 2, 22050, 16, nullptr));
  std::vector<uint8_t> b = wavtest::CountingData(kStereoBuffer);
  std::string error;
  WithFileSizeLimit(46 + kStereoBuffer + kStereoBuffer / 2, [&] {
    ASSERT_TRUE(AppendRecordData(w, b.data(), b.size(), &error)) << error;
    EXPECT_FALSE(AppendRecordData(w, b.data(), b.size(), &error));  // half of it fits
  });
  EXPECT_EQ(error.rfind("Cannot Write File", 0), 0u) << error;
  EXPECT_EQ(std::make_pair(w.failed, w.recordedBytes), std::make_pair(true, static_cast<int64_t>(kStereoBuffer)));
  // The part of the second buffer that got in is gone again; the header describes the first.
  EXPECT_EQ(Sizes(path), Expected(kStereoBuffer));
  // Once failed, the recording does not go on with a hole in it.
  std::string again;
  EXPECT_FALSE(AppendRecordData(w, b.data(), b.size(), &again));
  EXPECT_EQ(again, error);
  EXPECT_TRUE(CloseRecordFile(w, nullptr));
  EXPECT_EQ(Sizes(path), Expected(kStereoBuffer));
  EXPECT_EQ(OpenRecordingForPlay(path).playDataBytes, static_cast<int64_t>(kStereoBuffer));
}

TEST_F(WriterTest, FilesThatCannotBeWrittenAreReportedNeverCountedAsWritten) {
  RecordFileWriter w;
  std::string error;
  // A device that is always full takes not even the header.
  EXPECT_FALSE(CreateRecordFile(w, "/dev/full", 2, 22050, 16, &error));
  EXPECT_EQ(error, "Cannot Open File");
  EXPECT_FALSE(IsRecordFileOpen(w) || AppendRecordData(w, nullptr, 4, &error));
  error.clear();
  EXPECT_FALSE(CreateRecordFile(w, Path("no/such/dir.wav"), 2, 22050, 16, &error));
  EXPECT_EQ(error, "Cannot Open File");
  EXPECT_FALSE(CreateRecordFile(w, dir_.string(), 2, 22050, 16, &error) ||
               CreateRecordFile(w, Path("bad.wav"), 3, 22050, 16, &error) || std::filesystem::exists(Path("bad.wav")));

  // The 32-bit size fields: a file that would pass 4 GB refuses the buffer and stays as it was.
  ASSERT_TRUE(CreateRecordFile(w, Path("big.wav"), 2, 22050, 16, nullptr));
  w.recordedBytes = kMaxRecordDataBytes - 100;  // as if 13.5 hours had been recorded
  std::vector<uint8_t> b(kStereoBuffer);
  EXPECT_FALSE(AppendRecordData(w, b.data(), b.size(), &error));
  EXPECT_EQ(error, kMsgRecordFileFull);
  EXPECT_EQ(wavtest::ReadFile(Path("big.wav")).size(), 46u);
}

TEST_F(WriterTest, SavedSampleIsTheWholeBufferWithItsHeader) {
  const std::string path = Path("sampleA.wav");
  wavtest::WriteFile(path, std::vector<uint8_t>(1000000, 0x77));  // replaced, not overwritten in part
  // 8 s of mono where only the first 3 s hold sound: the silent tail is saved as well.
  std::vector<int16_t> sample(8 * 22050, 0);
  for (int i = 0; i < 3 * 22050; ++i) sample[i] = static_cast<int16_t>(i % 2000 - 1000);
  std::string error;
  ASSERT_TRUE(SaveSampleFile(path, 1, 22050, 16, sample, &error)) << error;
  EXPECT_EQ(Sizes(path, 1), std::make_tuple(46 + 352800, 352838, 352800));

  auto loaded = LoadRecording(path, &error);
  ASSERT_TRUE(loaded.has_value()) << error;
  EXPECT_EQ(loaded->samples, sample);

  EXPECT_FALSE(SaveSampleFile(Path("missing/dir.wav"), 1, 22050, 16, sample, &error));
  EXPECT_EQ(error, "Cannot Open File");
  EXPECT_FALSE(std::filesystem::exists(Path("missing")));
}

TEST_F(WriterTest, SavedSampleThatDoesNotFitIsReportedAndNotLeftHalfDescribed) {
  const std::string path = Path("sampleB.wav");
  std::vector<uint8_t> sample = wavtest::CountingData(kStereoBuffer * 2);
  std::string error;
  WithFileSizeLimit(100000,
                    [&] { EXPECT_FALSE(SaveSampleFile(path, 2, 22050, 16, sample.data(), sample.size(), &error)); });
  EXPECT_EQ(error.rfind("Cannot Write File", 0), 0u) << error;
  EXPECT_EQ(Sizes(path), Expected(0));
}

}  // namespace
