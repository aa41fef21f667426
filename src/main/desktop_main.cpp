// The desktop program of one variant (TX_PRODUCT_VARIANT): a Qt window and real sound devices.
#include <string>

#include "app/program.h"
#include "main/sound_backend.h"
#include "platform/qt/qt_backend.h"
#include "platform/qt/qt_preferences.h"
#include "platform/sound.h"

namespace {

// The program takes its whole command line as one path: the arguments joined by spaces.
std::string JoinArguments(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  QtApplication application(argc, argv);  // Qt takes its own options (-platform, ...) out of argv
  const std::string commandLine = JoinArguments(argc, argv);
  QtBackend backend;
  SetBackend(&backend);
  // The window's place, the dialogs' folders and the devices are remembered between runs.
  QtPreferenceStore preferences;
  SetPreferenceStore(&preferences);
  // Real sound devices for the program's whole life.
  auto sound = MakeRealSoundSystem();
  SetSoundSystem(sound.get());
  const int exitCode = RunTaldrinex(TX_PRODUCT_VARIANT, commandLine);
  SetSoundSystem(nullptr);
  SetPreferenceStore(nullptr);
  SetBackend(nullptr);
  return exitCode;
}
