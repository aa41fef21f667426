// The reader Play File uses: tag scanning, the headerless fallback, its checks and the starting point.
#include <sys/stat.h>

#include "files/recording_file.h"
#include "wav_fixture.h"

namespace {

using wavtest::MakeWav;
using wavtest::WavSpec;

class ReaderTest : public wavtest::TempDirTest {
 protected:
  RecordingPlayback OpenBytes(const std::vector<uint8_t>& bytes, int64_t startOffset = 0) {
    const std::string path = Path("f.wav");
    wavtest::WriteFile(path, bytes);
    return OpenRecordingForPlay(path, startOffset);
  }
  RecordingPlayback Open(const WavSpec& wav) { return OpenBytes(MakeWav(wav)); }
};

TEST_F(ReaderTest, ShortestPlayableIsOneSecondMonoAndHalfASecondStereo) {
  RecordingPlayback p = Open({.dataBytes = 44100});
  ASSERT_TRUE(p.ok) << p.message;
  EXPECT_EQ(std::make_tuple(p.playDataBytes, p.playDataFrames, p.playLengthSeconds),
            std::make_tuple(int64_t{44100}, int64_t{22050}, 1));
  EXPECT_TRUE(p.file.IsOpen());
  p = Open({.dataBytes = 44098});
  EXPECT_EQ(p.message, "Sample is too short");
  EXPECT_FALSE(p.ok);
  EXPECT_FALSE(p.file.IsOpen());

  p = Open({.channels = 2, .dataBytes = 44100});  // 0.5 s of 22050 Hz stereo
  ASSERT_TRUE(p.ok) << p.message;
  EXPECT_EQ(p.playDataFrames, 11025);
  EXPECT_EQ(p.playLengthSeconds, 1);  // 0.5 rounds up
  EXPECT_EQ(Open({.channels = 2, .dataBytes = 44096}).message, "Sample is too short");
}

// The scan finds "fmt " at 0..511 and "data" up to 1024 positions further, in any case and past
// other chunks; where it finds no pair in a RIFF/WAVE file, the chunks are walked.
TEST_F(ReaderTest, ChunksTheScanCannotSeePastAreWalked) {
  using wavtest::Chunk;
  std::vector<uint8_t> pastTheEnd = Chunk("bext", 700);
  WriteLe32(&pastTheEnd[4], 900000);
  struct Case {
    const char* what;
    WavSpec wav;
    bool walked;
    int64_t dataOffset;  // 0: headerless
  };
  const Case cases[] = {
      {"plain", {}, false, 44},
      {"FMT DATA", {.channels = 2, .sampleRate = 44100, .fmtTag = "FMT ", .dataTag = "DATA", .fmtSize = 18}, false, 46},
      {"Fmt dAtA", {.fmtTag = "Fmt ", .dataTag = "dAtA"}, false, 44},
      {"LIST 100", {.listChunkBytes = 100}, false, 44 + 108},
      // The scan's reach, kept as it was: "data" at 1036 is the last position it sees; an odd LIST
      // without its pad byte is read by the scan though a walk would lose its way.
      {"data at 1036", {.listChunkBytes = 1036 - 36 - 8}, false, 1044},
      {"odd chunk, no pad", {.listChunkBytes = 101}, false, 44 + 109},
      // Beyond it: broadcast files ("bext" of 602 bytes and more before "fmt "), long chunks.
      {"data at 1038", {.listChunkBytes = 1038 - 36 - 8}, true, 1046},
      {"bext 602", {.channels = 2, .sampleRate = 44100, .leading = Chunk("bext", 602)}, true, 12 + 610 + 32},
      {"bext 603 + pad", {.channels = 2, .sampleRate = 44100, .leading = Chunk("bext", 603)}, true, 12 + 612 + 32},
      {"bext + long LIST",
       {.channels = 2, .sampleRate = 44100, .fmtSize = 18, .leading = Chunk("bext", 5000), .listChunkBytes = 3000},
       true, 12 + 5008 + 26 + 3008 + 8},
      // No way through: a chunk running past the end, or no RIFF/WAVE start.
      {"bext past the end", {.leading = pastTheEnd}, false, 0},
  };
  for (const Case& c : cases) {
    RecordingPlayback p = Open(c.wav);
    ASSERT_TRUE(p.ok) << c.what << ": " << p.message;
    EXPECT_EQ(p.info.headerless, c.dataOffset == 0) << c.what;
    EXPECT_EQ(p.info.chunks.walked, c.walked) << c.what;
    EXPECT_EQ(p.info.dataOffset, c.dataOffset) << c.what;
    if (c.dataOffset == 0) continue;
    EXPECT_EQ(std::make_tuple(p.info.channels, p.info.sampleRate, p.playDataBytes),
              std::make_tuple(c.wav.channels, c.wav.sampleRate, int64_t{44100}))
        << c.what;
    EXPECT_EQ(p.info.chunks.formatBytes, c.wav.fmtSize) << c.what;
    EXPECT_EQ(p.info.chunks.dataOffset - p.info.chunks.formatOffset,
              c.wav.fmtSize + (c.wav.listChunkBytes ? c.wav.listChunkBytes + 8 : 0) + 8)
        << c.what;
    uint8_t first[4] = {};
    ASSERT_EQ(ReadPlayData(p, 2, first, 4), 4);
    EXPECT_EQ(std::make_pair(ReadLe16(first), ReadLe16(first + 2)), std::make_pair(uint16_t{1}, uint16_t{2}))
        << c.what;
  }
  std::vector<uint8_t> rifx = MakeWav({.leading = Chunk("bext", 602)});
  rifx[3] = 'X';
  EXPECT_TRUE(OpenBytes(rifx).info.headerless);
}

TEST_F(ReaderTest, FileWithoutTagsPlaysAsHeaderless11025MonoFromItsFirstByte) {
  RecordingPlayback p = OpenBytes(wavtest::CountingData(55125));  // 2.5 s at 11025 Hz, ending in an odd byte
  ASSERT_TRUE(p.ok) << p.message;
  EXPECT_TRUE(p.info.headerless);
  EXPECT_EQ(std::make_tuple(p.info.sampleRate, p.info.channels, p.info.bitsPerSample, p.info.dataOffset),
            std::make_tuple(11025, 1, 16, int64_t{0}));
  // The playable length comes from the file size.
  EXPECT_EQ(std::make_tuple(p.playDataBytes, p.playDataFrames, p.playLengthSeconds),
            std::make_tuple(int64_t{55125}, int64_t{27562}, 3));

  // Headerless data need no second of 22050 Hz: one second at 11025 Hz plays; an empty file or a
  // lone byte holds no frame.
  p = OpenBytes(wavtest::CountingData(22050));
  ASSERT_TRUE(p.ok) << p.message;
  EXPECT_EQ(std::make_tuple(p.playDataFrames, p.playLengthSeconds), std::make_tuple(int64_t{11025}, 1));
  for (size_t bytes : {0, 1}) EXPECT_EQ(OpenBytes(std::vector<uint8_t>(bytes, 7)).message, kMsgSampleTooShort);

  // "fmt " alone, or "fmt " only after byte 511, is not a header either.
  std::vector<uint8_t> late(60000, 0);
  std::memcpy(&late[512], "fmt ", 4);
  std::memcpy(&late[600], "data", 4);
  p = OpenBytes(late);
  ASSERT_TRUE(p.ok);
  EXPECT_TRUE(p.info.headerless);
}

TEST_F(ReaderTest, LongerThanEightSecondsRoundedAsksForAStartingPoint) {
  // 8.4 s, 8.5 s (rounds up), 9 s.
  for (auto [bytes, seconds, dialog] : {std::tuple{370440, 8, false}, {374850, 9, true}, {396900, 9, true}}) {
    RecordingPlayback p = Open({.dataBytes = static_cast<size_t>(bytes)});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.playLengthSeconds, seconds) << bytes;
    EXPECT_EQ(p.needsStartDialog, dialog) << bytes;
  }
}

TEST_F(ReaderTest, StartingPointMovesTheStartByWholeSecondsOnFourByteSteps) {
  RecordingPlayback p = Open({.channels = 2, .dataBytes = 30 * 88200});
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.playLengthSeconds, 30);
  SetPlayStartSecond(p, 20);
  EXPECT_EQ(std::make_tuple(p.playStartOffset, p.playDataBytes, p.playDataFrames, p.playLengthSeconds),
            std::make_tuple(int64_t{20 * 88200}, int64_t{10 * 88200}, int64_t{10 * 22050}, 10));
  // Reading goes on in half-blocks from the new start to the end of the data.
  std::vector<uint8_t> half(4 * 88200);
  ASSERT_EQ(ReadNextPlayData(p, half.data(), 88200), 88200);
  EXPECT_EQ(ReadLe16(&half[0]), static_cast<uint16_t>(20 * 88200 / 2));
  ASSERT_EQ(ReadNextPlayData(p, half.data(), 4 * 88200), 4 * 88200);
  EXPECT_EQ(ReadLe16(&half[0]), static_cast<uint16_t>(21 * 88200 / 2));
  ASSERT_EQ(ReadNextPlayData(p, half.data(), 4 * 88200), 4 * 88200);
  ASSERT_EQ(ReadNextPlayData(p, half.data(), 4 * 88200), 88200);
  EXPECT_EQ(ReadNextPlayData(p, half.data(), 4 * 88200), 0);

  // 11025 Hz mono: one second is 22050 bytes, taken down to 22048. 10.5 s: the dialog's top end is 11 s.
  p = Open({.sampleRate = 11025, .dataBytes = 10 * 22050 + 11025});
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.playLengthSeconds, 11);
  SetPlayStartSecond(p, 1);
  EXPECT_EQ(p.playStartOffset, 22048);
  // The top of the bar lies past the last byte: the start stays inside the data.
  SetPlayStartSecond(p, 11);
  EXPECT_LE(p.playStartOffset, p.info.dataBytes);
  EXPECT_GE(p.playDataBytes, 0);
  EXPECT_EQ(p.playStartOffset % 4, 0);
  EXPECT_EQ(ReadPlayData(p, p.playDataBytes, half.data(), 2), 0);
}

TEST_F(ReaderTest, ResumedOpenKeepsTheStartOffsetInForce) {
  const WavSpec s{.dataBytes = 20 * 44100};
  RecordingPlayback p = OpenBytes(MakeWav(s), 5 * 44100);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.playStartOffset, 5 * 44100);
  EXPECT_EQ(p.playLengthSeconds, 15);
  // Too little left after the start offset is as short as a short file.
  EXPECT_EQ(OpenBytes(MakeWav(s), 20 * 44100 - 1000).message, "Sample is too short");
}

TEST_F(ReaderTest, ReadsStayInsideTheDataAndLeaveTheRestOfTheBlock) {
  RecordingPlayback p =
      Open({.dataBytes = 44104, .trailing = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'x', 'x', 'x', 'x'}});
  ASSERT_TRUE(p.ok);
  std::vector<uint8_t> block(100, 0xEE);
  EXPECT_EQ(ReadPlayData(p, 44100, block.data(), 100), 4);
  EXPECT_EQ(ReadLe16(&block[0]), 22050);
  EXPECT_EQ(block[4], 0xEE);  // the trailing chunk is no sound
  EXPECT_EQ(ReadPlayData(p, 44104, block.data(), 100), 0);
  EXPECT_EQ(ReadPlayData(p, -2, block.data(), 100), 0);
}

TEST_F(ReaderTest, BadFormatsAreRejectedWithTheirMessage) {
  const std::tuple<const char*, WavSpec, const char*> cases[] = {
      {"8 bits", {.bitsPerSample = 8}, "16 bit sampling is required"},
      {"24 bits", {.bitsPerSample = 24}, "16 bit sampling is required"},
      {"0 channels", {.channels = 0, .blockAlign = 0}, kMsgBadChannels},
      {"3 channels", {.channels = 3}, kMsgBadChannels},
      {"0 Hz", {.sampleRate = 0}, kMsgBadSampleRate},
      {"huge rate", {.sampleRate = 2000000000}, kMsgBadSampleRate},
  };
  for (auto [what, wav, message] : cases) {
    wav.dataBytes = 88200;
    RecordingPlayback p = Open(wav);
    EXPECT_FALSE(p.ok) << what;
    EXPECT_EQ(p.message, message) << what;
    EXPECT_FALSE(p.file.IsOpen()) << what;
  }
}

TEST_F(ReaderTest, BlockAlignFieldIsNotUsed) {
  for (int align : {0, 4, 7}) {
    RecordingPlayback p = Open({.channels = 1, .blockAlign = align, .dataBytes = 88200});
    ASSERT_TRUE(p.ok) << align << p.message;
    EXPECT_EQ(std::make_tuple(p.info.blockAlign, p.playDataFrames), std::make_tuple(2, int64_t{44100})) << align;
  }
}

TEST_F(ReaderTest, DeclaredDataBeyondTheFileEndIsCutToWhatIsThere) {
  RecordingPlayback p = Open({.dataBytes = 50000, .declaredData = 10000000});
  ASSERT_TRUE(p.ok) << p.message;
  EXPECT_EQ(std::make_tuple(p.info.declaredDataBytes, p.info.dataBytes, p.playDataBytes),
            std::make_tuple(int64_t{10000000}, int64_t{50000}, int64_t{50000}));
  // A streaming writer's "unknown" size.
  EXPECT_EQ(Open({.dataBytes = 30000, .declaredData = 0xFFFFFFFF}).message, "Sample is too short");
  // A data tag at the very end of the file, its size field cut off.
  std::vector<uint8_t> cut = MakeWav(WavSpec{});
  cut.resize(40);
  EXPECT_EQ(OpenBytes(cut).message, "Sample is too short");
}

TEST_F(ReaderTest, PathsThatAreNoRecordingCannotBeOpened) {
  // A FIFO would block a plain open forever.
  const std::string fifo = Path("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {Path("missing.wav"), dir_.string(), std::string(), fifo})
    EXPECT_EQ(OpenRecordingForPlay(path).message, "Cannot Open File") << path;
}

}  // namespace
