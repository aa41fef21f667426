#pragma once
// Where the capture path hands sound to the record file. The recording module writes the file;
// the capture path only calls these at the two moments a recording is touched.
#include <cstddef>
#include <cstdint>

// A whole ring buffer came back while Recording is on: append it to the record file (always the
// full buffer, CaptureBufferBytes). Called after the Stop Record bookkeeping of that buffer.
void AppendCapturedBuffer(const uint8_t* buffer, size_t bytes);

// The capture device closed: finish the record file's header and close it if one is open.
void FinishRecordFileAtCaptureClose();
