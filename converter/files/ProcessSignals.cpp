#include "files/ProcessSignals.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <new>
#include <pthread.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ZONVERT_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define ZONVERT_SANITIZED 1
#endif
#endif

namespace zonvert {

namespace {

// The signals sent to the process whose default action ends it, besides the
// real-time signals (see forEachHandledSignal).
constexpr int kSentSignals[] = {SIGHUP,    SIGINT,  SIGQUIT, SIGUSR1,   SIGUSR2, SIGPIPE, SIGALRM,
                                SIGTERM,   SIGSTKFLT, SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR};
// The signals of a fault, raised on the thread at fault. A sanitizer
// reports these itself (what went wrong and where), so under one they keep
// its handler.
#if defined(ZONVERT_SANITIZED)
constexpr int kFaultSignals[] = {SIGABRT};
#else
constexpr int kFaultSignals[] = {SIGILL, SIGTRAP, SIGABRT, SIGBUS, SIGFPE, SIGSEGV, SIGSYS};
#endif

template <typename Visit> void forEachSentSignal(Visit visit) {
  for (int signalNumber : kSentSignals)
    visit(signalNumber);
  for (int signalNumber = SIGRTMIN; signalNumber <= SIGRTMAX; ++signalNumber)
    visit(signalNumber);
}

template <typename Visit> void forEachHandledSignal(Visit visit) {
  forEachSentSignal(visit);
  for (int signalNumber : kFaultSignals)
    visit(signalNumber);
}

sigset_t sentSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  forEachSentSignal([&](int signalNumber) { sigaddset(&set, signalNumber); });
  return set;
}

const sigset_t &handledSignalSet() {
  static const sigset_t set = [] {
    sigset_t handled;
    sigemptyset(&handled);
    forEachHandledSignal([&](int signalNumber) { sigaddset(&handled, signalNumber); });
    return handled;
  }();
  return set;
}

} // namespace

// The handler may only touch what is safe in a signal handler: lock-free
// atomics, and entries that are filled before they are marked registered
// and never freed. An entry is reused for a later temporary whose name
// fits; new ones go to the front of the list.
enum EntryState : int { kFree = 0, kFilling = 1, kRegistered = 2 };

struct TemporaryEntry {
  std::atomic<int> state{kFilling};
  TemporaryEntry *next = nullptr; // set before the entry joins the list, never changed
  std::size_t capacity = 0;
  char *path = nullptr;
};

namespace {

std::atomic<TemporaryEntry *> entries{nullptr};
std::atomic<int> stepsOpen{0};
std::atomic<int> ending{0};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<TemporaryEntry *>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

// Entries are made a little larger than asked, so that the names of later
// zones (one digit longer) reuse them.
constexpr std::size_t kEntryRounding = 64;

extern "C" void removeTemporariesAndEnd(int signalNumber) {
  // No step starts from now on; the ones under way end on their own
  // threads, which this handler does not hold up (the handled signals are
  // blocked during a step, so none is under way on this thread).
  ending.store(1);
  while (stepsOpen.load() != 0) {
  }
  for (TemporaryEntry *entry = entries.load(); entry != nullptr; entry = entry->next)
    if (entry->state.load() == kRegistered)
      ::unlink(entry->path);
  // SA_RESETHAND has restored the default action: the signal, raised again,
  // ends the process as it would have without this handler once the
  // handler returns (a fault, met again, does the same).
  ::raise(signalNumber);
}

} // namespace

void installSignalHandling() {
  std::signal(SIGXFSZ, SIG_IGN);
  struct sigaction action {};
  action.sa_handler = removeTemporariesAndEnd;
  action.sa_mask = handledSignalSet();
  action.sa_flags = SA_RESETHAND;
  forEachHandledSignal([&](int signalNumber) {
    struct sigaction previous {};
    if (sigaction(signalNumber, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
      return;
    sigaction(signalNumber, &action, nullptr);
  });
}

TemporaryEntry *registerTemporaryFile(const char *path) noexcept {
  const std::size_t bytes = std::strlen(path) + 1;
  for (TemporaryEntry *entry = entries.load(); entry != nullptr; entry = entry->next) {
    int expected = kFree;
    if (entry->capacity < bytes || !entry->state.compare_exchange_strong(expected, kFilling))
      continue;
    std::memcpy(entry->path, path, bytes);
    entry->state.store(kRegistered);
    return entry;
  }
  auto *entry = new (std::nothrow) TemporaryEntry;
  if (entry == nullptr)
    return nullptr;
  entry->capacity = (bytes + kEntryRounding - 1) / kEntryRounding * kEntryRounding;
  entry->path = new (std::nothrow) char[entry->capacity];
  if (entry->path == nullptr) {
    delete entry;
    return nullptr;
  }
  std::memcpy(entry->path, path, bytes);
  entry->state.store(kRegistered);
  entry->next = entries.load();
  while (!entries.compare_exchange_weak(entry->next, entry)) {
  }
  return entry;
}

void unregisterTemporaryFile(TemporaryEntry *entry) noexcept {
  if (entry != nullptr)
    entry->state.store(kFree);
}

TemporaryFileStep::TemporaryFileStep() noexcept {
  pthread_sigmask(SIG_BLOCK, &handledSignalSet(), &previous_);
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
  const sigset_t set = sentSignalSet();
  pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

BlockedEndingSignals::~BlockedEndingSignals() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

} // namespace zonvert
