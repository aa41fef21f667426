#include "audio/capture_recording.h"

// The record file writer is not part of live analysis; until recording is built these two calls
// are where it plugs in (Mode.Recording is never set without it).
void AppendCapturedBuffer(const uint8_t*, size_t) {}
void FinishRecordFileAtCaptureClose() {}
