#include "audio/sound_devices.h"

#include <algorithm>

#include "platform/backend.h"
#include "platform/preferences.h"

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
  RememberSoundDevices();
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

SoundDeviceChoice RememberedSoundDevices() {
  SoundDeviceChoice c;
  c.InputDevice = ReadPreference("SoundDevices/input").value_or("");
  c.InputName = ReadPreference("SoundDevices/inputName").value_or("");
  c.OutputDevice = ReadPreference("SoundDevices/output").value_or("");
  c.OutputName = ReadPreference("SoundDevices/outputName").value_or("");
  return c;
}

void RememberSoundDevices() {
  WritePreference("SoundDevices/input", SoundDevices.InputDevice);
  WritePreference("SoundDevices/inputName", SoundDevices.InputName);
  WritePreference("SoundDevices/output", SoundDevices.OutputDevice);
  WritePreference("SoundDevices/outputName", SoundDevices.OutputName);
}

std::unique_ptr<SoundInput> OpenChosenInput(const SoundFormat& format) {
  return OpenWithFallback<SoundInput>(true, SoundDevices.InputDevice, SoundDevices.InputName, OpenIn, format);
}

std::unique_ptr<SoundOutput> OpenChosenOutput(const SoundFormat& format) {
  return OpenWithFallback<SoundOutput>(false, SoundDevices.OutputDevice, SoundDevices.OutputName, OpenOut,
                                       format);
}
