#include "ProcessSignals.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <pthread.h>
#include <unistd.h>

namespace zonvert {

namespace {

constexpr std::array kEndingSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

// The handler may only touch what is safe in a signal handler: a flag and a
// fixed buffer, filled before the flag is raised.
constexpr std::size_t kMaxTemporaryPath = 8192;
char temporaryPath[kMaxTemporaryPath];
volatile std::sig_atomic_t temporaryRegistered = 0;

extern "C" void removeTemporaryAndEnd(int signalNumber) {
  if (temporaryRegistered)
    ::unlink(temporaryPath);
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
  action.sa_handler = removeTemporaryAndEnd;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;
  for (int signalNumber : kEndingSignals) {
    struct sigaction previous {};
    if (sigaction(signalNumber, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
      continue;
    sigaction(signalNumber, &action, nullptr);
  }
}

void registerTemporaryFile(const char *path) noexcept {
  temporaryRegistered = 0;
  const std::size_t length = std::strlen(path);
  if (length >= kMaxTemporaryPath)
    return;
  std::memcpy(temporaryPath, path, length + 1);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  temporaryRegistered = 1;
}

void unregisterTemporaryFile() noexcept { temporaryRegistered = 0; }

SignalBlock::SignalBlock() noexcept {
  const sigset_t set = endingSignalSet();
  pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

SignalBlock::~SignalBlock() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

} // namespace zonvert
