#pragma once
// What the device tests share: a window procedure that records the sound notifications, and a
// pump that waits for them on the real clock.
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "platform/messages.h"

namespace sounddev {

struct Notification {
  uint32_t message;
  uintptr_t wParam;
};

inline std::vector<Notification>& Received() {
  static std::vector<Notification> received;
  return received;
}

inline intptr_t RecordingProcedure(uint32_t message, uintptr_t wParam, intptr_t) {
  if (message == MM_WIM_DATA || message == MM_WIM_CLOSE || message == MM_WOM_DONE)
    Received().push_back({message, wParam});
  return 0;
}

inline void ListenForNotifications() {
  ResetMessageQueue();
  Received().clear();
  SetMainWindowProcedure(RecordingProcedure);
}

inline size_t Count(uint32_t message) {
  size_t n = 0;
  for (const auto& r : Received()) n += r.message == message;
  return n;
}

// Pumps the queue until `done` holds or `limitMs` passed; true when it holds.
inline bool PumpUntil(const std::function<bool()>& done, double limitMs) {
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    PumpMessages();
    if (done()) return true;
    if (std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() > limitMs)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

inline double MsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace sounddev
