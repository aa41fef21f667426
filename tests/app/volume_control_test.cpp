// Volume control: a mixer found on PATH is started, the previous one ended first.
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/shell_fixture.h"
#include "app/window_state.h"

namespace {

class PathGuard {
 public:
  explicit PathGuard(const std::string& path) : old_(std::getenv("PATH") ? std::getenv("PATH") : "") {
    setenv("PATH", path.c_str(), 1);
  }
  ~PathGuard() { setenv("PATH", old_.c_str(), 1); }

 private:
  std::string old_;
};

bool Alive(long long pid) { return kill(static_cast<pid_t>(pid), 0) == 0; }

TEST_F(ShellTest, VolumeControlEndsTheFirstMixerBeforeStartingTheSecond) {
  Start(1);
  auto dir = std::filesystem::temp_directory_path() / "tx-mixer-test";
  std::filesystem::create_directories(dir);
  auto mixer = dir / "pavucontrol";
  {
    std::ofstream f(mixer);
    f << "#!/bin/sh\nexec sleep 30\n";
  }
  std::filesystem::permissions(mixer, std::filesystem::perms::owner_all);
  PathGuard path(dir.string() + ":/usr/bin:/bin");

  SendMainMessage(WM_COMMAND, MENU_VOLUME_CONTROL, 0);
  ASSERT_EQ(Window.VolumeControlLaunched, 1);
  const long long first = Window.VolumeControlProcess.id;
  ASSERT_GT(first, 0);
  EXPECT_TRUE(Alive(first));

  SendMainMessage(WM_COMMAND, MENU_VOLUME_CONTROL, 0);
  const long long second = Window.VolumeControlProcess.id;
  EXPECT_NE(second, first);
  EXPECT_FALSE(Alive(first));  // ended and reaped
  EXPECT_TRUE(Alive(second));
  EXPECT_TRUE(backend.boxes.empty());
  EndLaunchedProgram(Window.VolumeControlProcess);
  EXPECT_FALSE(Alive(second));
}

TEST_F(ShellTest, NoMixerOnThePathIsReported) {
  Start(1);
  auto empty = std::filesystem::temp_directory_path() / "tx-empty-path";
  std::filesystem::create_directories(empty);
  PathGuard path(empty.string());
  SendMainMessage(WM_COMMAND, MENU_VOLUME_CONTROL, 0);
  EXPECT_EQ(Window.VolumeControlLaunched, 0);
  ASSERT_EQ(backend.boxes.size(), 1u);
  EXPECT_EQ(backend.boxes[0].text, "Cannot locate volume control");
  EXPECT_EQ(backend.boxes[0].caption, "Taldrinex");
}

}  // namespace
