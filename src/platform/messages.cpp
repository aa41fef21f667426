#include "platform/messages.h"

#include <deque>
#include <mutex>

#include "platform/backend.h"

namespace {

struct PostedMessage {
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};

struct MessageQueueState {
  WindowProcedure procedure = nullptr;
  std::mutex mutex;
  std::deque<PostedMessage> posted;
  bool quitPosted = false;
  int exitCode = 0;
  uint64_t activity = 0;  // main-window messages and dialog actions delivered
};

MessageQueueState MessageQueue;

MessageQueueState& Queue() { return MessageQueue; }

bool TakePosted(PostedMessage& out) {
  auto& q = Queue();
  std::lock_guard lock(q.mutex);
  if (q.posted.empty()) return false;
  out = q.posted.front();
  q.posted.pop_front();
  return true;
}

bool AnyPosted() {
  auto& q = Queue();
  std::lock_guard lock(q.mutex);
  return !q.posted.empty();
}

}  // namespace

void SetMainWindowProcedure(WindowProcedure procedure) { Queue().procedure = procedure; }

intptr_t SendMainMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  ++Queue().activity;
  auto procedure = Queue().procedure;
  return procedure ? procedure(message, wParam, lParam) : 0;
}

void PostMainMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  {
    auto& q = Queue();
    std::lock_guard lock(q.mutex);
    q.posted.push_back({message, wParam, lParam});
  }
  if (Backend* b = BackendOrNull()) b->WakeFromAnyThread();
}

void PumpMessages() {
  if (HasBackend()) CurrentBackend().ProcessUserInput();
  DeliverPostedMessages();
}

void WaitForEvents(double maxMs) {
  if (AnyPosted() || !HasBackend()) return;
  CurrentBackend().WaitForInput(maxMs);
}

uint64_t MessageActivityCount() { return Queue().activity; }

void NoteUserAction() { ++Queue().activity; }

void DeliverPostedMessages() {
  // Deliver only what is pending now; messages posted by these handlers wait for the next pump.
  size_t pending;
  {
    auto& q = Queue();
    std::lock_guard lock(q.mutex);
    pending = q.posted.size();
  }
  PostedMessage m;
  while (pending-- > 0 && TakePosted(m)) SendMainMessage(m.message, m.wParam, m.lParam);
}

int RunMessageLoop() {
  auto& q = Queue();
  while (!q.quitPosted) {
    PumpMessages();
    if (q.quitPosted) break;
    if (!AnyPosted() && HasBackend()) {
      if (!CurrentBackend().UserPresent()) {
        // Nobody is left to act: close the window as the user would (a close during an
        // activity stops it first; the next close ends the program).
        SendMainMessage(WM_CLOSE);
        continue;
      }
      CurrentBackend().WaitForInput(50);
    }
  }
  return q.exitCode;
}

void PostQuitMessage(int exitCode) {
  auto& q = Queue();
  q.quitPosted = true;
  q.exitCode = exitCode;
}

bool QuitPosted() { return Queue().quitPosted; }

void ResetMessageQueue() {
  auto& q = Queue();
  std::lock_guard lock(q.mutex);
  q.posted.clear();
  q.quitPosted = false;
  q.exitCode = 0;
}
