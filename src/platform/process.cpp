#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace {

long long SpawnDetached(const std::string& name) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  if (posix_spawn_file_actions_init(&actions) != 0) return 0;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return 0;
  }
  // Its own process group, and no share in our keyboard input: a Ctrl+C meant for us must not
  // reach the helper, and the helper must not read what the user types to us.
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t pid = 0;
  char* argv[] = {const_cast<char*>(name.c_str()), nullptr};
  const int rc = posix_spawnp(&pid, name.c_str(), &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? static_cast<long long>(pid) : 0;
}

}  // namespace

LaunchedProgram LaunchFirstProgramOnPath(const std::vector<std::string>& candidates) {
  for (const auto& name : candidates) {
    if (name.empty()) continue;
    // posix_spawnp reports a program that is not on PATH as a failure of the call itself.
    if (long long pid = SpawnDetached(name); pid > 0) return LaunchedProgram{pid};
  }
  return LaunchedProgram{};
}

void EndLaunchedProgram(LaunchedProgram program) {
  if (program.id <= 0) return;
  const auto pid = static_cast<pid_t>(program.id);
  // Ask politely, give it a moment to go, then insist; always reap so no zombie is left.
  if (kill(pid, SIGTERM) != 0 && errno == ESRCH) {
    waitpid(pid, nullptr, WNOHANG);
    return;
  }
  for (int i = 0; i < 100; ++i) {
    pid_t r = waitpid(pid, nullptr, WNOHANG);
    if (r == pid || (r < 0 && errno == ECHILD)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}
