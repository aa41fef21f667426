#pragma once
// The reader Play File uses, as steps the caller drives:
//   1. OpenRecordingForPlay(path, startOffset): opens the file, finds its format and data by tag
//      scanning or, for a RIFF/WAVE file the scan cannot read, by walking its chunks (or takes it as
//      headerless raw data), checks it and computes the playable part.
//   2. When needsStartDialog is set and the caller shows the Starting Point dialog: on OK call
//      SetPlayStartSecond(...); on Cancel just drop the result (the file closes with it).
//   3. ReadNextPlayData(...) for the first half-block and each refill in turn, ReadPlayData(...) at
//      any byte offset of the playable part (the freeze copy). Reads never go past the end of the
//      data.
// The reader changes no program-wide value: the caller copies info into the settings record
// (ApplyRecordingFormat) once the file is accepted. It uses one 2048-byte scan block of its own,
// allocated and freed within OpenRecordingForPlay (a caller that keeps a block count adds 1 and
// subtracts 1 around the call, or nothing: the count comes out the same).
#include <cstddef>
#include <cstdint>
#include <string>

#include "files/file_handle.h"
#include "files/wave_chunks.h"

struct AnalysisSettingsRecord;

// Messages the reader reports (message box caption "Taldrinex", warning icon).
inline constexpr const char* kMsgCannotOpenFile = "Cannot Open File";
inline constexpr const char* kMsgNeeds16Bit = "16 bit sampling is required";
inline constexpr const char* kMsgSampleTooShort = "Sample is too short";
inline constexpr const char* kMsgBadChannels = "Only files with 1 or 2 channels can be played";
inline constexpr const char* kMsgBadSampleRate = "The sample rate of this file is not valid";
inline constexpr const char* kMsgCannotReadFile = "Cannot Read File";
// The measures read more sample formats than Play File plays.
inline constexpr const char* kMsgMeasureFormats =
    "Only 16-bit, 24-bit or 32-bit PCM and 32-bit float recordings can be measured";

// The shortest playable data of a file with a header: one second of 22050 Hz mono. Headerless data
// only need one whole frame: the file says nothing of its format, so a byte count meant for
// 16-bit files of any rate would refuse a second of it; the loop ends at once when too little
// remains.
inline constexpr int64_t kMinPlayableBytes = 44100;
// Files longer than this (whole seconds, rounded half up) ask for a starting point; headerless
// ones as well (their length is the file size at 11025 Hz mono).
inline constexpr int kStartDialogSeconds = 8;
// Accepted sample rates; above the top the buffer sizes derived from it would overflow.
inline constexpr int kMaxSampleRate = 1000000;

struct RecordingInfo {
  int channels = 1;        // 1 or 2
  int sampleRate = 11025;  // frames per second
  int bitsPerSample = 16;
  int bytesPerSample = 2;
  int blockAlign = 2;      // bytes per frame = bytesPerSample * channels
  bool headerless = true;  // no "fmt "/"data" found: 11025 Hz mono 16-bit from byte 0
  int64_t fileBytes = 0;
  int64_t dataOffset = 0;         // file offset of the first sample (DataOffset)
  int64_t declaredDataBytes = 0;  // data size as the header gives it (file size when headerless)
  int64_t dataBytes = 0;          // data bytes that are really in the file (declared, cut at the file end)
  int formatTag = 1;              // as found; not checked (extensible PCM plays as well)
  int headerBlockAlign = 2;       // block align field as found; not used (frames are blockAlign)
  WaveChunks chunks;              // where the format record and the data were found
};

struct RecordingPlayback {
  FileHandle file;  // open while the recording plays (StreamFile)
  RecordingInfo info;
  bool ok = false;                // false: the file is closed and message says why
  std::string message;            // empty when ok
  int64_t playStartOffset = 0;    // bytes into the data where playing starts (multiple of 4)
  int64_t playDataBytes = 0;      // from playStartOffset to the end of the data (>= 0)
  int64_t playDataFrames = 0;     // playDataBytes / blockAlign
  int playLengthSeconds = 0;      // playDataBytes in seconds, rounded half up
  bool needsStartDialog = false;  // playLengthSeconds > 8: ask for a starting point
  int64_t readOffset = 0;         // where ReadNextPlayData goes on, bytes from playStartOffset
};

// Reader steps 1 to 10 up to the dialog. startOffset is the start offset already in force (0 for a
// new Play File; the resumed and command-line entries pass theirs); it is cut to the data length.
RecordingPlayback OpenRecordingForPlay(const std::string& path, int64_t startOffset = 0);

// After the Starting Point dialog's OK: start offset = seconds * rate * bytes * channels, rounded
// down to a multiple of 4 and cut at the end of the data; playable bytes, frames and length follow,
// and reading starts again from the new start.
void SetPlayStartSecond(RecordingPlayback& playback, int startSeconds);

// Reads up to `bytes` bytes of the playable part from byte `offset` (relative to playStartOffset)
// into dst. Returns the bytes read (0 at or past the end, -1 on a read error). Bytes of dst past
// the count are left as they were.
int64_t ReadPlayData(const RecordingPlayback& playback, int64_t offset, uint8_t* dst, int64_t bytes);

// Reads the next `bytes` bytes from readOffset and moves readOffset on by what was read: the first
// half-block and every refill in turn. Same results as ReadPlayData.
int64_t ReadNextPlayData(RecordingPlayback& playback, uint8_t* dst, int64_t bytes);

// Copies the file's channels, rate and bits into the settings record (bytes per sample = bits/8).
void ApplyRecordingFormat(const RecordingInfo& info, AnalysisSettingsRecord& settings);

// The playable length in whole seconds, rounded half up (0 for a rate or frame size of 0).
int PlayLengthSecondsOf(int64_t playDataBytes, int sampleRate, int blockAlign);

// The finding step on its own (tests and tools): the format and data of a file of `fileBytes`
// bytes whose first min(fileBytes, 2048) bytes are `head`. The chunk walk sees only those bytes.
RecordingInfo ScanRecordingHead(const uint8_t* head, size_t headBytes, int64_t fileBytes);
// The same over the whole file, read through readAt.
RecordingInfo FindRecordingFormat(const uint8_t* head, size_t headBytes, int64_t fileBytes,
                                  const WaveReadAt& readAt);
// The checks on a scanned file, in the order the user meets them. Empty when it can be played.
std::string CheckRecordingFormat(const RecordingInfo& info);

// How the samples of a recording are stored. Play File plays Pcm16 only; the measures read all of
// them (WAVE_FORMAT_PCM, WAVE_FORMAT_IEEE_FLOAT, or WAVE_FORMAT_EXTENSIBLE with either sub-format).
enum class SampleEncoding { Pcm16, Pcm24, Pcm32, Float32, Other };
SampleEncoding EncodingOf(const RecordingInfo& info);

// The reader for the measures: the same finding, checks and limits as OpenRecordingForPlay, except
// that every SampleEncoding but Other is accepted (kMsgMeasureFormats otherwise). Reading with
// ReadPlayData as for playing.
RecordingPlayback OpenRecordingForMeasure(const std::string& path);
