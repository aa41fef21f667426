#pragma once
// What the device tests share: a window procedure that records the sound notifications, and a
// pump that waits for them on the real clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "platform/messages.h"
#include "signals/signals.h"

namespace sounddev {

struct Notification {
  uint32_t message;
  uintptr_t wParam;
};

inline std::vector<Notification> received;

inline void ListenForNotifications() {
  ResetMessageQueue();
  received.clear();
  SetMainWindowProcedure([](uint32_t message, uintptr_t wParam, intptr_t) -> intptr_t {
    if (message == MM_WIM_DATA || message == MM_WIM_CLOSE || message == MM_WOM_DONE)
      received.push_back({message, wParam});
    return 0;
  });
}

inline size_t Count(uint32_t message) {
  return std::count_if(received.begin(), received.end(), [&](const Notification& r) { return r.message == message; });
}

inline double MsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

// Pumps the queue until `done` holds or `limitMs` passed; true when it holds.
inline bool PumpUntil(const std::function<bool()>& done, double limitMs) {
  const auto start = std::chrono::steady_clock::now();
  for (;; std::this_thread::sleep_for(std::chrono::milliseconds(2))) {
    PumpMessages();
    if (done()) return true;
    if (MsSince(start) > limitMs) return false;
  }
}

// Two looped stereo signals that repeat exactly every 100 frames, so the loop is seamless and any
// captured stretch matches one at exactly one phase; each is told from the other by any single frame.
inline std::vector<int16_t> SignalA() {
  return testsig::Interleave(testsig::Sine(441.0, 8000.0, 22050, 100), testsig::Sine(1102.5, 6000.0, 22050, 100, 0.7));
}
inline std::vector<int16_t> SignalB() {
  return testsig::Interleave(testsig::Sine(220.5, 7000.0, 22050, 100, 0.3), testsig::Sine(882.0, 5000.0, 22050, 100));
}

// Plays `values` `loops` times on `output` (any object with Write) and waits for the end notice.
template <typename Output>
void PlayToEnd(Output& output, const std::vector<int16_t>& values, int loops) {
  const size_t before = Count(MM_WOM_DONE);
  ASSERT_TRUE(output.Write(reinterpret_cast<const uint8_t*>(values.data()), values.size() * 2, loops));
  ASSERT_TRUE(PumpUntil([&] { return Count(MM_WOM_DONE) > before; }, 5000)) << "no MM_WOM_DONE at the end";
}

}  // namespace sounddev
