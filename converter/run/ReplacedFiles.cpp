#include "run/ReplacedFiles.h"

#include "files/ProcessSignals.h"

#include <new>
#include <unistd.h>

namespace zonvert {

ReplacedFiles::~ReplacedFiles() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  changed_.notify_all();
  thread_.join();
  for (int descriptor : held_)
    ::close(descriptor);
}

void ReplacedFiles::release(int descriptor) {
  if (descriptor < 0)
    return;
  {
    std::lock_guard lock(mutex_);
    if (!started_ && !failedToStart_) {
      // Short of memory, the files are closed at once, as on one thread.
      try {
        held_.reserve(kMostHeld);
        // The thread never runs the signal handler (see ProcessSignals.h).
        BlockedEndingSignals blocked;
        started_ = thread_.start([this] { closeHeld(); });
      } catch (const std::bad_alloc &) {
      }
      failedToStart_ = !started_;
    }
    if (started_ && held_.size() < kMostHeld) {
      held_.push_back(descriptor);
      descriptor = -1;
    }
  }
  if (descriptor >= 0) {
    ::close(descriptor);
    return;
  }
  changed_.notify_all();
}

void ReplacedFiles::closeHeld() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return ending_ || !held_.empty(); });
    if (held_.empty())
      return;
    const int descriptor = held_.back();
    held_.pop_back();
    lock.unlock();
    ::close(descriptor);
    lock.lock();
  }
}

} // namespace zonvert
