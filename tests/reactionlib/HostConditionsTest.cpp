// The library inside hosts as they are: floating-point traps enabled, other
// rounding and flush settings, exception flags of their own, a standard input
// that never answers, a console, a comma-decimal locale. Not run under
// valgrind, which emulates neither traps nor flush-to-zero.
#include "LoadedVrexDll.h"

#include "ChildProcess.h"
#include "NodeStates.h"
#include "network/NetworkSizes.h"
#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xmmintrin.h>

namespace vrex {
namespace {

using test::inChildProcess;
using test::LoadedVrexDll;
using test::ScratchDirectory;
using test::VrexCall;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

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

// Species 7 and 8 held at zero, a valid input: row 7 of the Jacobian is
// empty in every iteration of the call.
VrexCall heldAtZeroCall() {
  double conc[ncomp];
  test::realisticState(conc, 16);
  VrexCall call;
  call.startFrom(conc);
  for (int species : {7, 8}) {
    call.concIn[species - 1] = 0.0;
    call.fixFlags[species - 1] = 1;
  }
  return call;
}

int countOf(const std::string &text, const std::string &line) {
  int count = 0;
  for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) {
    ++count;
  }
  return count;
}

// Two held-at-zero calls in a child process whose standard input is what
// openInput opens there; the child's console text, or how it ended.
std::string twoSingularCalls(const LoadedVrexDll &library, const std::function<int()> &openInput) {
  VrexCall first = heldAtZeroCall();
  VrexCall second = first;
  const int status = inChildProcess(
      [&] {
        const int input = openInput();
        if (input < 0 || dup2(input, STDIN_FILENO) < 0) {
          return 4;
        }
        library.invoke(first);
        library.invoke(second);
        return first.status == 2 && second.status == 2 ? 0 : 5;
      },
      "console.txt");
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return "child ended with wait status " + std::to_string(status);
  }
  return test::fileContent("console.txt");
}

const std::string singularLine = " Singular matrix           7          39          39\n";
const std::string prompt = " Press Enter to continue.\n";

TEST(ConsolePause, BatchHostWhoseInputNeverAnswersGoesOn) {
  ScratchDirectory scratch;
  LoadedVrexDll library;
  // A pipe whose writing end stays open in the child: no line, no end.
  const std::string console = twoSingularCalls(library, [] {
    int ends[2];
    return pipe(ends) == 0 ? ends[0] : -1;
  });
  EXPECT_EQ(countOf(console, singularLine), 2) << console; // once per call
  EXPECT_EQ(countOf(console, prompt), 0) << console;
}

TEST(ConsolePause, WaitsOnceOnATerminal) {
  ScratchDirectory scratch;
  LoadedVrexDll library;
  const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  ASSERT_EQ(grantpt(terminal), 0);
  ASSERT_EQ(unlockpt(terminal), 0);
  const std::string name = ptsname(terminal);
  // One empty line typed ahead: enough for one pause, and a second pause
  // would wait until the watchdog ends the child.
  ASSERT_EQ(write(terminal, "\n", 1), 1);
  const std::string console =
      twoSingularCalls(library, [&name] { return open(name.c_str(), O_RDWR | O_NOCTTY); });
  close(terminal);
  EXPECT_EQ(countOf(console, singularLine), 2) << console;
  EXPECT_EQ(countOf(console, prompt), 1) << console;
}

// Makes a comma-decimal locale current for LC_ALL: one the machine has, or
// one generated here with localedef into `folder` and found through
// LOCPATH. Returns false when neither works.
bool selectCommaDecimalLocale(const std::string &folder) {
  for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      return true;
    }
  }
  const std::string command = "localedef -i de_DE -f UTF-8 " + folder + "/de_DE.UTF-8 2>/dev/null";
  if (std::system(command.c_str()) != 0) {
    return false;
  }
  setenv("LOCPATH", folder.c_str(), 1);
  return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

// A rates record and console lines with integers and doubles.
std::string recordAndConsole(const LoadedVrexDll &library) {
  double conc[ncomp];
  test::realisticState(conc, 1);
  VrexCall reactive;
  reactive.startFrom(conc);
  reactive.status = -1;
  reactive.recordTag1 = 1234.5678;
  reactive.recordTag2 = -0.5;
  VrexCall bounded = reactive;
  bounded.switchValue = 0.001;
  bounded.status = -2;
  bounded.concIn[21] = 1e30;
  bounded.concIn[22] = 2.5e35;
  test::StdoutCapture capture;
  library.invoke(reactive);
  library.invoke(bounded);
  const std::string console = capture.finish();
  return console + test::fileContent("ratesAtFinish.dat");
}

TEST(Locale, CommaDecimalLocaleChangesNoCharacter) {
  ScratchDirectory scratch;
  LoadedVrexDll library;
  const std::string inC = recordAndConsole(library);
  const std::string folder = std::filesystem::current_path().string();
  ASSERT_TRUE(selectCommaDecimalLocale(folder)) << "no comma-decimal locale";
  char probe[16];
  std::snprintf(probe, sizeof(probe), "%.1f", 1.5);
  const std::string underComma = recordAndConsole(library);
  std::setlocale(LC_ALL, "C");
  unsetenv("LOCPATH");
  ASSERT_STREQ(probe, "1,5") << "the locale is not in effect";
  EXPECT_EQ(underComma, inC);
  EXPECT_NE(inC.find("   1234.5678     -0.5000"), std::string::npos) << inC;
}

} // namespace
} // namespace vrex
