// The shared library as a host sees it: loaded with dlopen, called through
// its two exported names. Exports, messages, the species-count error, the
// flushing step, output bounds, the carried value and the rates file.
#include "LoadedVrexDll.h"

#include "FortranReference.h"
#include "NodeStates.h"
#include "StdoutCapture.h"
#include "network/Network.h"
#include "network/NetworkConstants.h"
#include "step/ReactionState.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace vrex {
namespace {

using test::fileContent;
using test::LoadedVrexDll;
using test::ScratchDirectory;
using test::StdoutCapture;
using test::VrexCall;

constexpr const char *ratesFile = "ratesAtFinish.dat";

class VrexDll : public testing::Test {
protected:
  VrexCall realisticCall(std::uint64_t seed) {
    double conc[ncomp];
    test::realisticState(conc, seed);
    VrexCall call;
    call.startFrom(conc);
    return call;
  }

  // Runs a call with standard output captured; returns what it printed.
  std::string invokeCaptured(VrexCall &call) {
    StdoutCapture capture;
    library.invoke(call);
    return capture.finish();
  }

  ScratchDirectory scratch;
  LoadedVrexDll library;
};

TEST_F(VrexDll, ExportsOnlyTheTwoEntryPoints) {
  const std::string command = std::string("nm -D --defined-only ") + LoadedVrexDll::path();
  std::FILE *pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> names;
  char address[64], kind[8], name[256];
  while (std::fscanf(pipe, "%63s %7s %255s", address, kind, name) == 3) {
    names.insert(name);
  }
  ASSERT_EQ(pclose(pipe), 0);
  EXPECT_EQ(names, (std::set<std::string>{"invokevrex", "vrexIsAlive"}));
}

TEST_F(VrexDll, IsAliveWritesItsLineEveryTime) {
  StdoutCapture capture;
  library.isAlive();
  library.isAlive();
  EXPECT_EQ(capture.finish(), " VREX is Alive!\n VREX is Alive!\n");
}

TEST_F(VrexDll, WrongSpeciesCountComputesAndWritesNothing) {
  std::ofstream(ratesFile) << "earlier record\n";
  VrexCall call = realisticCall(1);
  call.nSpecies = 38;
  call.status = -1; // would start the rates file anew
  for (double &out : call.concOut) {
    out = -7.0;
  }
  EXPECT_EQ(invokeCaptured(call), " In VrexDll: Number of species mismatch! Expected           39"
                                  " but received           38 species!\n");
  EXPECT_EQ(call.status, 111);
  for (double out : call.concOut) {
    EXPECT_EQ(out, -7.0);
  }
  EXPECT_EQ(fileContent(ratesFile), "earlier record\n");
}

TEST_F(VrexDll, ReactiveStepConvergesAndHandsBackTheCarriedValue) {
  VrexCall call = realisticCall(2);
  EXPECT_EQ(invokeCaptured(call), "");
  EXPECT_EQ(call.status, 0);
  EXPECT_EQ(call.carriedValue, 0.7);
  EXPECT_EQ(fileContent(ratesFile), "<missing>"); // mode 0 writes nothing
}

TEST_F(VrexDll, SwitchAtTheThresholdRunsTheReactiveStep) {
  VrexCall call = realisticCall(3);
  call.switchValue = 0.002;
  library.invoke(call);
  EXPECT_EQ(call.status, 0);
}

TEST_F(VrexDll, FlushingStepMovesOnlyFlushedSpecies) {
  VrexCall call = realisticCall(4);
  call.switchValue = 0.001;
  call.timeStep = 60.0;
  call.concIn[24] = 0.0;  // species 25: raised to 1e-20
  call.concIn[29] = -3.0; // species 30: likewise
  call.fixFlags[0] = 1;   // held species are flushed like all others
  EXPECT_EQ(invokeCaptured(call), "");
  EXPECT_EQ(call.status, -1);
  EXPECT_EQ(call.carriedValue, 0.7);
  // dc/dt = lambda (a_i - b c_i), one explicit step from the start value.
  auto flushed = [&call](int species, double target) {
    const double c = call.concIn[species - 1];
    return c + test::flushingRateFactor * (target - test::flushingCoefficient * c) * call.timeStep;
  };
  for (int i = 1; i <= 20; ++i) {
    const double expected = flushed(i, test::flushingTargets[i - 1]);
    EXPECT_NEAR(call.concOut[i - 1], expected, 1e-14 * std::fabs(expected)) << "species " << i;
  }
  const double expected39 = flushed(39, test::flushingCoefficient);
  EXPECT_NEAR(call.concOut[38], expected39, 1e-14 * std::fabs(expected39));
  for (int i = 21; i <= 38; ++i) {
    const double raised = std::max(call.concIn[i - 1], 1e-20);
    EXPECT_EQ(call.concOut[i - 1], raised) << "species " << i;
  }
}

TEST_F(VrexDll, OutOfRangeResultsAreReportedAndBounded) {
  // The flushing step hands species 21 to 38 back unchanged, so their start
  // values reach the bounds check as they are.
  VrexCall call = realisticCall(5);
  call.switchValue = 0.001;
  call.concIn[21] = 1e30; // species 22: exactly at the bound
  call.concIn[22] = std::numeric_limits<double>::infinity();
  call.concIn[23] = std::numeric_limits<double>::quiet_NaN();
  call.concIn[24] = 1e-25; // raised on entry already
  EXPECT_EQ(invokeCaptured(call),
            " out of bounds...reset to +/-1e30          22           1  1.000000000000000E+030\n"
            " out of bounds...reset to +/-1e30          23           1                Infinity\n"
            " out of bounds...reset to +/-1e30          24           1                     NaN\n");
  EXPECT_EQ(call.concOut[21], 1e30);
  EXPECT_EQ(call.concOut[22], 1e30);
  EXPECT_EQ(call.concOut[23], 1e-20);
  EXPECT_EQ(call.concOut[24], 1e-20);
}

TEST_F(VrexDll, TinyHeldValuesComeBackAtTheSmallestMagnitude) {
  // Held species are pinned at their start value as given, not raised; the
  // bounds check then lifts tiny magnitudes to 1e-20 keeping their sign.
  struct Case {
    double held, returned;
    int status;
  };
  const Case cases[] = {{-1e-25, -1e-20, 1}, {1e-25, 1e-20, 0}, {0.0, 1e-20, 0}};
  for (const Case &c : cases) {
    VrexCall call = realisticCall(6);
    call.concIn[11] = c.held; // species 12: one conserved row only
    call.fixFlags[11] = 1;
    EXPECT_EQ(invokeCaptured(call), "");
    EXPECT_EQ(call.concOut[11], c.returned);
    EXPECT_EQ(call.status, c.status);
  }
}

TEST_F(VrexDll, EstimatesBelowTheFloorStartFromIt) {
  // A starting estimate of zero, below zero or below 1e-20 is raised to
  // 1e-20, so the step is the one that starts from exactly 1e-20.
  VrexCall fromFloor = realisticCall(13);
  fromFloor.concGuess[30] = 1e-20; // species 31
  library.invoke(fromFloor);
  for (double guess : {0.0, -5.0, 1e-30}) {
    VrexCall call = realisticCall(13);
    call.concGuess[30] = guess;
    library.invoke(call);
    EXPECT_EQ(call.status, fromFloor.status);
    EXPECT_EQ(0, std::memcmp(call.concOut, fromFloor.concOut, sizeof(call.concOut))) << guess;
  }
}

TEST_F(VrexDll, NoValueOfOneCallIsUsedByTheNext) {
  VrexCall first = realisticCall(7);
  VrexCall other = realisticCall(8);
  other.switchValue = 0.001;
  VrexCall again = first;
  library.invoke(first);
  library.invoke(other);
  library.invoke(again);
  EXPECT_EQ(0, std::memcmp(first.concOut, again.concOut, sizeof(first.concOut)));
  EXPECT_EQ(first.status, again.status);
}

// Rates of the final concentrations as the library evaluates them, computed
// in this process with the network routines.
std::vector<double> recordValues(const VrexCall &call) {
  ReactionState s;
  s.switchValue = call.switchValue;
  updateFlushFlag(s);
  evalRates(call.concOut, network::netpar.data(), s.step.flushFlag, s.rates);
  std::vector<double> values = {call.switchValue, call.recordTag1, call.recordTag2};
  values.insert(values.end(), std::begin(s.rates), std::end(s.rates));
  return values;
}

TEST_F(VrexDll, RatesRecordMatchesTheFortranFormatting) {
  std::ofstream(ratesFile) << "earlier record\n";
  VrexCall reactive = realisticCall(9);
  reactive.status = -1;
  reactive.recordTag1 = -1234.56785; // just below the decimal tie: rounds down
  reactive.recordTag2 = 1e8;         // too wide: a row of asterisks
  VrexCall flushing = realisticCall(10);
  flushing.status = -2;
  flushing.switchValue = 0.001;
  flushing.recordTag1 = 17.0;
  flushing.recordTag2 = 0.5;
  library.invoke(reactive);
  library.invoke(flushing);
  ASSERT_EQ(reactive.status, 0);
  ASSERT_EQ(flushing.status, -1);

  const std::string first = test::fortranRecord(recordValues(reactive));
  const std::string second = test::fortranRecord(recordValues(flushing));
  ASSERT_EQ(first.size(), 793u); // 792 characters and the line end
  EXPECT_EQ(first.substr(12, 24), "  -1234.5678************");
  EXPECT_EQ(fileContent(ratesFile), first + second);
}

TEST_F(VrexDll, RatesFileModes) {
  std::ofstream(ratesFile) << "earlier record\n";
  auto lines = [] {
    const std::string text = fileContent(ratesFile);
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  };
  struct Step {
    int mode;
    double tag;
    int linesAfter;
  };
  // -1 starts anew, below -1 appends, 0 and above leave the file alone.
  const Step steps[] = {{-1, 1.0, 1}, {-2, 2.0, 2}, {-7, 3.0, 3}, {0, 4.0, 3}, {5, 5.0, 3}};
  for (const Step &step : steps) {
    VrexCall call = realisticCall(11);
    call.status = step.mode;
    call.recordTag1 = step.tag;
    EXPECT_EQ(invokeCaptured(call), "");
    EXPECT_EQ(lines(), step.linesAfter) << "mode " << step.mode;
  }
  const std::string text = fileContent(ratesFile);
  EXPECT_EQ(text.substr(12, 12), "      1.0000"); // first line from the -1 call
  EXPECT_EQ(text.substr(793 + 12, 12), "      2.0000");
  EXPECT_EQ(text.substr(2 * 793 + 12, 12), "      3.0000");
}

TEST_F(VrexDll, UnwritableRatesFileIsReportedAndTheCallGoesOn) {
  // A directory in the file's place can be neither deleted nor opened for
  // appending, whatever the privileges of the test.
  std::filesystem::create_directory(ratesFile);
  for (int mode : {-1, -2}) {
    VrexCall call = realisticCall(12);
    call.status = mode;
    const std::string output = invokeCaptured(call);
    EXPECT_EQ(call.status, 0) << "mode " << mode;
    EXPECT_EQ(call.carriedValue, 0.7);
    EXPECT_GT(call.concOut[0], 0.0);
    ASSERT_FALSE(output.empty());
    EXPECT_EQ(output.front(), ' ');
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1);
    EXPECT_EQ(output.back(), '\n');
    EXPECT_NE(output.find(ratesFile), std::string::npos) << output;
  }
  // Without a rates request the file is never touched, so nothing is said.
  VrexCall quiet = realisticCall(12);
  EXPECT_EQ(invokeCaptured(quiet), "");
  EXPECT_TRUE(std::filesystem::is_directory(ratesFile));
}

} // namespace
} // namespace vrex
