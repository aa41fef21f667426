#include "audio/sound_devices.h"

#include <algorithm>

#include "platform/backend.h"

SoundDeviceChoice SoundDevices;

namespace {

// Opens `id` (or the default); when a chosen device has vanished, tells the user and falls back.
template <typename Device>
std::unique_ptr<Device> OpenWithFallback(bool input, std::string& id, std::string& name,
                                         std::unique_ptr<Device> (*open)(SoundSystem&, const SoundFormat&,
                                                                         const std::string&),
                                         const SoundFormat& format) {
  SoundSystem* system = CurrentSoundSystem();
  if (!system) return nullptr;
  auto device = open(*system, format, id);
  if (device || id.empty()) return device;
  // A device that is still offered but refused to open is a failure of its own, not a vanished one.
  const auto offered = system->ListDevices(input);
  if (std::any_of(offered.begin(), offered.end(), [&](const SoundDeviceInfo& d) { return d.id == id; }))
    return nullptr;
  const std::string shown = name.empty() ? id : name;
  id.clear();
  name.clear();
  if (HasBackend()) {
    CurrentBackend().ShowMessageBox(std::string("The sound ") + (input ? "input" : "output") + " device \"" +
                                        shown +
                                        "\" is not available.\nThe system default device is used instead.",
                                    "Taldrinex", MessageIcon::Exclamation);
  }
  return open(*system, format, {});
}

std::unique_ptr<SoundInput> OpenIn(SoundSystem& s, const SoundFormat& f, const std::string& id) {
  return s.OpenInput(f, id);
}
std::unique_ptr<SoundOutput> OpenOut(SoundSystem& s, const SoundFormat& f, const std::string& id) {
  return s.OpenOutput(f, id);
}

}  // namespace

std::unique_ptr<SoundInput> OpenChosenInput(const SoundFormat& format) {
  return OpenWithFallback<SoundInput>(true, SoundDevices.InputDevice, SoundDevices.InputName, OpenIn, format);
}

std::unique_ptr<SoundOutput> OpenChosenOutput(const SoundFormat& format) {
  return OpenWithFallback<SoundOutput>(false, SoundDevices.OutputDevice, SoundDevices.OutputName, OpenOut,
                                       format);
}
