#include "run/SmallStackThread.h"

#include <sys/mman.h>
#include <unistd.h>
#include <utility>

namespace zonvert {

// The deepest the reader or a writer goes is a few frames of small arrays;
// a sanitizer's frames are several times larger.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
const std::size_t SmallStackThread::kStackBytes = std::size_t{4} << 20;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
const std::size_t SmallStackThread::kStackBytes = std::size_t{4} << 20;
#else
const std::size_t SmallStackThread::kStackBytes = std::size_t{256} << 10;
#endif
#else
const std::size_t SmallStackThread::kStackBytes = std::size_t{256} << 10;
#endif

SmallStackThread::~SmallStackThread() { join(); }

void *SmallStackThread::run(void *self) {
  static_cast<SmallStackThread *>(self)->body_();
  return nullptr;
}

bool SmallStackThread::start(std::function<void()> body) {
  body_ = std::move(body);
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  mapped_ = kStackBytes + page;
  stack_ = mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
  if (stack_ == MAP_FAILED) {
    stack_ = nullptr;
    return false;
  }
  // The stack grows down: a page below it that no one may touch turns an
  // overflow into a fault instead of a write into other memory.
  pthread_attr_t attributes;
  bool started = mprotect(stack_, page, PROT_NONE) == 0 && pthread_attr_init(&attributes) == 0;
  if (started) {
    started = pthread_attr_setstack(&attributes, static_cast<char *>(stack_) + page, kStackBytes) == 0 &&
              pthread_create(&thread_, &attributes, &SmallStackThread::run, this) == 0;
    pthread_attr_destroy(&attributes);
  }
  if (!started) {
    munmap(stack_, mapped_);
    stack_ = nullptr;
    return false;
  }
  running_ = true;
  return true;
}

void SmallStackThread::join() {
  if (running_)
    pthread_join(thread_, nullptr);
  running_ = false;
  if (stack_ != nullptr)
    munmap(stack_, mapped_);
  stack_ = nullptr;
}

} // namespace zonvert
