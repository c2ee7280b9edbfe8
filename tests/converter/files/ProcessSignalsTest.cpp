// The signals that end the process remove every temporary: a child process
// installs the handlers, creates more temporaries than any fixed table of
// earlier versions held, and is ended by each signal in turn.
#include "files/AtomicFile.h"
#include "files/ProcessSignals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace zonvert {
namespace {

constexpr int kTemporaries = 200;

// Runs in the child: never returns.
[[noreturn]] void createTemporariesAndSignal(const fs::path &folder, int signalNumber, bool processDirected) {
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  installSignalHandling();
  std::vector<AtomicFile> files(kTemporaries);
  for (int k = 0; k < kTemporaries; ++k) {
    std::string reason;
    if (!files[static_cast<std::size_t>(k)].create((folder / ("out" + std::to_string(k) + ".vtk")).string(), reason))
      _exit(100);
  }
  if (processDirected)
    kill(getpid(), signalNumber);
  else
    raise(signalNumber);
  _exit(101); // the signal did not end the process
}

std::vector<int> endingSignals() {
  std::vector<int> signals = {SIGINT,    SIGTERM, SIGHUP,  SIGQUIT,  SIGPIPE, SIGXCPU,  SIGUSR1, SIGUSR2,
                              SIGALRM, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGABRT, SIGRTMIN, SIGRTMAX};
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  signals.insert(signals.end(), {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS});
#endif
  return signals;
}

TEST(ProcessSignals, EverySignalThatEndsTheProcessRemovesEveryTemporary) {
  std::string pattern = (fs::temp_directory_path() / "zonvert-signals-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const fs::path folder = pattern;
  for (const int signalNumber : endingSignals())
    for (const bool processDirected : {false, true}) {
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0)
        createTemporariesAndSignal(folder, signalNumber, processDirected);
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber)
          << "signal " << signalNumber << ": status " << status;
      EXPECT_TRUE(fs::is_empty(folder)) << "signal " << signalNumber << " left "
                                       << (fs::is_empty(folder) ? "" : fs::directory_iterator(folder)->path().string());
      for (const auto &entry : fs::directory_iterator(folder))
        fs::remove(entry.path());
    }
  fs::remove_all(folder);
}

} // namespace
} // namespace zonvert
