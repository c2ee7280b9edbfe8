// Bad calls whose Newton iteration runs to its limit of 100000 iterations.
// They take about a second each natively and minutes under valgrind, so they
// form a test program of their own that CMake labels "slow".
#include "BadCallCase.h"

#include "network/NetworkSizes.h"

#include <gtest/gtest.h>

namespace vrex {
namespace {

using test::BadCall;
using test::VrexCall;

class IterationLimitCalls : public test::BadCallTest {};

TEST_P(IterationLimitCalls, ReturnBoundedResultsAndTheirStatus) { check(); }

const BadCall iterationLimitCalls[] = {
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
};

INSTANTIATE_TEST_SUITE_P(Cases, IterationLimitCalls, testing::ValuesIn(iterationLimitCalls),
                         [](const auto &info) { return info.param.name; });

} // namespace
} // namespace vrex
