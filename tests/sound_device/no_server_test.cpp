// With no sound server (and no sound card), opening a device fails at once; a server started later
// is found at the next open.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "device_test_util.h"
#include "platform/portaudio/portaudio_sound.h"
#include "pulse_server.h"

namespace sounddev {
namespace {

bool MachineHasSoundCard() {
  std::ifstream cards("/proc/asound/cards");
  std::string line;
  while (std::getline(cards, line)) {
    if (line.find("no soundcards") != std::string::npos) return false;
    if (line.find_first_not_of(" \t") != std::string::npos) return true;
  }
  return false;
}

TEST(NoSoundServer, OpeningFailsQuicklyAndAServerStartedLaterIsFound) {
  if (MachineHasSoundCard()) GTEST_SKIP() << "this machine has a sound card: its devices open without a server";
  char folder[] = "/tmp/tx-noserver.XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  UseAbsentServer(folder);

  const auto t = std::chrono::steady_clock::now();
  auto system = MakePortAudioSoundSystem();
  EXPECT_EQ(system->OpenInput(SoundFormat{1, kRate, 16}), nullptr);
  EXPECT_EQ(system->OpenInput(SoundFormat{2, kRate, 16}), nullptr);
  EXPECT_EQ(system->OpenOutput(SoundFormat{2, 44100, 16}), nullptr);
  EXPECT_LT(MsSince(t), 3000.0) << "failing to open must not wait";
  // Formats the devices never take are refused without asking them.
  EXPECT_EQ(system->OpenInput(SoundFormat{3, kRate, 16}), nullptr);
  EXPECT_EQ(system->OpenOutput(SoundFormat{2, kRate, 8}), nullptr);

  PulseServer server;
  if (server.Ok()) {
    auto output = system->OpenOutput(SoundFormat{2, kRate, 16});
    EXPECT_NE(output, nullptr);
    if (output) output->Close();
  }
  std::system((std::string("rm -rf ") + folder).c_str());
  if (!server.Ok()) GTEST_SKIP() << server.Error();
}

}  // namespace
}  // namespace sounddev
