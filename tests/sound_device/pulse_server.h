#pragma once
// A private sound server for the real device path (tools/pulse-test-server.sh): a null sink and a
// pipe source at 22050 Hz stereo, both the defaults, reached through the environment of this
// process. Plus a pacer that feeds the pipe source in real time and a recorder of the sink's
// monitor.
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace sounddev {

constexpr int kRate = 22050;

class PulseServer {
 public:
  // Starts the server and points this process at it; Ok() false (with Error()) when it failed.
  PulseServer();
  // The second pipe source's pipe and the second sink (both offered, neither the default).
  const std::string& Fifo2() const { return fifo2_; }
  std::string Monitor2() const { return sink2_ + ".monitor"; }
  ~PulseServer();  // stops the server and removes its folder
  bool Ok() const { return ok_; }
  const std::string& Error() const { return error_; }
  const std::string& Dir() const { return dir_; }
  const std::string& Fifo() const { return fifo_; }
  std::string Monitor() const { return sink_ + ".monitor"; }
  void Stop();  // ends the server now (a device that vanishes mid-run)

 private:
  bool ok_ = false;
  std::string error_, dir_, fifo_, sink_, fifo2_, sink2_;
};

// Points this process at a server that does not exist (no autospawn).
void UseAbsentServer(const std::string& folder);

// Writes `frames` (interleaved stereo, looped) into the pipe source at real-time pace from its own
// thread, a little ahead of time, never blocking; it keeps feeding until Stop or destruction.
class PipeFeeder {
 public:
  PipeFeeder(const std::string& fifo, std::vector<int16_t> frames);
  ~PipeFeeder();
  bool Ok() const { return fd_ >= 0; }
  void Stop();

 private:
  void Run();
  int fd_ = -1;
  std::vector<int16_t> frames_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Records a source of the server (s16le stereo 22050 Hz) into a file with parec.
class MonitorRecorder {
 public:
  MonitorRecorder(const std::string& source, const std::string& file);
  ~MonitorRecorder();
  // False when parec did not start, else waits until frames arrive (the sink always plays, silence
  // at least); false after `limitMs`.
  bool WaitUntilRecording(double limitMs);
  // Ends the recording and returns the interleaved frames it holds.
  std::vector<int16_t> Finish();

 private:
  pid_t pid_ = -1;
  std::string file_;
};

// Frames of `buffer` (interleaved stereo bytes) equal to the looped `table` (interleaved stereo)
// at the phase the buffer's first frame has; 0 when the first frame matches no phase.
size_t FramesMatchingLoop(const std::vector<uint8_t>& buffer, const std::vector<int16_t>& table);

// Where `needle` (interleaved stereo) occurs in `haystack`, in frames; -1 when nowhere.
long FindFrames(const std::vector<int16_t>& haystack, const int16_t* needle, size_t frames);

}  // namespace sounddev
