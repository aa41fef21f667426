// Starting and ending a helper program, with a stand-in shell script first on PATH.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/process.h"

namespace {

namespace fs = std::filesystem;

struct HelperProgramTest : ::testing::Test {
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tx-helper-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    // The stand-in writes its pid to a file named after it and then waits to be ended.
    const fs::path script = dir_ / "tx-stand-in-mixer";
    std::ofstream(script) << "#!/bin/sh\necho $$ > \"" << (dir_ / "started").string() << "\".$$\nexec sleep 60\n";
    fs::permissions(script, fs::perms::owner_all);
    setenv("PATH", (dir_.string() + ":" + oldPath_).c_str(), 1);
  }
  void TearDown() override {
    setenv("PATH", oldPath_.c_str(), 1);
    fs::remove_all(dir_);
  }
  bool WaitForStart(long long pid) {
    const fs::path started = dir_ / ("started." + std::to_string(pid));
    for (int i = 0; i < 500 && !fs::exists(started); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return fs::exists(started);
  }
  static bool Gone(long long pid) { return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

  fs::path dir_;
  std::string oldPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
};

TEST_F(HelperProgramTest, LaunchingAgainEndsTheFirstInstance) {
  EXPECT_EQ(LaunchFirstProgramOnPath({"tx-no-such-mixer", ""}).id + LaunchFirstProgramOnPath({}).id, 0);
  LaunchedProgram first = LaunchFirstProgramOnPath({"tx-no-such-mixer", "tx-stand-in-mixer"});
  ASSERT_GT(first.id, 0);
  ASSERT_TRUE(WaitForStart(first.id));
  EXPECT_FALSE(Gone(first.id));
  // What the program does on the second press: end the first, start anew.
  EndLaunchedProgram(first);
  EXPECT_TRUE(Gone(first.id));  // ended and reaped: no zombie left behind
  LaunchedProgram second = LaunchFirstProgramOnPath({"tx-stand-in-mixer"});
  ASSERT_TRUE(second.id > 0 && second.id != first.id && WaitForStart(second.id));
  EndLaunchedProgram(second);
  EXPECT_TRUE(Gone(second.id));
  EndLaunchedProgram(second);  // ending twice is harmless
  EndLaunchedProgram(LaunchedProgram{});
}

}  // namespace
