// The reader Play File uses: tag scanning, the headerless fallback, its checks and the starting point.
#include <sys/stat.h>

#include "files/recording_file.h"
#include "settings/analysis_settings.h"
#include "wav_fixture.h"

namespace {

using wavtest::MakeWav;
using wavtest::WavSpec;

class ReaderTest : public wavtest::TempDirTest {
 protected:
  RecordingPlayback Open(const std::vector<uint8_t>& bytes, int64_t startOffset = 0) {
    const std::string path = Path("f.wav");
    wavtest::WriteFile(path, bytes);
    return OpenRecordingForPlay(path, startOffset);
  }
  RecordingPlayback Open(const WavSpec& wav) { return Open(MakeWav(wav)); }
};

TEST_F(ReaderTest, ShortestPlayableIsOneSecondMonoAndHalfASecondStereo) {
  WavSpec mono;
  mono.dataBytes = 44100;
  RecordingPlayback p = Open(mono);
  ASSERT_TRUE(p.ok) << p.message;
  EXPECT_EQ(p.info.dataOffset, 44);  // a plain 16-byte fmt chunk
  EXPECT_EQ(p.playDataBytes, 44100);
  EXPECT_EQ(p.playDataFrames, 22050);
  EXPECT_EQ(p.playLengthSeconds, 1);
  EXPECT_TRUE(p.file.IsOpen());

  mono.dataBytes = 44098;
  p = Open(mono);
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.message, "Sample is too short");
  EXPECT_FALSE(p.file.IsOpen());

  WavSpec stereo;
  stereo.channels = 2;
  stereo.dataBytes = 44100;  // 0.5 s of 22050 Hz stereo
  p = Open(stereo);
  ASSERT_TRUE(p.ok) << p.message;
  EXPECT_EQ(p.playDataFrames, 11025);
  EXPECT_EQ(p.playLengthSeconds, 1);  // 0.5 rounds up
  stereo.dataBytes = 44096;
  EXPECT_EQ(Open(stereo).message, "Sample is too short");
}

TEST_F(ReaderTest, TagsAreFoundInAnyCase) {
  const char* fmtTags[] = {"fmt ", "FMT ", "Fmt "};
  const char* dataTags[] = {"data", "DATA", "dAtA"};
  for (int i = 0; i < 3; ++i) {
    WavSpec s;
    s.channels = 2;
    s.sampleRate = 44100;
    s.fmtTag = fmtTags[i];
    s.dataTag = dataTags[i];
    s.fmtSize = 18;
    s.dataBytes = 88200;
    RecordingPlayback p = Open(s);
    ASSERT_TRUE(p.ok) << fmtTags[i] << p.message;
    EXPECT_FALSE(p.info.headerless);
    EXPECT_EQ(p.info.channels, 2);
    EXPECT_EQ(p.info.sampleRate, 44100);
    EXPECT_EQ(p.info.dataOffset, 46);
  }
}

TEST_F(ReaderTest, ExtraChunkBeforeDataIsSkippedWithin1024Bytes) {
  WavSpec s;
  s.listChunkBytes = 100;
  RecordingPlayback p = Open(s);
  ASSERT_TRUE(p.ok) << p.message;
  EXPECT_EQ(p.info.dataOffset, 44 + 108);
  uint8_t first[4] = {};
  ASSERT_EQ(ReadPlayData(p, 0, first, 4), 4);
  EXPECT_EQ(ReadLe16(first), 0);  // the counting data, not LIST bytes
  EXPECT_EQ(ReadLe16(first + 2), 1);

  // "fmt " sits at 12; "data" is found up to 1024 positions further, at 1036, and not beyond.
  s.listChunkBytes = 1036 - 36 - 8;
  p = Open(s);
  ASSERT_TRUE(p.ok) << p.message;
  EXPECT_FALSE(p.info.headerless);
  EXPECT_EQ(p.info.dataOffset, 1044);
  s.listChunkBytes += 1;
  p = Open(s);
  ASSERT_TRUE(p.ok) << p.message;
  EXPECT_TRUE(p.info.headerless);
  EXPECT_EQ(p.info.dataOffset, 0);
}

TEST_F(ReaderTest, FileWithoutTagsPlaysAsHeaderless11025MonoFromItsFirstByte) {
  std::vector<uint8_t> raw = wavtest::CountingData(55125);  // 2.5 s at 11025 Hz, ending in an odd byte
  RecordingPlayback p = Open(raw);
  ASSERT_TRUE(p.ok) << p.message;
  EXPECT_TRUE(p.info.headerless);
  EXPECT_EQ(p.info.sampleRate, 11025);
  EXPECT_EQ(p.info.channels, 1);
  EXPECT_EQ(p.info.bitsPerSample, 16);
  EXPECT_EQ(p.info.dataOffset, 0);
  EXPECT_EQ(p.playDataBytes, 55125);  // the playable length comes from the file size
  EXPECT_EQ(p.playDataFrames, 27562);
  EXPECT_EQ(p.playLengthSeconds, 3);

  // "fmt " alone, or "fmt " only after byte 511, is not a header either.
  std::vector<uint8_t> late(60000, 0);
  std::memcpy(&late[512], "fmt ", 4);
  std::memcpy(&late[600], "data", 4);
  p = Open(late);
  ASSERT_TRUE(p.ok);
  EXPECT_TRUE(p.info.headerless);
}

TEST_F(ReaderTest, LongerThanEightSecondsRoundedAsksForAStartingPoint) {
  struct Case {
    size_t bytes;
    int seconds;
    bool dialog;
  } cases[] = {
      {370440, 8, false},  // 8.4 s
      {374850, 9, true},   // 8.5 s rounds up
      {396900, 9, true},   // 9 s
  };
  for (const Case& c : cases) {
    WavSpec s;
    s.dataBytes = c.bytes;
    RecordingPlayback p = Open(s);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.playLengthSeconds, c.seconds) << c.bytes;
    EXPECT_EQ(p.needsStartDialog, c.dialog) << c.bytes;
  }
}

TEST_F(ReaderTest, StartingPointMovesTheStartByWholeSecondsOnFourByteSteps) {
  WavSpec s;
  s.channels = 2;
  s.dataBytes = 30 * 88200;
  RecordingPlayback p = Open(s);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.playLengthSeconds, 30);
  SetPlayStartSecond(p, 20);
  EXPECT_EQ(p.playStartOffset, 20 * 88200);
  EXPECT_EQ(p.playDataBytes, 10 * 88200);
  EXPECT_EQ(p.playDataFrames, 10 * 22050);
  EXPECT_EQ(p.playLengthSeconds, 10);
  // Reading goes on in half-blocks from the new start to the end of the data.
  std::vector<uint8_t> half(4 * 88200);
  ASSERT_EQ(ReadNextPlayData(p, half.data(), 88200), 88200);
  EXPECT_EQ(ReadLe16(&half[0]), static_cast<uint16_t>(20 * 88200 / 2));
  ASSERT_EQ(ReadNextPlayData(p, half.data(), 4 * 88200), 4 * 88200);
  EXPECT_EQ(ReadLe16(&half[0]), static_cast<uint16_t>(21 * 88200 / 2));
  ASSERT_EQ(ReadNextPlayData(p, half.data(), 4 * 88200), 4 * 88200);
  ASSERT_EQ(ReadNextPlayData(p, half.data(), 4 * 88200), 88200);
  EXPECT_EQ(ReadNextPlayData(p, half.data(), 4 * 88200), 0);
  uint8_t v[2];

  // 11025 Hz mono: one second is 22050 bytes, taken down to 22048.
  WavSpec slow;
  slow.sampleRate = 11025;
  slow.dataBytes = 10 * 22050 + 11025;  // 10.5 s: the dialog's top end is 11 s
  p = Open(slow);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.playLengthSeconds, 11);
  SetPlayStartSecond(p, 1);
  EXPECT_EQ(p.playStartOffset, 22048);
  // The top of the bar lies past the last byte: the start stays inside the data.
  SetPlayStartSecond(p, 11);
  EXPECT_LE(p.playStartOffset, p.info.dataBytes);
  EXPECT_GE(p.playDataBytes, 0);
  EXPECT_EQ(p.playStartOffset % 4, 0);
  EXPECT_EQ(ReadPlayData(p, p.playDataBytes, v, 2), 0);
}

TEST_F(ReaderTest, ResumedOpenKeepsTheStartOffsetInForce) {
  WavSpec s;
  s.dataBytes = 20 * 44100;
  RecordingPlayback p = Open(MakeWav(s), 5 * 44100);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.playStartOffset, 5 * 44100);
  EXPECT_EQ(p.playLengthSeconds, 15);
  // Too little left after the start offset is as short as a short file.
  p = Open(MakeWav(s), 20 * 44100 - 1000);
  EXPECT_EQ(p.message, "Sample is too short");
}

TEST_F(ReaderTest, ReadsStayInsideTheDataAndLeaveTheRestOfTheBlock) {
  WavSpec s;
  s.dataBytes = 44104;
  s.trailing = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'x', 'x', 'x', 'x'};
  RecordingPlayback p = Open(s);
  ASSERT_TRUE(p.ok);
  std::vector<uint8_t> block(100, 0xEE);
  EXPECT_EQ(ReadPlayData(p, 44100, block.data(), 100), 4);
  EXPECT_EQ(ReadLe16(&block[0]), 22050);
  EXPECT_EQ(block[4], 0xEE);  // the trailing chunk is no sound
  EXPECT_EQ(ReadPlayData(p, 44104, block.data(), 100), 0);
  EXPECT_EQ(ReadPlayData(p, -2, block.data(), 100), 0);
}

TEST_F(ReaderTest, BadFormatsAreRejectedWithTheirMessage) {
  struct Case {
    const char* what;
    WavSpec wav;
    const char* message;
  };
  auto wav = [](auto change) {
    WavSpec s;
    s.dataBytes = 88200;
    change(s);
    return s;
  };
  const Case cases[] = {
      {"8 bits", wav([](WavSpec& s) { s.bitsPerSample = 8; }), "16 bit sampling is required"},
      {"24 bits", wav([](WavSpec& s) { s.bitsPerSample = 24; }), "16 bit sampling is required"},
      {"0 channels", wav([](WavSpec& s) {
         s.channels = 0;
         s.blockAlign = 0;
       }),
       kMsgBadChannels},
      {"3 channels", wav([](WavSpec& s) { s.channels = 3; }), kMsgBadChannels},
      {"0 Hz", wav([](WavSpec& s) { s.sampleRate = 0; }), kMsgBadSampleRate},
      {"huge rate", wav([](WavSpec& s) { s.sampleRate = 2000000000; }), kMsgBadSampleRate},
      {"block align", wav([](WavSpec& s) { s.blockAlign = 4; }), kMsgBadBlockAlign},
      {"block align 0", wav([](WavSpec& s) { s.blockAlign = 0; }), kMsgBadBlockAlign},
  };
  for (const Case& c : cases) {
    RecordingPlayback p = Open(c.wav);
    EXPECT_FALSE(p.ok) << c.what;
    EXPECT_EQ(p.message, c.message) << c.what;
    EXPECT_FALSE(p.file.IsOpen()) << c.what;
  }
}

TEST_F(ReaderTest, DeclaredDataBeyondTheFileEndIsCutToWhatIsThere) {
  WavSpec s;
  s.dataBytes = 50000;
  s.declaredData = 10000000;
  RecordingPlayback p = Open(s);
  ASSERT_TRUE(p.ok) << p.message;
  EXPECT_EQ(p.info.declaredDataBytes, 10000000);
  EXPECT_EQ(p.info.dataBytes, 50000);
  EXPECT_EQ(p.playDataBytes, 50000);
  s.declaredData = 0xFFFFFFFF;  // a streaming writer's "unknown"
  s.dataBytes = 30000;
  EXPECT_EQ(Open(s).message, "Sample is too short");
  // A data tag at the very end of the file, its size field cut off.
  std::vector<uint8_t> cut = MakeWav(WavSpec{});
  cut.resize(40);
  EXPECT_EQ(Open(cut).message, "Sample is too short");
}

TEST_F(ReaderTest, PathsThatAreNoRecordingCannotBeOpened) {
  EXPECT_EQ(OpenRecordingForPlay(Path("missing.wav")).message, "Cannot Open File");
  EXPECT_EQ(OpenRecordingForPlay(dir_.string()).message, "Cannot Open File");
  EXPECT_EQ(OpenRecordingForPlay("").message, "Cannot Open File");
  // A FIFO would block a plain open forever.
  const std::string fifo = Path("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(OpenRecordingForPlay(fifo).message, "Cannot Open File");
}

TEST_F(ReaderTest, SettingsChangeOnlyWhenTheCallerAppliesAnAcceptedFile) {
  WavSpec s;
  s.channels = 2;
  s.sampleRate = 44100;
  s.dataBytes = 176400;
  RecordingPlayback p = Open(s);
  ASSERT_TRUE(p.ok);
  AnalysisSettingsRecord settings;
  ApplyRecordingFormat(p.info, settings);
  EXPECT_EQ(settings.Channels, 2);
  EXPECT_EQ(settings.SampleRate, 44100);
  EXPECT_EQ(settings.BitsPerSample, 16);
  EXPECT_EQ(settings.BytesPerSample, 2);
}

TEST_F(ReaderTest, LoadRecordingGivesTheFramesOrTheUsersMessage) {
  WavSpec s;
  s.channels = 2;
  s.dataBytes = 44102;  // a part frame at the end is dropped
  wavtest::WriteFile(Path("a.wav"), MakeWav(s));
  std::string error = "stale";
  auto r = LoadRecording(Path("a.wav"), &error);
  ASSERT_TRUE(r.has_value()) << error;
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(r->channels, 2);
  EXPECT_EQ(r->sampleRate, 22050);
  EXPECT_FALSE(r->headerless);
  ASSERT_EQ(r->samples.size(), 22050u);
  EXPECT_EQ(r->samples[0], 0);
  EXPECT_EQ(r->samples[22049], 22049);

  s.bitsPerSample = 8;
  wavtest::WriteFile(Path("b.wav"), MakeWav(s));
  EXPECT_FALSE(LoadRecording(Path("b.wav"), &error).has_value());
  EXPECT_EQ(error, "16 bit sampling is required");
  EXPECT_FALSE(LoadRecording(Path("none.wav"), &error).has_value());
  EXPECT_EQ(error, "Cannot Open File");
}

}  // namespace
