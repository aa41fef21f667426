#include "main/sound_backend.h"

#include "platform/portaudio/portaudio_sound.h"
#include "platform/pulse/pulse_sound.h"

namespace {

// Asks at every list and open which system to use: a server started (or stopped) while the
// program runs is taken into account at the next Run or playback.
class ServerOrLibrary : public SoundSystem {
 public:
  ServerOrLibrary() : server_(MakePulseSoundSystem()), library_(MakePortAudioSoundSystem()) {}
  std::unique_ptr<SoundInput> OpenInput(const SoundFormat& format, const std::string& device) override {
    return Current().OpenInput(format, device);
  }
  std::unique_ptr<SoundOutput> OpenOutput(const SoundFormat& format, const std::string& device) override {
    return Current().OpenOutput(format, device);
  }
  std::vector<SoundDeviceInfo> ListDevices(bool input) override { return Current().ListDevices(input); }

 private:
  SoundSystem& Current() {
    if (server_->ServerAnswers()) return *server_;
    return *library_;
  }
  std::unique_ptr<PulseSoundSystem> server_;
  std::unique_ptr<SoundSystem> library_;
};

}  // namespace

std::unique_ptr<SoundSystem> MakeRealSoundSystem() { return std::make_unique<ServerOrLibrary>(); }
