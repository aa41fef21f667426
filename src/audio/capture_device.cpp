#include "audio/capture_device.h"

#include <algorithm>
#include <new>

#include "audio/sound_devices.h"
#include "files/wave_header.h"
#include "platform/clock.h"
#include "settings/mode_state.h"

CaptureState Capture;

namespace {

// Owned buffers stand in for the global blocks; an allocation that fails is reported, not thrown.
bool Allocate(std::vector<uint8_t>& block, size_t bytes, size_t limit) {
  if (limit != 0 && bytes > limit) return false;
  try {
    block.assign(bytes, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void FreeStreamBlock() {
  if (!Capture.StreamBlock.empty()) {
    Capture.StreamBlock.clear();
    Capture.StreamBlock.shrink_to_fit();
    --Mode.OpenBlockCount;
  }
}

void FreeHeaderBlocks() {
  if (Capture.HeaderBlocks) {
    Capture.HeaderBlocks = false;
    Mode.OpenBlockCount -= 2;
  }
}

}  // namespace

uint8_t* CaptureBuffer(int which) {
  if (Capture.StreamBlock.empty()) return nullptr;
  return Capture.StreamBlock.data() + WaveHeaderSize + static_cast<size_t>(which) * Capture.CaptureBufferBytes;
}

CaptureStartResult StartCapture(int channels, int sampleRate, void (*resetFlags)(), size_t maxBlockBytes) {
  auto& c = Capture;
  c.Channels = channels;
  c.SampleRate = sampleRate;
  c.BlockAlign = 2 * channels;
  c.CaptureBufferFrames = sampleRate * kCaptureSeconds;
  c.CaptureBufferBytes = c.CaptureBufferFrames * c.BlockAlign;
  const size_t ringBytes = 2 * static_cast<size_t>(c.CaptureBufferBytes);

  // A stream block left by a run whose close never arrived is not leaked twice.
  FreeStreamBlock();
  if (!Allocate(c.StreamBlock, WaveHeaderSize + ringBytes, maxBlockBytes)) {
    c.StreamBlock.clear();
    return CaptureStartResult::NoMemoryForStreamBlock;
  }
  ++Mode.OpenBlockCount;
  c.UnrolledCapture.clear();
  if (!Allocate(c.UnrolledCapture, ringBytes, maxBlockBytes)) {
    c.UnrolledCapture.clear();
    FreeStreamBlock();
    return CaptureStartResult::NoMemoryForUnrolled;
  }

  // The header image is where the device format comes from.
  const WaveHeader header = BuildWaveHeader(channels, sampleRate, 16, WaveEmptyRiffSize, 0);
  std::copy(header.begin(), header.end(), c.StreamBlock.begin());
  const WaveFields fields = *ParseWaveHeader(c.StreamBlock.data(), WaveHeaderSize);
  SoundFormat format;
  format.channels = fields.channels;
  format.sampleRate = static_cast<int>(fields.sampleRate);
  format.bitsPerSample = fields.bitsPerSample;

  c.CaptureDevice = OpenChosenInput(format);
  if (!c.CaptureDevice) {
    FreeStreamBlock();
    return CaptureStartResult::CannotOpenDevice;
  }
  c.DeviceClosing = false;

  c.HeaderBlocks = true;
  Mode.OpenBlockCount += 2;
  const auto bytes = static_cast<size_t>(c.CaptureBufferBytes);
  bool queued = c.CaptureDevice->AddBuffer(0, CaptureBuffer(0), bytes) &&
                c.CaptureDevice->AddBuffer(1, CaptureBuffer(1), bytes);
  c.CompletedBufferCount = 0;
  c.CompletedBuffer = -1;
  if (resetFlags) resetFlags();
  queued = queued && c.CaptureDevice->Start();
  if (!queued) {
    // The device is closed as well, so nothing of this run is left behind.
    c.CaptureDevice->Reset();
    c.CaptureDevice->Close();
    c.CaptureDevice.reset();
    FreeHeaderBlocks();
    FreeStreamBlock();
    Mode.CaptureStarted = 0;
    return CaptureStartResult::QueueFailed;
  }
  c.LastBufferTime = NowMs();
  c.FillingSecondBuffer = 0;
  return CaptureStartResult::Started;
}

const uint8_t* OnCaptureBufferReturned(int which, bool stopRequested) {
  auto& c = Capture;
  if (stopRequested) {
    CloseCaptureDevice();
    return nullptr;
  }
  if (!c.CaptureDevice || c.DeviceClosing || c.StreamBlock.empty() || which < 0 || which > 1) return nullptr;
  // The device names the buffer it returns, so the ring stays right even if a notification
  // were lost; the count is kept as the record of the pair.
  ++c.CompletedBufferCount;
  c.CaptureDevice->AddBuffer(which, CaptureBuffer(which), static_cast<size_t>(c.CaptureBufferBytes));
  c.CompletedBuffer = which;
  if (which == 0) {
    c.FillingSecondBuffer = 1;
  } else {
    c.FillingSecondBuffer = 0;
    c.CompletedBufferCount = 0;
  }
  c.LastBufferTime = NowMs();
  return CaptureBuffer(which);
}

void OnCaptureClosed() {
  // Only the close this run asked for frees its blocks: a late notice of an earlier device
  // must not take the blocks of a run that started since.
  if (!Capture.DeviceClosing) return;
  Capture.CaptureDevice.reset();
  Capture.DeviceClosing = false;
  FreeStreamBlock();
  FreeHeaderBlocks();
}

void StopCaptureDevice() {
  if (Capture.CaptureDevice && !Capture.DeviceClosing) Capture.CaptureDevice->Stop();
}

void CloseCaptureDevice() {
  auto& c = Capture;
  if (!c.CaptureDevice || c.DeviceClosing) return;
  c.DeviceClosing = true;
  c.CaptureDevice->Reset();
  c.CaptureDevice->Close();
}

void ReleaseCapture() {
  CloseCaptureDevice();
  Capture.CaptureDevice.reset();
  Capture.DeviceClosing = false;
  FreeStreamBlock();
  FreeHeaderBlocks();
  Capture.UnrolledCapture.clear();
  Capture.UnrolledCapture.shrink_to_fit();
}
