#pragma once
// The sound-output device shared by file playback and sample playback: one device at a time, open
// from the start of a playback until its end is announced (MM_WOM_DONE) or the playback gives up.
// The device plays one buffer with a loop count; the program never writes a second one.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/sound.h"

// Left and right output levels, 0..0xFFFF each.
struct OutputVolume {
  uint16_t left = 0;
  uint16_t right = 0;
};

inline constexpr uint16_t kPlaybackLevel = 0xF000;  // 61440 of 65535: a little below full scale

// The level of each side by variant: the signals variant sounds only the channel the user picked
// (ListenChannel 1 = Audio on the left, 0 = EGG on the right); the others sound only Audio (left)
// of a two-channel sound and a one-channel sound on both sides.
OutputVolume PlaybackVolume(int variant, int channels, int listenChannel);

enum class PlaybackOwner { None, File, Signals };

struct OutputDeviceState {
  std::unique_ptr<SoundOutput> PlaybackDevice;  // nullptr when closed
  PlaybackOwner Owner = PlaybackOwner::None;    // which playback the device serves
  double LastBufferTime = 0;                    // ms: when the buffer was handed over (start of sound)
  OutputVolume Volume;                          // what the device was set to
  int64_t TotalFrames = 0;                      // frames of the write, all passes
  bool ResetRequested = false;                  // Reset was called: the next MM_WOM_DONE is its answer
};

extern OutputDeviceState Output;

// Opens the default output with `format`, sets the variant's volume, notes the time (once the
// device is open: the sound starts with the write) and writes `bytes` of `data` to be played
// `loops` times. The buffer stays the caller's and must live until
// the device is closed. false when the device cannot be opened or refuses the write; nothing is
// left open then.
bool OpenPlaybackDevice(const SoundFormat& format, const uint8_t* data, size_t bytes, int loops, PlaybackOwner owner);

// Stops the sound; the device then announces MM_WOM_DONE. Nothing when no device is open.
void ResetPlaybackOutput();

// Closes the device and forgets it, without a further notification (MM_WOM_DONE, the end of a
// playback, the final close).
void ClosePlaybackOutput();

// Whether an MM_WOM_DONE that arrives now belongs to the open device: it was reset, or it has
// played its whole write. A notice left over from a device closed earlier answers false.
bool PlaybackDoneIsCurrent();

// Frames played since the write (a looping buffer counts every pass); -1 when no device is open.
int64_t PlaybackPositionFrames();
