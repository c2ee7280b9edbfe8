// Bad calls a host can make: values that are not numbers, infinities,
// denormals, zero and negative time steps. Through the loaded library, each
// call must come back with its status, every concentration inside the
// returned bounds and the carried value handed back.
#include "LoadedVrexDll.h"

#include "NodeStates.h"
#include "ReactionState.h"
#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <limits>
#include <set>
#include <string>

namespace vrex {
namespace {

using test::LoadedVrexDll;
using test::ScratchDirectory;
using test::StdoutCapture;
using test::VrexCall;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

struct BadCall {
  std::string name;
  std::function<void(VrexCall &)> spoil;
  std::set<int> statuses;      // the status codes the call may end with
  bool boundsMessage;          // whether the bounds line must appear
};

void PrintTo(const BadCall &bad, std::ostream *out) { *out << bad.name; }

bool insideReturnedBounds(double x) { return std::fabs(x) >= 1e-20 && std::fabs(x) <= 1e30; }

class BadCalls : public testing::TestWithParam<BadCall> {
protected:
  ScratchDirectory scratch;
  LoadedVrexDll library;
};

TEST_P(BadCalls, ReturnBoundedResultsAndTheirStatus) {
  const BadCall &bad = GetParam();
  double conc[ncomp];
  test::realisticState(conc, 3);
  VrexCall call;
  call.startFrom(conc);
  bad.spoil(call);

  StdoutCapture capture;
  library.invoke(call);
  const std::string printed = capture.finish();

  EXPECT_TRUE(bad.statuses.count(call.status)) << "status " << call.status;
  for (int i = 0; i < ncomp; ++i)
    EXPECT_TRUE(insideReturnedBounds(call.concOut[i])) << "species " << i + 1 << ": " << call.concOut[i];
  EXPECT_EQ(call.carriedValue, 0.7);
  EXPECT_EQ(printed.find("out of bounds...reset to +/-1e30") != std::string::npos, bad.boundsMessage) << printed;
}

const BadCall badCalls[] = {
    // A value that is not a number makes the residual not a number: the
    // Newton solve stops at once, without convergence.
    {"NaNStartConcentration", [](VrexCall &c) { c.concIn[4] = c.concGuess[4] = nan; }, {2}, true},
    {"NaNEstimateOnly", [](VrexCall &c) { c.concGuess[30] = nan; }, {2}, true},
    {"InfiniteEstimate", [](VrexCall &c) { c.concGuess[0] = inf; }, {2}, true},
    {"NaNTimeStep", [](VrexCall &c) { c.timeStep = nan; }, {2}, false},
    // The storage terms divide by the time step.
    {"ZeroTimeStep", [](VrexCall &c) { c.timeStep = 0.0; }, {2}, false},
    {"NegativeTimeStep", [](VrexCall &c) { c.timeStep = -3600.0; }, {0, 1, 2, 3}, false},
    {"HugeTimeStep", [](VrexCall &c) { c.timeStep = 1e300; }, {0, 1, 2, 3}, false},
    {"DenormalConcentrations",
     [](VrexCall &c) {
       for (int i = 0; i < ncomp; ++i)
         c.concIn[i] = c.concGuess[i] = 4.9e-324;
     },
     {0, 1, 2, 3}, false},
    {"NegativeConcentrations",
     [](VrexCall &c) {
       for (int i = 0; i < ncomp; ++i)
         c.concIn[i] = c.concGuess[i] = -1.0;
     },
     {0, 1, 2, 3}, false},
    // A switch value that is not a number is not below the threshold.
    {"NaNSwitchValue", [](VrexCall &c) { c.switchValue = nan; }, {0, 1}, false},
    // The flushing step multiplies the rates by the time step.
    {"NaNTimeStepInFlushingStep",
     [](VrexCall &c) {
       c.switchValue = 0.001;
       c.timeStep = nan;
     },
     {-1}, true},
    {"HugeValuesInFlushingStep",
     [](VrexCall &c) {
       c.switchValue = 0.001;
       c.concIn[0] = 1e308;
       c.timeStep = 1e300;
     },
     {-1}, true},
};

INSTANTIATE_TEST_SUITE_P(Cases, BadCalls, testing::ValuesIn(badCalls),
                         [](const auto &info) { return info.param.name; });

} // namespace
} // namespace vrex
