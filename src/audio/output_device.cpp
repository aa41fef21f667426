#include "audio/output_device.h"

#include "audio/sound_devices.h"
#include "platform/clock.h"
#include "settings/analysis_settings.h"

OutputDeviceState Output;

OutputVolume PlaybackVolume(int variant, int channels, int listenChannel) {
  if (variant == 2) return listenChannel == 0 ? OutputVolume{0, kPlaybackLevel} : OutputVolume{kPlaybackLevel, 0};
  if (channels == 2) return {kPlaybackLevel, 0};
  return {kPlaybackLevel, kPlaybackLevel};
}

bool OpenPlaybackDevice(const SoundFormat& format, const uint8_t* data, size_t bytes, int loops, PlaybackOwner owner) {
  ClosePlaybackOutput();
  if (!data || bytes == 0) return false;
  std::unique_ptr<SoundOutput> device = OpenChosenOutput(format);
  if (!device) return false;
  const auto& st = AnalysisSettings;
  const OutputVolume v = PlaybackVolume(st.ProductVariant, format.channels, st.ListenChannel);
  device->SetVolume(v.left, v.right);
  // A desktop's sound server takes a while to open a stream: the sound starts with the write.
  const double start = NowMs();
  if (!device->Write(data, bytes, loops)) {
    device->Close();
    return false;
  }
  Output.PlaybackDevice = std::move(device);
  Output.Owner = owner;
  Output.LastBufferTime = start;
  Output.Volume = v;
  Output.TotalFrames = static_cast<int64_t>(bytes / static_cast<size_t>(format.BlockAlign())) * loops;
  Output.ResetRequested = false;
  return true;
}

void ResetPlaybackOutput() {
  if (!Output.PlaybackDevice) return;
  Output.ResetRequested = true;
  Output.PlaybackDevice->Reset();
}

void ClosePlaybackOutput() {
  // Closing drops what is still queued without a notice, so no stale MM_WOM_DONE can reach a
  // device opened after this one.
  if (Output.PlaybackDevice) Output.PlaybackDevice->Close();
  Output.PlaybackDevice.reset();
  Output.Owner = PlaybackOwner::None;
  Output.ResetRequested = false;
}

bool PlaybackDoneIsCurrent() {
  if (!Output.PlaybackDevice) return false;
  return Output.ResetRequested || Output.PlaybackDevice->PositionFrames() >= Output.TotalFrames;
}

int64_t PlaybackPositionFrames() { return Output.PlaybackDevice ? Output.PlaybackDevice->PositionFrames() : -1; }
