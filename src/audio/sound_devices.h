#pragma once
// The sound devices the user chose (Audio Devices dialog) and opening them. The choice is read at
// every open, so it takes effect at the next Run or playback.
#include <memory>
#include <string>

#include "platform/sound.h"

struct SoundDeviceChoice {
  // Ids from SoundSystem::ListDevices; empty for the system default. The names are the ones the
  // user chose them by (for the message when a device has gone).
  std::string InputDevice, InputName;
  std::string OutputDevice, OutputName;
};
extern SoundDeviceChoice SoundDevices;

// The choice is remembered between runs of the desktop program (nothing without a preference
// store): read at start, written whenever it changes (the dialog's OK, a fallback to the default).
SoundDeviceChoice RememberedSoundDevices();
void RememberSoundDevices();

// Opens the chosen device of the current sound system. A chosen device that is no longer offered
// gives a message naming it, and the default device is opened (and chosen) instead. nullptr when
// no device opens (or there is no sound system).
std::unique_ptr<SoundInput> OpenChosenInput(const SoundFormat& format);
std::unique_ptr<SoundOutput> OpenChosenOutput(const SoundFormat& format);
