// The library in hosts that close their standard streams and fork: the
// rates file never takes descriptor 0, 1 or 2 and is closed on exec; no
// console line of another thread reaches it when standard output is closed;
// a child forked while another thread writes a record can call at once.
//
// Each case runs in a child process of its own. A call is held inside its
// record by making the rates file a FIFO whose buffer is full: it blocks in
// its write with the file open and its lock held, until the test empties
// the FIFO.
#include "LoadedVrexDll.h"

#include "ChildProcess.h"
#include "NodeStates.h"
#include "network/NetworkSizes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vrex {
namespace {

using test::inChildProcess;
using test::LoadedVrexDll;
using test::ScratchDirectory;
using test::VrexCall;

const char *const ratesFile = "ratesAtFinish.dat";

// A realistic reactive call that appends its record.
VrexCall appendingCall() {
  double conc[ncomp];
  test::realisticState(conc, 4);
  VrexCall call;
  call.startFrom(conc);
  call.status = -2;
  return call;
}

// The record `call` writes, made in a folder of its own.
std::string recordOf(const LoadedVrexDll &library, VrexCall call) {
  std::filesystem::create_directory("expected");
  std::filesystem::current_path("expected");
  call.status = -1;
  library.invoke(call);
  std::filesystem::current_path("..");
  return test::fileContent("expected/ratesAtFinish.dat");
}

// What a child process found wrong, for the test in the parent to report.
int verdict(const std::string &wrong) {
  std::ofstream("verdict.txt") << wrong;
  return wrong.empty() ? 0 : 1;
}

void expectChildFoundNothingWrong(int status) {
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "wait status " << status << ": " << test::fileContent("verdict.txt");
}

// The one-letter state of a thread of this process ('S' while it sleeps,
// for example on a lock).
char threadState(pid_t thread) {
  std::ifstream stat("/proc/self/task/" + std::to_string(thread) + "/stat");
  std::string line;
  std::getline(stat, line);
  const std::size_t end = line.rfind(')');
  return end == std::string::npos || end + 2 >= line.size() ? '?' : line[end + 2];
}

// A call held inside its record: the rates file is a FIFO whose buffer this
// object fills, so the call's write blocks with the file open and the
// rates-file lock held.
class RecordInProgress {
public:
  explicit RecordInProgress(VrexCall call) : call_(call) {
    mkfifo(ratesFile, 0600);
    ends_ = open(ratesFile, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    for (const char filler = 'x'; write(ends_, &filler, 1) > 0;) {
      ++filled_;
    }
  }

  // Starts the call on a thread of its own, waits until it sleeps in its
  // write to the file (not merely asleep: on its way there it may sleep on
  // a lock of the allocator, which a fork must not find held), and returns
  // its descriptor on the file.
  int start(const LoadedVrexDll &library) {
    std::atomic<pid_t> thread{0};
    caller_ = std::thread([this, &library, &thread] {
      thread = static_cast<pid_t>(syscall(SYS_gettid));
      library.invoke(call_);
    });
    for (;;) {
      const int descriptor = callersDescriptor();
      if (thread != 0 && descriptor >= 0 && sleepsWritingTo(thread, descriptor)) {
        return descriptor;
      }
      sched_yield();
    }
  }

  // Empties the FIFO, so that the call's write goes through, and returns
  // the record once the call has returned.
  std::string finish() {
    std::string received;
    char piece[4096];
    while (received.size() < filled_) {
      const ssize_t count = read(ends_, piece, sizeof(piece));
      if (count > 0) {
        received.append(piece, static_cast<std::size_t>(count));
      } else {
        sched_yield();
      }
    }
    caller_.join();
    for (ssize_t count; (count = read(ends_, piece, sizeof(piece))) > 0;) {
      received.append(piece, static_cast<std::size_t>(count));
    }
    return received.substr(filled_);
  }

private:
  // The call's descriptor on the FIFO, or -1 while it has none.
  int callersDescriptor() const {
    struct stat fifo {};
    struct stat other {};
    fstat(ends_, &fifo);
    for (int descriptor = 0; descriptor < 1024; ++descriptor) {
      if (descriptor != ends_ && fstat(descriptor, &other) == 0 && other.st_ino == fifo.st_ino) {
        return descriptor;
      }
    }
    return -1;
  }

  // Whether `thread` sleeps in a write on `descriptor`: its system call as
  // /proc shows it ("number first-argument ..." while in one).
  static bool sleepsWritingTo(pid_t thread, int descriptor) {
    std::ifstream file("/proc/self/task/" + std::to_string(thread) + "/syscall");
    long number = -1;
    std::string argument;
    file >> number >> argument;
    return (number == SYS_write || number == SYS_writev) && argument.starts_with("0x") &&
           std::stol(argument, nullptr, 16) == descriptor;
  }

  VrexCall call_;
  int ends_ = -1;
  std::size_t filled_ = 0;
  std::thread caller_;
};

TEST(RatesFile, NeverTakesAStandardDescriptorAndIsClosedOnExec) {
  ScratchDirectory scratch;
  LoadedVrexDll library;
  const VrexCall call = appendingCall();
  const std::string expected = recordOf(library, call);
  const int status = inChildProcess(
      [&] {
        RecordInProgress record(call);
        // A host that has closed all three standard streams.
        close(STDIN_FILENO);
        close(STDOUT_FILENO);
        close(STDERR_FILENO);
        const int descriptor = record.start(library);
        const int flags = fcntl(descriptor, F_GETFD);
        const std::string written = record.finish();
        std::string wrong;
        if (descriptor <= STDERR_FILENO) {
          wrong += "the rates file took descriptor " + std::to_string(descriptor) + "; ";
        }
        if (flags < 0 || (flags & FD_CLOEXEC) == 0) {
          wrong += "the rates file is not closed on exec; ";
        }
        for (const int standard : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
          if (fcntl(standard, F_GETFD) != -1 || errno != EBADF) {
            wrong += "descriptor " + std::to_string(standard) + " is open after the call; ";
          }
        }
        if (written != expected) {
          wrong += "the record is not the call's: " + written;
        }
        return verdict(wrong);
      },
      nullptr);
  expectChildFoundNothingWrong(status);
}

TEST(RatesFile, NoConsoleLineOfAnotherThreadReachesItWhenStandardOutputIsClosed) {
  ScratchDirectory scratch;
  LoadedVrexDll library;
  constexpr int recordCount = 400;
  // Cheap calls, so that the two threads meet often: flushing steps, one
  // appending its record, one printing the bounds line of a NaN.
  VrexCall appending = appendingCall();
  appending.switchValue = 0.001;
  VrexCall bounded = appending;
  bounded.status = 0;
  bounded.concIn[0] = std::numeric_limits<double>::quiet_NaN();
  const std::string record = recordOf(library, appending);
  const int status = inChildProcess(
      [&] {
        close(STDOUT_FILENO);
        std::atomic<bool> recording{true};
        std::atomic<int> printed{0};
        std::thread printer([&] {
          while (recording) {
            VrexCall call = bounded;
            library.invoke(call);
            ++printed;
          }
        });
        while (printed == 0) {
          sched_yield();
        }
        for (int k = 0; k < recordCount; ++k) {
          VrexCall call = appending;
          library.invoke(call);
        }
        recording = false;
        printer.join();
        return 0;
      },
      nullptr);
  expectChildFoundNothingWrong(status);

  std::istringstream file(test::fileContent(ratesFile));
  int lines = 0;
  for (std::string line; std::getline(file, line); ++lines) {
    ASSERT_EQ(line + '\n', record) << "line " << lines + 1 << " of the rates file";
  }
  EXPECT_EQ(lines, recordCount);
}

// Set around this process's forks by the handlers the test registers after
// the library's, so that they run before the library's prepare handler and
// after its parent handler.
std::atomic<bool> forking{false};
std::atomic<bool> forked{false};

TEST(Fork, AChildForkedDuringAnotherThreadsRecordCallsAtOnce) {
  ScratchDirectory scratch;
  LoadedVrexDll library;
  const VrexCall call = appendingCall();
  const std::string expected = recordOf(library, call);
  std::filesystem::create_directory("child");
  const int status = inChildProcess(
      [&] {
        pthread_atfork([] { forking = true; }, [] { forked = true; }, nullptr);
        RecordInProgress record(call);
        record.start(library);
        // The record goes on once the fork waits for it (the forking thread
        // asleep inside fork) or once the fork is done without waiting.
        const pid_t forker = static_cast<pid_t>(syscall(SYS_gettid));
        std::string written;
        std::thread releaser([&] {
          while (!forked && !(forking && threadState(forker) == 'S')) {
            sched_yield();
          }
          written = record.finish();
        });
        const int childStatus = inChildProcess(
            [&] {
              if (chdir("child") != 0) {
                return 2;
              }
              VrexCall own = call;
              own.status = -1;
              library.invoke(own);
              return test::fileContent(ratesFile) == expected ? 0 : 3;
            },
            "/dev/null", 10);
        releaser.join();
        std::string wrong;
        if (!WIFEXITED(childStatus) || WEXITSTATUS(childStatus) != 0) {
          wrong += "the forked child ended with wait status " + std::to_string(childStatus) +
                   " (14: its call never returned); ";
        }
        if (written != expected) {
          wrong += "the record in progress came out as: " + written;
        }
        return verdict(wrong);
      },
      nullptr);
  expectChildFoundNothingWrong(status);
}

} // namespace
} // namespace vrex
