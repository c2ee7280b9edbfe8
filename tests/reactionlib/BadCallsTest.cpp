// Bad calls a host can make: values that are not numbers, infinities, zero,
// negative and huge time steps. Through the loaded library, each call must
// come back with its status, every concentration inside the returned bounds
// and the carried value handed back. Denormal and negative concentrations run
// to the iteration limit and live in IterationLimitCallsTest.cpp.
#include "BadCallCase.h"

#include "network/NetworkSizes.h"

#include <gtest/gtest.h>

#include <limits>

namespace vrex {
namespace {

using test::BadCall;
using test::VrexCall;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

class BadCalls : public test::BadCallTest {};

TEST_P(BadCalls, ReturnBoundedResultsAndTheirStatus) { check(); }

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
