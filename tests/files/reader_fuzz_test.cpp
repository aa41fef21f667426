// Thousands of malformed recordings fed to the reader: none may crash it, each rejected file gets a
// message, and every accepted one keeps the reader's promises (reads stay inside the file, the
// start stays inside the data).
#include <random>

#include "files/recording_file.h"
#include "reader_fuzz_corpus.h"

namespace {

using ReaderFuzzTest = wavtest::TempDirTest;

void CheckAccepted(RecordingPlayback& p, std::mt19937& rng) {
  const RecordingInfo& in = p.info;
  ASSERT_TRUE(p.message.empty() && p.file.IsOpen());
  // A format Play File plays, and data inside the file.
  ASSERT_TRUE((in.channels == 1 || in.channels == 2) && in.bitsPerSample == 16 && in.blockAlign == 2 * in.channels)
      << in.channels << " " << in.bitsPerSample << " " << in.blockAlign;
  ASSERT_TRUE(in.sampleRate >= 1 && in.sampleRate <= kMaxSampleRate) << in.sampleRate;
  ASSERT_TRUE(in.dataOffset >= 0 && in.dataOffset + in.dataBytes <= in.fileBytes) << in.dataOffset;
  ASSERT_GE(p.playDataBytes, in.headerless ? 2 : kMinPlayableBytes);
  ASSERT_EQ(p.playDataFrames, p.playDataBytes / in.blockAlign);
  ASSERT_EQ(p.needsStartDialog, p.playLengthSeconds > 8);

  // The whole playable part reads back, in the half-block steps playback uses, and no further.
  std::vector<uint8_t> block(22050);
  int64_t total = 0;
  for (int64_t n; (n = ReadPlayData(p, total, block.data(), static_cast<int64_t>(block.size()))) > 0;)
    total += n;
  ASSERT_EQ(total, p.playDataBytes);

  const int seconds = std::uniform_int_distribution<int>(-1, p.playLengthSeconds + 2)(rng);
  SetPlayStartSecond(p, seconds);
  ASSERT_TRUE(p.playStartOffset % 4 == 0 && p.playStartOffset >= 0 && p.playStartOffset <= in.dataBytes)
      << p.playStartOffset << " of " << in.dataBytes << " for second " << seconds;
  ASSERT_EQ(p.playDataBytes, in.dataBytes - p.playStartOffset);
  ASSERT_GE(p.playLengthSeconds, 0);
  ASSERT_EQ(ReadPlayData(p, p.playDataBytes, block.data(), 10), 0);
}

TEST_F(ReaderFuzzTest, MalformedRecordingsAreRejectedWithAMessageOrReadSafely) {
  const uint32_t seed = 20240611;
  std::mt19937 rng(seed);
  const std::string path = Path("fuzz.wav");
  int accepted = 0, rejected = 0, headerless = 0;
  for (int i = 0; i < 4000; ++i) {
    SCOPED_TRACE(testing::Message() << "seed " << seed << " file " << i);
    wavtest::WriteFile(path, wavtest::RandomFile(rng));
    RecordingPlayback p = OpenRecordingForPlay(path);
    accepted += p.ok, rejected += !p.ok, headerless += p.ok && p.info.headerless;
    if (p.ok) CheckAccepted(p, rng);
    ASSERT_TRUE(p.ok || (!p.message.empty() && !p.file.IsOpen())) << "a refusal without a message, or left open";
    if (i % 8 == 0) {
      // The whole-file loader agrees with the reader.
      std::string error;
      auto loaded = LoadRecording(path, &error);
      ASSERT_EQ(loaded.has_value(), p.ok) << error;
      if (loaded)
        ASSERT_EQ(static_cast<int64_t>(loaded->samples.size()) * 2,
                  p.info.dataBytes / p.info.blockAlign * p.info.blockAlign);
      else
        ASSERT_EQ(error, p.message);
    }
  }
  // The generator must reach both sides, or the test proves little.
  EXPECT_TRUE(accepted > 400 && rejected > 1000 && headerless > 20) << accepted << " " << rejected << " " << headerless;
}

TEST_F(ReaderFuzzTest, ScanningAnyHeadStaysInsideTheScanBlock) {
  std::mt19937 rng(7);
  std::vector<uint8_t> head(kScanBlockBytes);
  for (int i = 0; i < 20000; ++i) {
    const size_t n = std::uniform_int_distribution<size_t>(0, head.size())(rng);
    for (size_t k = 0; k < n; ++k)
      head[k] = static_cast<uint8_t>(rng() % 4 == 0 ? "fmtdaFMTDA "[rng() % 11] : rng());
    const int64_t fileBytes = std::uniform_int_distribution<int64_t>(0, 1 << 20)(rng);
    RecordingInfo info = ScanRecordingHead(head.data(), n, fileBytes);
    ASSERT_GE(info.dataBytes, 0);
    ASSERT_LE(info.dataBytes, info.declaredDataBytes);
    ASSERT_LE(info.dataOffset, kScanBlockBytes);
    ASSERT_LE(info.dataOffset + info.dataBytes, std::max<int64_t>(fileBytes, info.dataOffset));
    ASSERT_TRUE(!CheckRecordingFormat(info).empty() || info.blockAlign == 2 * info.channels);
  }
}

}  // namespace
