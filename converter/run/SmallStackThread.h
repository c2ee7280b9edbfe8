// A thread of the run on a small stack of its own.
//
// A thread the system makes gets a stack of the size of the stack limit
// (8 MiB by default), which counts against a limit on the address space
// (ulimit -v) whether it is used or not: 64 threads would take 512 MiB of
// it, and the system keeps some of it for later threads after they end.
// The converter's threads need little stack, so each gets a small one,
// with a guard page below it, given back when the thread is joined.
#pragma once

#include <cstddef>
#include <functional>
#include <pthread.h>

namespace zonvert {

class SmallStackThread {
public:
  // The stack of every such thread.
  static const std::size_t kStackBytes;

  SmallStackThread() = default;
  // Joins the thread, if started.
  ~SmallStackThread();
  SmallStackThread(const SmallStackThread &) = delete;
  SmallStackThread &operator=(const SmallStackThread &) = delete;

  // Runs `body` on the new thread, which must not let an exception out.
  // False when the system starts no thread (no memory for its stack, a
  // limit on processes).
  bool start(std::function<void()> body);
  // Waits for the thread to end and gives its stack back.
  void join();

private:
  static void *run(void *self);

  std::function<void()> body_;
  pthread_t thread_{};
  bool running_ = false;
  void *stack_ = nullptr;
  std::size_t mapped_ = 0;
};

} // namespace zonvert
