#pragma once
// Where the capture path hands sound to the record file, and the record file itself. A recording
// is made of whole 4-second capture buffers; the file's header is kept true after every buffer,
// so a recording cut off by a crash or a power loss keeps every buffer written so far.
#include <cstddef>
#include <cstdint>
#include <string>

#include "files/recording_writer.h"

struct RecordingState {
  RecordFileWriter Writer;  // StreamFile, RecordHeader and RecordedBytes
  std::string FailureMessage;  // set when a write failed and recording stopped
};

extern RecordingState Recorder;

// Creates the record file for the capture format (RecordFileOpen = 1). False with *error set to
// the message the user sees when it cannot be created.
bool OpenRecordFile(const std::string& path, int channels, int sampleRate, std::string* error);

// A whole ring buffer came back while Recording is on: append it to the record file (always the
// full buffer, CaptureBufferBytes). Called after the Stop Record bookkeeping of that buffer.
// False when the write failed: recording has then stopped (Recording, RecordArmed and
// RecordStopRequested cleared) and Recorder.FailureMessage says why; the file stays valid.
bool AppendCapturedBuffer(const uint8_t* buffer, size_t bytes);

// The capture device closed: finish the record file's header and close it if one is open.
// False when the final header could not be written (Recorder.FailureMessage says why).
bool FinishRecordFileAtCaptureClose();
