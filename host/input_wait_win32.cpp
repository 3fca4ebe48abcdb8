#include "input_wait.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace {

// Windows offers no wait with a time limit that works alike on consoles,
// pipes and files, so a reader thread makes blocking reads and hands the
// bytes over. It touches nothing but this queue; the library stays on the
// host's thread.
struct InputQueue {
  std::mutex mutex;
  std::condition_variable ready;
  std::deque<std::string> chunks;
  bool ended = false;
};

InputQueue& StartReader() {
  // Never destroyed: the reader may still block in ReadFile at exit.
  static InputQueue* const queue = [] {
    auto* q = new InputQueue;
    std::thread([q] {
      const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
      char buffer[4096];
      DWORD n = 0;
      while (ReadFile(in, buffer, sizeof buffer, &n, nullptr) && n > 0) {
        std::lock_guard<std::mutex> lock(q->mutex);
        q->chunks.emplace_back(buffer, n);
        q->ready.notify_one();
      }
      std::lock_guard<std::mutex> lock(q->mutex);
      q->ended = true;
      q->ready.notify_one();
    }).detach();
    return q;
  }();
  return *queue;
}

}  // namespace

long WaitForInput(char* buffer, std::size_t size, int timeoutMs) {
  if (buffer == nullptr) {
    Sleep(static_cast<DWORD>(timeoutMs));
    return -1;
  }
  InputQueue& q = StartReader();
  std::unique_lock<std::mutex> lock(q.mutex);
  if (!q.ready.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                        [&] { return !q.chunks.empty() || q.ended; })) {
    return -1;
  }
  if (q.chunks.empty()) return 0;
  std::string& chunk = q.chunks.front();
  const std::size_t n = chunk.size() < size ? chunk.size() : size;
  chunk.copy(buffer, n);
  chunk.erase(0, n);
  if (chunk.empty()) q.chunks.pop_front();
  return static_cast<long>(n);
}
