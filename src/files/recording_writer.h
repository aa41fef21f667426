#pragma once
// The two writers of the 46-byte layout.
//
// Record file: CreateRecordFile writes a header that already describes an empty recording (RIFF
// size 38, data size 0); every AppendRecordData appends whole frames after the data written so far
// and then rewrites the header's two size fields, so the file on disk is a valid recording after
// every buffer: a run cut off by a crash or a power loss keeps every buffer that was appended.
// Appends after a Stop Record and a new Record in the same run continue the same data (passages
// sum up). CloseRecordFile writes the final header and closes.
// A write that fails (disk full, device gone) cuts the file back to the last whole append, keeps
// its header true, and leaves the writer refusing further appends: the caller stops recording and
// shows the message. Nothing is ever reported written that is not in the file.
//
// Sample file: SaveSampleFile writes one whole sample buffer with its header in one go.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/file_handle.h"
#include "files/wave_header.h"

inline constexpr const char* kMsgCannotWriteFile = "Cannot Write File";
inline constexpr const char* kMsgRecordFileFull = "The recording file has reached its largest size (4 GB)";
// The data size field is 32 bits and RIFF size = data + 38 must fit as well.
inline constexpr int64_t kMaxRecordDataBytes = 0xFFFFFFFFll - WaveEmptyRiffSize;

struct RecordFileWriter {
  FileHandle file;            // StreamFile while a record file is open
  WaveHeader header{};        // RecordHeader: the capture format and the sizes on disk
  int64_t recordedBytes = 0;  // RecordedBytes: data bytes that are in the file
  int blockAlign = 0;         // bytes per frame of the capture format
  bool failed = false;        // a write failed; further appends are refused
  std::string message;        // why it failed
  // Flush the data to the disk before the header is made to count it, so that after a power loss
  // the header never claims data that did not reach the disk.
  bool syncEachAppend = true;
};

inline bool IsRecordFileOpen(const RecordFileWriter& w) { return w.file.IsOpen(); }

// Creates (replacing) the file and writes the empty-recording header. Channels 1..2, rate > 0,
// bits 16. On failure *error = "Cannot Open File" and the writer stays closed. A writer that is
// still open is closed first.
bool CreateRecordFile(RecordFileWriter& w, const std::string& path, int channels, int sampleRate,
                      int bitsPerSample, std::string* error);

// Appends `bytes` bytes of interleaved little-endian frames (a trailing part frame is not written)
// and updates the header on disk. False with *error set when the writer is closed or has failed,
// when the file would outgrow the 32-bit size fields, or when the write fails.
bool AppendRecordData(RecordFileWriter& w, const uint8_t* data, size_t bytes, std::string* error);

// Writes the final header (RIFF size = recorded bytes + 38, data size = recorded bytes), flushes
// and closes. True when closed cleanly (also for a writer that was not open).
bool CloseRecordFile(RecordFileWriter& w, std::string* error);

// Save Sample A / B: creates (replacing) `path` and writes the header for `bytes` data bytes and
// the whole buffer, zero-filled tail included. Messages: "Cannot Open File" when the file cannot
// be created, "Cannot Write File ..." when writing fails (the file then holds a valid header for
// no data rather than a header that promises missing data).
bool SaveSampleFile(const std::string& path, int channels, int sampleRate, int bitsPerSample,
                    const uint8_t* data, size_t bytes, std::string* error);
bool SaveSampleFile(const std::string& path, int channels, int sampleRate, int bitsPerSample,
                    const std::vector<int16_t>& samples, std::string* error);
