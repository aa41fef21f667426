// With no sound server (and no sound card), opening a device fails at once; a server started later
// is found at the next open.
#include <fstream>

#include "device_test_util.h"
#include "platform/portaudio/portaudio_sound.h"
#include "pulse_server.h"

namespace sounddev {
namespace {

bool MachineHasSoundCard() {
  std::ifstream cards("/proc/asound/cards");
  for (std::string line; std::getline(cards, line);)
    if (line.find_first_not_of(" \t") != std::string::npos) return line.find("no soundcards") == std::string::npos;
  return false;
}

TEST(NoSoundServer, OpeningFailsQuicklyAndAServerStartedLaterIsFound) {
  if (MachineHasSoundCard()) GTEST_SKIP() << "this machine has a sound card: its devices open without a server";
  char folder[] = "/tmp/tx-noserver.XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  UseAbsentServer(folder);

  const auto t = std::chrono::steady_clock::now();
  auto system = MakePortAudioSoundSystem();
  EXPECT_FALSE(system->OpenInput(SoundFormat{1, kRate, 16}) || system->OpenInput(SoundFormat{2, kRate, 16}) ||
               system->OpenOutput(SoundFormat{2, 44100, 16}));
  EXPECT_LT(MsSince(t), 3000.0) << "failing to open must not wait";
  // Formats the devices never take are refused without asking them.
  EXPECT_FALSE(system->OpenInput(SoundFormat{3, kRate, 16}) || system->OpenOutput(SoundFormat{2, kRate, 8}));

  PulseServer server;
  if (server.Ok()) {
    auto output = system->OpenOutput(SoundFormat{2, kRate, 16});
    ASSERT_NE(output, nullptr);
    output->Close();
  }
  std::system((std::string("rm -rf ") + folder).c_str());
  if (!server.Ok()) GTEST_SKIP() << server.Error();
}

}  // namespace
}  // namespace sounddev
