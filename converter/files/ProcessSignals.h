// How zonvert meets the signals that end or limit a run.
//
// A zone file is written under a temporary name and renamed to its own name
// only when complete (see AtomicFile). When a signal that ends the process
// arrives (Ctrl-C, kill, a closed terminal or pipe), the handler removes
// every temporary that exists at that moment (several zones may be in
// flight on several threads), then lets the signal end the process as it
// would have. SIGKILL cannot be caught; the temporaries it leaves are never
// taken for zone files. SIGXFSZ is ignored, so that a file size limit makes
// the write fail with an error the writer reports instead of ending the run
// silently.
//
// Threads: the handler runs on the thread that installed it (the main
// thread); every other thread must block the ending signals for its whole
// life (see BlockedEndingSignals). A thread that creates, renames or
// removes a temporary does so inside a TemporaryFileStep, which the handler
// waits for, so that it never misses a temporary that is just being created
// nor removes one that is just being renamed to its final name.
#pragma once

#include <signal.h>

namespace zonvert {

// Installs the handlers. A signal that is ignored already (nohup) stays
// ignored.
void installSignalHandling();

// Names a temporary file to remove when a signal ends the process. Returns
// the slot to free with unregisterTemporaryFile, or -1 when the path is too
// long for the handler's fixed buffers or every slot is taken (the
// temporary may then stay behind after a signal). Call inside a
// TemporaryFileStep.
int registerTemporaryFile(const char *path) noexcept;
void unregisterTemporaryFile(int slot) noexcept;

// One step that creates, renames or removes a temporary: the handler's
// removals wait until it is over, and on the main thread the handled signals
// are held back for its lifetime. Should the process be ending already,
// the step never starts: the thread waits for the end.
class TemporaryFileStep {
public:
  TemporaryFileStep() noexcept;
  ~TemporaryFileStep();
  TemporaryFileStep(const TemporaryFileStep &) = delete;
  TemporaryFileStep &operator=(const TemporaryFileStep &) = delete;

private:
  sigset_t previous_;
};

// Blocks the ending signals in the calling thread for the object's
// lifetime; threads started meanwhile inherit the block for their whole
// life, which is how the worker threads are started.
class BlockedEndingSignals {
public:
  BlockedEndingSignals() noexcept;
  ~BlockedEndingSignals();
  BlockedEndingSignals(const BlockedEndingSignals &) = delete;
  BlockedEndingSignals &operator=(const BlockedEndingSignals &) = delete;

private:
  sigset_t previous_;
};

} // namespace zonvert
