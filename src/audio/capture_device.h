#pragma once
// The capture device and its ring: two 4-second buffers in one stream block, handed to the sound
// input and put straight back whenever one comes back full. The live loop never waits for a
// buffer; it asks the device for its position and reads the newest frames out of the ring.
//
// Block accounting: the stream block and the two buffer-header blocks each count one in
// Mode.OpenBlockCount while they exist; the unrolled copy does not count (it outlives a run).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/sound.h"

inline constexpr int kCaptureSeconds = 4;  // each ring buffer holds this much sound

struct CaptureState {
  std::unique_ptr<SoundInput> CaptureDevice;  // open from the start to MM_WIM_CLOSE
  bool DeviceClosing = false;                 // Reset and Close were called; MM_WIM_CLOSE pending
  // Header image (46 bytes), CaptureBuffer1, CaptureBuffer2, contiguous.
  std::vector<uint8_t> StreamBlock;
  bool HeaderBlocks = false;  // BufferHeader1 and BufferHeader2 exist (two counted blocks)
  // The ring in time order, oldest first, written by the freeze copy. Kept between runs.
  std::vector<uint8_t> UnrolledCapture;

  int Channels = 1;             // 1 (variant 1) or 2 (Audio, EGG)
  int SampleRate = 22050;       // frames per second
  int BlockAlign = 2;           // bytes per frame
  int CaptureBufferFrames = 0;  // frames per ring buffer (rate x 4)
  int CaptureBufferBytes = 0;

  int CompletedBufferCount = 0;     // 1 after buffer 1 came back, 2 (then 0) after buffer 2
  uint8_t FillingSecondBuffer = 0;  // 1 while the device fills buffer 2
  int CompletedBuffer = -1;         // 0 or 1: the buffer that came back last (what recording writes)
  double LastBufferTime = 0;        // ms, device start and then every returned buffer
};

extern CaptureState Capture;

enum class CaptureStartResult {
  Started,
  NoMemoryForStreamBlock,  // "Not enough memory"; nothing allocated
  NoMemoryForUnrolled,     // "Not enough memory"; stream block freed
  CannotOpenDevice,        // "Cannot Open Audio Device"; stream block freed
  QueueFailed,             // handing over or starting failed; everything freed, no message
};

// Steps of the start of capture after the frame and the samples: allocates the stream block and
// the unrolled copy, builds the header image, opens the device with its format, queues both
// buffers (buffer 1 first). `resetFlags` runs after the buffers are queued and before the device
// starts (it clears the mode flags of a new run). On Started the device runs and LastBufferTime is
// now. `maxBlockBytes` limits the stream block (0 = no limit; tests use it to fail the allocation).
CaptureStartResult StartCapture(int channels, int sampleRate, void (*resetFlags)(), size_t maxBlockBytes = 0);

// Buffer `which` (0 or 1) of the ring; nullptr when no stream block exists.
uint8_t* CaptureBuffer(int which);

// MM_WIM_DATA. When stopping (`stopRequested`): resets and closes the device (the buffers it hands
// back take the same path and change nothing). Otherwise re-queues the buffer, notes it as
// CompletedBuffer and which buffer fills now, and time-stamps it. Returns the completed buffer to
// write to a record file, or nullptr (stopping, or a stray notification with no ring).
const uint8_t* OnCaptureBufferReturned(int which, bool stopRequested);

// MM_WIM_CLOSE: frees the stream block and the header blocks and forgets the device.
void OnCaptureClosed();

// Stops the device from delivering (the Stop of a command); the next step of the run closes it.
void StopCaptureDevice();

// Resets and closes a device that is still open (the end of a run, the final close). The
// notifications it posts finish the job (MM_WIM_CLOSE frees the blocks).
void CloseCaptureDevice();

// Frees everything, the unrolled copy too, without waiting for notifications (final close).
void ReleaseCapture();
