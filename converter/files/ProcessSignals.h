// How zonvert meets the signals that end or limit a run.
//
// A zone file is written under a temporary name and renamed to its own name
// only when complete (see AtomicFile). When a signal arrives whose default
// action ends the process (Ctrl-C, kill, a closed terminal or pipe, a CPU
// time limit, a timer, a user signal or a real-time signal a batch system
// sends), the handler removes every temporary that exists at that moment
// (several zones may be in flight on several threads), then lets the signal
// end the process as it would have. SIGKILL cannot be caught; the
// temporaries it leaves are never taken for zone files. SIGXFSZ is ignored,
// so that a file size limit makes the write fail with an error the writer
// reports instead of ending the run silently.
//
// The temporaries the handler knows are kept in a list that grows as it
// needs to (its entries are reused, never freed): there is no fixed number
// of temporaries it can hold. A temporary that cannot be entered there is
// never created.
//
// Threads: the signals sent to the process are handled on the thread that
// installed the handler (the main thread); every other thread must block
// them for its whole life (see BlockedEndingSignals). The signals of a fault
// (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS) are handled on
// the thread at fault. A thread that creates, renames or removes a
// temporary does so inside a TemporaryFileStep, which the handler waits for,
// so that it never misses a temporary that is just being created nor
// removes one that is just being renamed to its final name.
#pragma once

#include <signal.h>

namespace zonvert {

// Installs the handlers. A signal that is ignored already (nohup) stays
// ignored.
void installSignalHandling();

// A temporary file the handler removes when a signal ends the process.
struct TemporaryEntry;

// Enters `path` in the handler's list. Null when there is no memory for
// it: the temporary must then not be created. Call inside a
// TemporaryFileStep, before the file is created.
TemporaryEntry *registerTemporaryFile(const char *path) noexcept;
// Takes the entry out of the list (null: nothing), inside a
// TemporaryFileStep, once the temporary is gone or renamed.
void unregisterTemporaryFile(TemporaryEntry *entry) noexcept;

// One step that creates, renames or removes a temporary: the handler's
// removals wait until it is over, and on the calling thread the handled
// signals are held back for its lifetime. Should the process be ending
// already, the step never starts: the thread waits for the end.
class TemporaryFileStep {
public:
  TemporaryFileStep() noexcept;
  ~TemporaryFileStep();
  TemporaryFileStep(const TemporaryFileStep &) = delete;
  TemporaryFileStep &operator=(const TemporaryFileStep &) = delete;

private:
  sigset_t previous_;
};

// Blocks the signals sent to the process in the calling thread for the
// object's lifetime; threads started meanwhile inherit the block for their
// whole life, which is how the worker threads are started.
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
