#pragma once
// The real sound devices of the desktop program (and of `taldrinex-cli run --real-sound`): the
// sound server's, through libpulse, whenever a server answers; otherwise the sound library's
// (PortAudio), so that machines without a server keep their sound.
#include <memory>

#include "platform/sound.h"

std::unique_ptr<SoundSystem> MakeRealSoundSystem();
