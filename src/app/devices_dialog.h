#pragma once
// The "Audio Devices" dialog (115): the capture and the playback device, each chosen by name from
// the devices the sound system offers now, or "System default". OK keeps the choice for the next
// Run or playback (SoundDevices); Cancel leaves it as it was.
#include <vector>

#include "platform/sound.h"

constexpr int kDevicesDialog = 115;
constexpr int kInputDeviceList = 1201;
constexpr int kOutputDeviceList = 1202;

struct DevicesDialogState {
  // What each list offers after its first entry, "System default", in the order shown.
  std::vector<SoundDeviceInfo> Inputs, Outputs;
};
extern DevicesDialogState DevicesDialog;

// Shows the dialog; returns 1 for OK, 0 for Cancel.
int RunDevicesDialog();
