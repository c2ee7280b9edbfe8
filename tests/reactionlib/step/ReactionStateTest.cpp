// The preparation of a call's record and the derivation of the flushing
// switch.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "step/ReactionState.h"

namespace vrex {
namespace {

ReactionState reactionState;

struct SwitchCase {
  double switchValue;
  double flushFlag;
};

class FlushSwitch : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(FlushSwitch, FlushingBelowThreshold) {
  reactionState.switchValue = GetParam().switchValue;
  reactionState.step.flushFlag = 1.0 - GetParam().flushFlag;
  updateFlushFlag(reactionState);
  EXPECT_EQ(reactionState.step.flushFlag, GetParam().flushFlag);
  // The switch value is only read: NaN stays NaN.
  EXPECT_EQ(std::memcmp(&reactionState.switchValue, &GetParam().switchValue, sizeof(double)), 0);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, FlushSwitch,
                         ::testing::Values(SwitchCase{0.002, 0.0}, SwitchCase{0.0019999, 1.0},
                                           SwitchCase{-5.0, 1.0}, SwitchCase{0.0, 1.0},
                                           SwitchCase{1e300, 0.0},
                                           SwitchCase{std::numeric_limits<double>::quiet_NaN(), 0.0}));

// Whatever a call leaves behind, the next preparation sets every value the
// step reads from its arguments alone.
TEST(ReactionState, PreparationForgetsTheLastCall) {
  double concIn[ncomp];
  double concGuess[ncomp];
  int fixFlags[ncomp];
  for (int i = 0; i < ncomp; ++i) {
    concIn[i] = 1e-3 * (i + 1);
    concGuess[i] = i % 3 == 0 ? 0.0 : 2e-3 * (i + 1); // some below the floor
    fixFlags[i] = i % 5 == 0 ? 1 : 0;
  }
  ReactionState fresh{};
  prepareNodeStep(fresh, concIn, concGuess, fixFlags, 60.0, 0.001);
  std::memset(&reactionState, 0x5a, sizeof reactionState);
  prepareNodeStep(reactionState, concIn, concGuess, fixFlags, 60.0, 0.001);
  EXPECT_EQ(std::memcmp(&reactionState.step, &fresh.step, sizeof fresh.step), 0);
  EXPECT_EQ(std::memcmp(reactionState.held.solveMode, fresh.held.solveMode, sizeof fresh.held.solveMode), 0);
  for (int i = 0; i < ncomp; i += 5) {
    EXPECT_EQ(reactionState.held.fixedConc[i], concIn[i]) << "species " << i + 1;
  }
  EXPECT_EQ(reactionState.step.flushFlag, 1.0);
  EXPECT_EQ(reactionState.step.conc[0], 1e-20);
}

} // namespace
} // namespace vrex
