#include "pulse_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>

extern char** environ;

// The sound libraries keep per-process caches (configuration, thread pools) that they never free.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libasound\nleak:libpulse\nleak:libportaudio\nleak:libjack\nleak:libdbus\n";
}

// The sound library loads its plugins on demand and unloads them again; what they keep would
// then be reported from an unnamed module, past any suppression. In this test program nothing is
// unloaded, so every report names its library.
extern "C" int dlclose(void*) { return 0; }

namespace sounddev {

const std::string kServerScript =
    std::string(std::getenv("TX_SOURCE_DIR") ? std::getenv("TX_SOURCE_DIR") : ".") + "/tools/pulse-test-server.sh";

PulseServer::PulseServer() {
  const std::string cmd = kServerScript + " start --owner " + std::to_string(getpid());
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) {
    error_ = "cannot run " + cmd;
    return;
  }
  // NAME=VALUE lines: the server's folder, pipes and sinks, and the PULSE_ variables that reach it.
  for (char line[1024]; std::fgets(line, sizeof line, p);) {
    const std::string s(line, std::strcspn(line, "\r\n"));
    const auto eq = s.find('=');
    const std::string name = s.substr(0, eq), value = eq == std::string::npos ? "" : s.substr(eq + 1);
    const std::pair<const char*, std::string*> fields[] = {{"TX_PULSE_DIR", &dir_},   {"TX_PULSE_FIFO", &fifo_},
                                                           {"TX_PULSE_SINK", &sink_}, {"TX_PULSE_FIFO2", &fifo2_},
                                                           {"TX_PULSE_SINK2", &sink2_}};
    for (const auto& [key, field] : fields)
      if (name == key) *field = value;
    if (name.rfind("PULSE_", 0) == 0 && eq != std::string::npos) setenv(name.c_str(), value.c_str(), 1);
  }
  const int status = pclose(p);
  if (status != 0 || dir_.empty() || fifo_.empty()) {
    error_ = "the private sound server did not start (" + cmd + ", status " + std::to_string(status) + ")";
    return;
  }
  ok_ = true;
}

void PulseServer::Stop() {
  if (dir_.empty()) return;
  const std::string cmd = kServerScript + " stop " + dir_;
  if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "stopping the sound server failed: %s\n", cmd.c_str());
  dir_.clear();
}

PulseServer::~PulseServer() { Stop(); }

void UseAbsentServer(const std::string& folder) {
  const std::string conf = folder + "/client.conf";
  std::ofstream(conf) << "autospawn = no\n";
  setenv("PULSE_CLIENTCONFIG", conf.c_str(), 1);
  setenv("PULSE_SERVER", ("unix:" + folder + "/no-such-socket").c_str(), 1);
  setenv("PULSE_RUNTIME_PATH", folder.c_str(), 1);
}

PipeFeeder::PipeFeeder(const std::string& fifo, std::vector<int16_t> frames) : frames_(std::move(frames)) {
  // Whatever an earlier writer left in the pipe goes first.
  if (const int drain = open(fifo.c_str(), O_RDONLY | O_NONBLOCK); drain >= 0) {
    for (char sink[4096]; read(drain, sink, sizeof sink) > 0;) continue;
    close(drain);
  }
  fd_ = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  if (fd_ >= 0) thread_ = std::thread([this] { Run(); });
}

void PipeFeeder::Run() {
  // A server that vanishes leaves the pipe without a reader: this thread's writes then fail
  // instead of ending the process (the signal is sent to the writing thread, held here).
  sigset_t pipeSignal;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
  const auto start = std::chrono::steady_clock::now();
  const int64_t period = static_cast<int64_t>(frames_.size() / 2);  // frames of the looped signal
  constexpr double kAheadS = 0.2;  // rides out a late wake-up; the pipe holds 0.7 s
  int64_t written = 0;  // frames
  std::vector<int16_t> chunk;
  while (!stop_.load()) {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto due = static_cast<int64_t>((elapsed + kAheadS) * kRate);
    while (due > written) {
      // At most one pipe page at a time: such a write is whole or refused, never split mid-frame.
      const int64_t n = std::min<int64_t>(due - written, 1024);
      chunk.clear();
      for (int64_t f = written; f < written + n; ++f)
        chunk.insert(chunk.end(), &frames_[2 * (f % period)], &frames_[2 * (f % period) + 2]);
      if (write(fd_, chunk.data(), chunk.size() * sizeof(int16_t)) <= 0) break;  // full: next round
      written += n;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void PipeFeeder::Stop() {
  stop_.store(true);
  if (thread_.joinable()) thread_.join();
}

PipeFeeder::~PipeFeeder() {
  Stop();
  if (fd_ >= 0) close(fd_);
}

MonitorRecorder::MonitorRecorder(const std::string& source, const std::string& file) : file_(file) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const std::string device = "--device=" + source;
  const char* argv[] = {"parec", device.c_str(), "--format=s16le", "--rate=22050", "--channels=2",
                        "--raw", "--latency-msec=20", nullptr};
  pid_t pid = -1;
  if (posix_spawnp(&pid, "parec", &actions, nullptr, const_cast<char* const*>(argv), environ) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);
}

bool MonitorRecorder::WaitUntilRecording(double limitMs) {
  for (double waited = 0; pid_ > 0 && waited < limitMs; waited += 10) {
    if (std::ifstream(file_, std::ios::binary | std::ios::ate).tellg() > 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

std::vector<int16_t> MonitorRecorder::Finish() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }
  std::ifstream in(file_, std::ios::binary | std::ios::ate);
  std::vector<int16_t> frames(std::max<std::streamoff>(in.tellg(), 0) / 4 * 2);
  in.seekg(0).read(reinterpret_cast<char*>(frames.data()), static_cast<std::streamsize>(frames.size() * 2));
  return frames;
}

MonitorRecorder::~MonitorRecorder() { Finish(); }

size_t FramesMatchingLoop(const std::vector<uint8_t>& buffer, const std::vector<int16_t>& table) {
  std::vector<int16_t> got(buffer.size() / 2);
  std::memcpy(got.data(), buffer.data(), got.size() * 2);
  const size_t frames = got.size() / 2, period = table.size() / 2;
  for (size_t phase = 0; frames > 0 && phase < period; ++phase) {
    size_t same = 0;
    for (size_t f = 0; f < frames; ++f)
      same += std::memcmp(&got[2 * f], &table[2 * ((f + phase) % period)], 4) == 0;
    if (same > frames / 2 && std::memcmp(&got[0], &table[2 * phase], 4) == 0) return same;
  }
  return 0;
}

long FindFrames(const std::vector<int16_t>& haystack, const int16_t* needle, size_t frames) {
  for (size_t at = 0; frames > 0 && at + frames <= haystack.size() / 2; ++at)
    if (std::memcmp(haystack.data() + 2 * at, needle, frames * 4) == 0) return static_cast<long>(at);
  return -1;
}

}  // namespace sounddev
