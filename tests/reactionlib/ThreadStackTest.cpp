// The stack a call needs, on threads sized as hosts size them: what a call
// touches of a stack filled with a pattern stays within what vrex.h states,
// and threads with that much stack, and 8 KiB for the thread's own start and
// thread-local storage, get the bits and records of the same calls on the
// main thread; a stack too small for a call ends the process at its guard
// page without a byte written below it.
//
// Stack use depends on the compiler's frames: the statement holds for
// optimised builds, and sanitizers add frames of their own, so those builds
// skip the measurement.
#include "LoadedVrexDll.h"

#include "ChildProcess.h"
#include "NodeStates.h"
#include "StdoutCapture.h"
#include "network/NetworkSizes.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <pthread.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !defined(__OPTIMIZE__)
#define VREX_STACK_NOT_AS_SHIPPED 1
#endif

namespace vrex {
namespace {

using test::LoadedVrexDll;
using test::ScratchDirectory;
using test::VrexCall;

constexpr std::size_t statedNeed = VREX_STACK_KIB * 1024;
constexpr unsigned char pattern = 0xa5;

// A call down each of the deepest paths of the library.
struct DeepCall {
  const char *path;
  VrexCall call;
};

std::vector<DeepCall> deepCalls() {
  double conc[ncomp];
  test::realisticState(conc, 3);
  VrexCall reactive;
  reactive.startFrom(conc);
  reactive.status = -1;
  std::vector<DeepCall> calls{{"reactive step, rates file started anew", reactive}};

  VrexCall bounded = reactive;
  bounded.status = -2;
  bounded.switchValue = 0.001;
  bounded.concIn[22] = std::numeric_limits<double>::quiet_NaN();
  calls.push_back({"flushing step with the bounds line, record appended", bounded});

  VrexCall singular = reactive;
  singular.status = 0;
  for (const int species : {5, 11}) {
    singular.concIn[species - 1] = 0.0;
    singular.fixFlags[species - 1] = 1;
  }
  calls.push_back({"singular matrices along the structure, Singular matrix line", singular});

  VrexCall dense = reactive;
  dense.status = 0;
  dense.timeStep = 1e308; // a Jacobian that is not finite: the dense routines
  calls.push_back({"the dense routines", dense});
  return calls;
}

// Runs `call` on a new thread with the given attributes.
void invokeOnThread(const LoadedVrexDll &library, VrexCall &call, const pthread_attr_t &attributes,
                    const char **entry = nullptr) {
  struct Run {
    const LoadedVrexDll &library;
    VrexCall &call;
    const char **entry;
  } run{library, call, entry};
  const auto body = [](void *argument) -> void * {
    Run &r = *static_cast<Run *>(argument);
    char here = 0;
    if (r.entry != nullptr) {
      *r.entry = &here;
    }
    r.library.invoke(r.call);
    return nullptr;
  };
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, body, &run), 0);
  ASSERT_EQ(pthread_join(thread, nullptr), 0);
}

// The bytes of stack below the thread's entry that `call` touches, on a
// stack of 1 MiB filled with a pattern.
std::size_t stackTouched(const LoadedVrexDll &library, VrexCall &call) {
  constexpr std::size_t size = std::size_t{1} << 20;
  void *memory =
      mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
  EXPECT_NE(memory, MAP_FAILED);
  if (memory == MAP_FAILED) {
    return 0;
  }
  std::memset(memory, pattern, size);
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstack(&attributes, memory, size);
  const char *entry = nullptr;
  invokeOnThread(library, call, attributes, &entry);
  pthread_attr_destroy(&attributes);
  const auto *bytes = static_cast<const unsigned char *>(memory);
  std::size_t untouched = 0;
  while (untouched < size && bytes[untouched] == pattern) {
    ++untouched;
  }
  munmap(memory, size);
  return static_cast<std::size_t>(entry - static_cast<const char *>(memory)) - untouched;
}

// What a call gives back and writes, made the way `invoke` says in a fresh
// scratch folder.
template <class Invoke> std::string outcomeOf(DeepCall deep, Invoke invoke) {
  ScratchDirectory scratch;
  test::StdoutCapture console;
  invoke(deep.call);
  console.finish();
  const VrexCall &c = deep.call;
  const auto bytes = [](const void *at, std::size_t size) {
    return std::string(static_cast<const char *>(at), size);
  };
  return std::to_string(c.status) + bytes(c.concOut, sizeof(c.concOut)) +
         bytes(&c.carriedValue, sizeof(double)) + test::fileContent("ratesAtFinish.dat");
}

TEST(ThreadStack, CallsTouchNoMoreThanTheStatedStackAndGiveTheBitsOfTheMainThread) {
#ifdef VREX_STACK_NOT_AS_SHIPPED
  GTEST_SKIP() << "stack use is stated for optimised builds without sanitizers";
#endif
  LoadedVrexDll library;
  pthread_attr_t small;
  pthread_attr_init(&small);
  ASSERT_EQ(pthread_attr_setstacksize(&small, statedNeed + 8 * 1024), 0);
  for (const DeepCall &deep : deepCalls()) {
    std::size_t touched = 0;
    const std::string onMainThread = outcomeOf(deep, [&](VrexCall &c) { library.invoke(c); });
    EXPECT_EQ(outcomeOf(deep, [&](VrexCall &c) { touched = stackTouched(library, c); }),
              onMainThread)
        << deep.path;
    EXPECT_LE(touched, statedNeed) << deep.path;
    RecordProperty(deep.path, static_cast<int>(touched));
    EXPECT_EQ(outcomeOf(deep, [&](VrexCall &c) { invokeOnThread(library, c, small); }),
              onMainThread)
        << deep.path << ", on a thread of " << VREX_STACK_KIB + 8 << " KiB";
  }
  pthread_attr_destroy(&small);
}

TEST(ThreadStack, TooSmallAStackEndsAtItsGuardPageWithoutWritingBelow) {
#ifdef VREX_STACK_NOT_AS_SHIPPED
  GTEST_SKIP() << "stack use is stated for optimised builds without sanitizers";
#endif
  // The smallest stack a thread may have, a guard page below it, and below
  // that memory filled with a pattern; shared, so that the pattern can be
  // checked after the child has ended.
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const std::size_t stack = 16 * 1024;
  const std::size_t below = 128 * 1024;
  LoadedVrexDll library;
  VrexCall call = deepCalls().front().call;
  call.status = 0;
  ASSERT_GT(stackTouched(library, call), stack) << "a call fits the smallest stack";

  void *mapped = mmap(nullptr, below + page + stack, PROT_READ | PROT_WRITE,
                      MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(mapped, MAP_FAILED);
  auto *memory = static_cast<unsigned char *>(mapped);
  std::memset(memory, pattern, below);
  ASSERT_EQ(mprotect(memory + below, page, PROT_NONE), 0);
  const int status = test::inChildProcess([&] {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstack(&attributes, memory + below + page, stack);
    invokeOnThread(library, call, attributes);
    return 0;
  });
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV) << "wait status " << status;
  std::size_t written = 0;
  for (std::size_t k = 0; k < below; ++k) {
    written += memory[k] != pattern ? 1 : 0;
  }
  EXPECT_EQ(written, 0u) << "bytes written below the guard page";
  munmap(mapped, below + page + stack);
}

} // namespace
} // namespace vrex
