// How zonvert meets the signals that end or limit a run.
//
// A zone file is written under a temporary name and renamed to its own name
// only when complete (see AtomicFile). When a signal that ends the process
// arrives (Ctrl-C, kill, a closed terminal or pipe), the handler removes the
// temporary being written, then lets the signal end the process as it would
// have. SIGKILL cannot be caught; the temporary it leaves is never taken for
// a zone file. SIGXFSZ is ignored, so that a file size limit makes the write
// fail with an error the writer reports instead of ending the run silently.
#pragma once

#include <signal.h>

namespace zonvert {

// Installs the handlers. A signal that is ignored already (nohup) stays
// ignored.
void installSignalHandling();

// Names the temporary file to remove when a signal ends the process, or
// none. One temporary at a time; a path too long for the handler's fixed
// buffer is not named (the temporary may then stay behind).
void registerTemporaryFile(const char *path) noexcept;
void unregisterTemporaryFile() noexcept;

// Holds back the handled signals for its lifetime, so that creating and
// naming a temporary, or un-naming and renaming it, happens as one step.
class SignalBlock {
public:
  SignalBlock() noexcept;
  ~SignalBlock();
  SignalBlock(const SignalBlock &) = delete;
  SignalBlock &operator=(const SignalBlock &) = delete;

private:
  sigset_t previous_;
};

} // namespace zonvert
