// The library inside hosts as they are: floating-point traps enabled, other
// rounding and flush settings, exception flags of their own, a standard input
// that never answers, a console, a comma-decimal locale. Not run under
// valgrind, which emulates neither traps nor flush-to-zero.
#include "LoadedVrexDll.h"

#include "NodeStates.h"
#include "ReactionState.h"
#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>
#include <xmmintrin.h>

namespace vrex {
namespace {

using test::LoadedVrexDll;
using test::ScratchDirectory;
using test::VrexCall;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Runs `body` in a child process with standard output thrown away and a
// watchdog; returns the child's wait status.
int inChildProcess(const std::function<int()> &body) {
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    alarm(60);
    if (std::freopen("/dev/null", "w", stdout) == nullptr) {
      _exit(90);
    }
    _exit(body());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

// Calls that make the chemistry divide by zero, overflow, meet NaN or
// decay to subnormal values.
std::vector<VrexCall> awkwardCalls() {
  std::vector<VrexCall> calls;
  for (std::uint64_t seed = 1; seed <= 6; ++seed) {
    double conc[ncomp];
    test::realisticState(conc, seed);
    VrexCall daily;
    daily.startFrom(conc);
    daily.timeStep = 86400.0;
    calls.push_back(daily);
    VrexCall hourly = daily;
    hourly.timeStep = 3600.0;
    calls.push_back(hourly);
  }
  VrexCall nanStart = calls[1];
  nanStart.concIn[4] = nanStart.concGuess[4] = nan;
  VrexCall zeroStep = calls[1];
  zeroStep.timeStep = 0.0;
  VrexCall nanFlushing = calls[1];
  nanFlushing.switchValue = 0.001;
  nanFlushing.timeStep = nan;
  VrexCall hugeFlushing = calls[1];
  hugeFlushing.switchValue = 0.001;
  hugeFlushing.concIn[0] = 1e308;
  hugeFlushing.timeStep = 1e300;
  calls.insert(calls.end(), {nanStart, zeroStep, nanFlushing, hugeFlushing});
  return calls;
}

TEST(TrappingHost, NoCallRaisesSigfpe) {
  ScratchDirectory scratch;
  LoadedVrexDll library;
  std::vector<VrexCall> calls = awkwardCalls();
  const int traps = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
  const int status = inChildProcess([&] {
    feenableexcept(traps);
    for (VrexCall &call : calls) {
      library.invoke(call);
    }
    library.isAlive();
    return fegetexcept() == traps ? 0 : 3;
  });
  EXPECT_FALSE(WIFSIGNALED(status)) << "child killed by signal " << WTERMSIG(status);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
}

struct HostEnvironment {
  const char *name;
  int rounding;
  unsigned flushBits; // MXCSR flush-to-zero (0x8000) and denormals-are-zero (0x40)
  int raised;         // exception flags the host has raised before the call
};

TEST(HostEnvironment, IsHandedBackAndChangesNoResult) {
  ScratchDirectory scratch;
  LoadedVrexDll library;
  const std::vector<VrexCall> calls = awkwardCalls();
  std::vector<VrexCall> expected = calls;
  for (VrexCall &call : expected) {
    library.invoke(call);
  }
  const HostEnvironment environments[] = {
      {"default", FE_TONEAREST, 0, 0},
      {"upward rounding", FE_UPWARD, 0, 0},
      {"rounding toward zero, inexact raised", FE_TOWARDZERO, 0, FE_INEXACT},
      {"flush to zero, denormals are zero", FE_TONEAREST, 0x8040, 0},
      {"downward rounding, flushing, flags raised", FE_DOWNWARD, 0x8040,
       FE_INEXACT | FE_UNDERFLOW | FE_INVALID},
  };
  for (const HostEnvironment &host : environments) {
    std::vector<VrexCall> results = calls;
    std::vector<unsigned> mxcsrBefore, mxcsrAfter;
    std::vector<int> flagsAfter, roundingAfter;
    test::StdoutCapture quiet;
    for (VrexCall &call : results) {
      std::fesetround(host.rounding);
      _mm_setcsr(_mm_getcsr() | host.flushBits);
      std::feclearexcept(FE_ALL_EXCEPT);
      std::feraiseexcept(host.raised);
      mxcsrBefore.push_back(_mm_getcsr());
      library.invoke(call);
      mxcsrAfter.push_back(_mm_getcsr());
      flagsAfter.push_back(std::fetestexcept(FE_ALL_EXCEPT));
      roundingAfter.push_back(std::fegetround());
      std::fesetenv(FE_DFL_ENV);
    }
    quiet.finish();
    for (std::size_t k = 0; k < calls.size(); ++k) {
      EXPECT_EQ(mxcsrAfter[k], mxcsrBefore[k]) << host.name << ", call " << k;
      EXPECT_EQ(flagsAfter[k], host.raised) << host.name << ", call " << k;
      EXPECT_EQ(roundingAfter[k], host.rounding) << host.name << ", call " << k;
      EXPECT_EQ(results[k].status, expected[k].status) << host.name << ", call " << k;
      EXPECT_EQ(0, std::memcmp(results[k].concOut, expected[k].concOut, sizeof(results[k].concOut)))
          << host.name << ", call " << k;
    }
  }
}

} // namespace
} // namespace vrex
