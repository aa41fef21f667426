// The reader Play File uses: its lengths and refusals, tag scanning and the chunk walk, the starting
// point, reads kept inside the data, and paths that are no recording.
#include <sys/stat.h>

#include "files/recording_file.h"
#include "wav_fixture.h"

namespace {

using wavtest::Chunk;
using wavtest::MakeWav;
using wavtest::WavSpec;

struct ReaderTest : wavtest::TempDirTest {
  RecordingPlayback OpenBytes(const std::vector<uint8_t>& bytes, int64_t startOffset = 0) {
    const std::string path = Path("f.wav");
    wavtest::WriteFile(path, bytes);
    return OpenRecordingForPlay(path, startOffset);
  }
  RecordingPlayback Open(const WavSpec& wav) { return OpenBytes(MakeWav(wav)); }
};

// What plays and for how long (bytes, frames, seconds rounded, the starting-point dialog beyond 8 s),
// or why not: WAV and headerless files (11025 Hz mono from the first byte), data declared beyond the
// end, a start offset in force, formats Play File refuses and a block-align field it ignores.
TEST_F(ReaderTest, PlayableLengthOrTheRefusal) {
  std::vector<uint8_t> late(60000, 0);  // "fmt " only after byte 511 is no header
  std::memcpy(&late[512], "fmt ", 4);
  std::memcpy(&late[600], "data", 4);
  std::vector<uint8_t> cut = MakeWav({});  // the data tag at the very end, its size field cut off
  cut.resize(40);
  const std::vector<uint8_t> twenty = MakeWav({.dataBytes = 20 * 44100});
  struct Case {  // what, the file, the start; what plays and how long; the refusal
    const char* what;
    std::vector<uint8_t> bytes;
    int64_t start, playable, frames;
    int seconds;
    bool dialog, headerless;
    const char* message = "";
  };
  const char* kShort = kMsgSampleTooShort;
  const char* k16 = "16 bit sampling is required";
  const Case cases[] = {
      {"1 s mono", MakeWav({.dataBytes = 44100}), 0, 44100, 22050, 1, false, false},
      {"0.5 s stereo rounds up", MakeWav({.channels = 2, .dataBytes = 44100}), 0, 44100, 11025, 1, false, false},
      {"8.4 s", MakeWav({.dataBytes = 370440}), 0, 370440, 185220, 8, false, false},
      {"8.5 s", MakeWav({.dataBytes = 374850}), 0, 374850, 187425, 9, true, false},
      {"declared beyond the end", MakeWav({.dataBytes = 50000, .declaredData = 10000000}), 0, 50000, 25000, 1, false, false},
      {"resumed at 5 s", twenty, 5 * 44100, 15 * 44100, 15 * 22050, 15, true, false},
      {"block align 0", MakeWav({.blockAlign = 0, .dataBytes = 88200}), 0, 88200, 44100, 2, false, false},
      {"block align 7", MakeWav({.blockAlign = 7, .dataBytes = 88200}), 0, 88200, 44100, 2, false, false},
      {"headerless, odd end", wavtest::CountingData(55125), 0, 55125, 27562, 3, false, true},
      {"headerless 1 s", wavtest::CountingData(22050), 0, 22050, 11025, 1, false, true},
      {"late fmt", late, 0, 60000, 30000, 3, false, true},
      {"mono short", MakeWav({.dataBytes = 44098}), 0, 0, 0, 0, false, false, kShort},
      {"stereo short", MakeWav({.channels = 2, .dataBytes = 44096}), 0, 0, 0, 0, false, false, kShort},
      {"unknown size", MakeWav({.dataBytes = 30000, .declaredData = 0xFFFFFFFF}), 0, 0, 0, 0, false, false, kShort},
      {"size cut off", cut, 0, 0, 0, 0, false, false, kShort},
      {"resumed too late", twenty, 20 * 44100 - 1000, 0, 0, 0, false, false, kShort},
      {"empty", {}, 0, 0, 0, 0, false, false, kShort},
      {"lone byte", {7}, 0, 0, 0, 0, false, false, kShort},
      {"8 bits", MakeWav({.bitsPerSample = 8, .dataBytes = 88200}), 0, 0, 0, 0, false, false, k16},
      {"24 bits", MakeWav({.bitsPerSample = 24, .dataBytes = 88200}), 0, 0, 0, 0, false, false, k16},
      {"0 channels", MakeWav({.channels = 0, .blockAlign = 0, .dataBytes = 88200}), 0, 0, 0, 0, false, false, kMsgBadChannels},
      {"3 channels", MakeWav({.channels = 3, .dataBytes = 88200}), 0, 0, 0, 0, false, false, kMsgBadChannels},
      {"0 Hz", MakeWav({.sampleRate = 0, .dataBytes = 88200}), 0, 0, 0, 0, false, false, kMsgBadSampleRate},
      {"huge rate", MakeWav({.sampleRate = 2000000000, .dataBytes = 88200}), 0, 0, 0, 0, false, false, kMsgBadSampleRate},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingPlayback p = OpenBytes(c.bytes, c.start);
    EXPECT_EQ(p.message, c.message);
    EXPECT_EQ(p.ok, p.message.empty());
    EXPECT_EQ(p.file.IsOpen(), p.ok);
    if (!p.ok) continue;
    EXPECT_EQ(std::make_tuple(p.playStartOffset, p.playDataBytes, p.playDataFrames, p.playLengthSeconds,
                              p.needsStartDialog, p.info.headerless, p.info.blockAlign == 2 * p.info.channels),
              std::make_tuple(c.start, c.playable, c.frames, c.seconds, c.dialog, c.headerless, true));
    if (c.headerless) {
      EXPECT_EQ(std::make_tuple(p.info.sampleRate, p.info.channels, p.info.bitsPerSample, p.info.dataOffset),
                std::make_tuple(11025, 1, 16, int64_t{0}));
    }
  }
}

// The scan finds "fmt " at 0..511 and "data" up to 1024 positions further, in any case and past
// other chunks; where it finds no pair in a RIFF/WAVE file, the chunks are walked.
TEST_F(ReaderTest, ChunksTheScanCannotSeePastAreWalked) {
  std::vector<uint8_t> pastTheEnd = Chunk("bext", 700);
  WriteLe32(&pastTheEnd[4], 900000);
  struct Case { const char* what; WavSpec wav; bool walked; int64_t dataOffset; };  // data offset 0: headerless
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
    EXPECT_EQ(std::make_tuple(p.info.headerless, p.info.chunks.walked, p.info.dataOffset),
              std::make_tuple(c.dataOffset == 0, c.walked, c.dataOffset)) << c.what;
    if (c.dataOffset == 0) continue;
    EXPECT_EQ(std::make_tuple(p.info.channels, p.info.sampleRate, p.playDataBytes, p.info.chunks.formatBytes,
                              p.info.chunks.dataOffset - p.info.chunks.formatOffset),
              std::make_tuple(c.wav.channels, c.wav.sampleRate, int64_t{44100}, c.wav.fmtSize,
                              c.wav.fmtSize + (c.wav.listChunkBytes ? c.wav.listChunkBytes + 8 : 0) + 8)) << c.what;
    uint8_t first[4] = {};
    ASSERT_EQ(ReadPlayData(p, 2, first, 4), 4);
    EXPECT_EQ(std::make_pair(ReadLe16(first), ReadLe16(first + 2)), std::make_pair(uint16_t{1}, uint16_t{2})) << c.what;
  }
  std::vector<uint8_t> rifx = MakeWav({.leading = Chunk("bext", 602)});
  rifx[3] = 'X';
  EXPECT_TRUE(OpenBytes(rifx).info.headerless);
}

TEST_F(ReaderTest, StartingPointMovesTheStartByWholeSecondsOnFourByteSteps) {
  RecordingPlayback p = Open({.channels = 2, .dataBytes = 30 * 88200});
  ASSERT_EQ(p.playLengthSeconds, 30);
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
  ASSERT_EQ(p.playLengthSeconds, 11);
  SetPlayStartSecond(p, 1);
  EXPECT_EQ(p.playStartOffset, 22048);
  // The top of the bar lies past the last byte: the start stays inside the data.
  SetPlayStartSecond(p, 11);
  EXPECT_TRUE(p.playStartOffset <= p.info.dataBytes && p.playDataBytes >= 0 && p.playStartOffset % 4 == 0)
      << p.playStartOffset;
  EXPECT_EQ(ReadPlayData(p, p.playDataBytes, half.data(), 2), 0);
}

TEST_F(ReaderTest, ReadsStayInsideTheDataAndLeaveTheRestOfTheBlock) {
  RecordingPlayback p = Open({.dataBytes = 44104, .trailing = Chunk("LIST", 4)});
  ASSERT_TRUE(p.ok);
  std::vector<uint8_t> block(100, 0xEE);
  EXPECT_EQ(ReadPlayData(p, 44100, block.data(), 100), 4);
  // The trailing chunk is no sound; nothing is read at or past the end, nor before the start.
  EXPECT_EQ(std::make_pair(ReadLe16(&block[0]), block[4]), std::make_pair(uint16_t{22050}, uint8_t{0xEE}));
  EXPECT_EQ(std::make_pair(ReadPlayData(p, 44104, block.data(), 100), ReadPlayData(p, -2, block.data(), 100)),
            std::make_pair(int64_t{0}, int64_t{0}));
}

TEST_F(ReaderTest, PathsThatAreNoRecordingCannotBeOpened) {
  // A FIFO would block a plain open forever.
  const std::string fifo = Path("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {Path("missing.wav"), dir_.string(), std::string(), fifo})
    EXPECT_EQ(OpenRecordingForPlay(path).message, "Cannot Open File") << path;
}

}  // namespace
