#include "files/ProcessSignals.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <pthread.h>
#include <unistd.h>

namespace zonvert {

namespace {

constexpr std::array kEndingSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

// The handler may only touch what is safe in a signal handler: lock-free
// atomics and fixed buffers, each filled before its slot is marked taken.
// More slots than temporaries can exist at once: one per zone in flight
// (at most the largest thread count plus one) and the series file.
constexpr std::size_t kSlots = 128;
constexpr std::size_t kMaxTemporaryPath = 4096;
enum SlotState : int { kFree = 0, kFilling = 1, kRegistered = 2 };

char temporaryPaths[kSlots][kMaxTemporaryPath];
std::atomic<int> slotStates[kSlots];
std::atomic<int> stepsOpen{0};
std::atomic<int> ending{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free atomics");

extern "C" void removeTemporariesAndEnd(int signalNumber) {
  // No step starts from now on; the ones under way end on their own
  // threads, which this handler does not hold up.
  ending.store(1);
  while (stepsOpen.load() != 0) {
  }
  for (std::size_t slot = 0; slot < kSlots; ++slot)
    if (slotStates[slot].load() == kRegistered)
      ::unlink(temporaryPaths[slot]);
  // SA_RESETHAND has restored the default action: the signal, raised again,
  // ends the process as it would have without this handler.
  ::raise(signalNumber);
}

sigset_t endingSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int signalNumber : kEndingSignals)
    sigaddset(&set, signalNumber);
  return set;
}

} // namespace

void installSignalHandling() {
  std::signal(SIGXFSZ, SIG_IGN);
  struct sigaction action {};
  action.sa_handler = removeTemporariesAndEnd;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;
  for (int signalNumber : kEndingSignals) {
    struct sigaction previous {};
    if (sigaction(signalNumber, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
      continue;
    sigaction(signalNumber, &action, nullptr);
  }
}

int registerTemporaryFile(const char *path) noexcept {
  const std::size_t length = std::strlen(path);
  if (length >= kMaxTemporaryPath)
    return -1;
  for (std::size_t slot = 0; slot < kSlots; ++slot) {
    int expected = kFree;
    if (!slotStates[slot].compare_exchange_strong(expected, kFilling))
      continue;
    std::memcpy(temporaryPaths[slot], path, length + 1);
    slotStates[slot].store(kRegistered);
    return static_cast<int>(slot);
  }
  return -1;
}

void unregisterTemporaryFile(int slot) noexcept {
  if (slot >= 0 && static_cast<std::size_t>(slot) < kSlots)
    slotStates[slot].store(kFree);
}

TemporaryFileStep::TemporaryFileStep() noexcept {
  const sigset_t set = endingSignalSet();
  pthread_sigmask(SIG_BLOCK, &set, &previous_);
  stepsOpen.fetch_add(1);
  if (ending.load() == 0)
    return;
  // The handler is removing the temporaries and ending the process: a
  // temporary created now could be missed. This thread, whose signals are
  // blocked, waits for the end.
  stepsOpen.fetch_sub(1);
  for (;;)
    ::pause();
}

TemporaryFileStep::~TemporaryFileStep() {
  stepsOpen.fetch_sub(1);
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

BlockedEndingSignals::BlockedEndingSignals() noexcept {
  const sigset_t set = endingSignalSet();
  pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

BlockedEndingSignals::~BlockedEndingSignals() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

} // namespace zonvert
