// Initialisation of the state block and the derivation of the flushing switch.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "step/ReactionState.h"

namespace vrex {
namespace {

ReactionState reactionState;

void initAll() {
  initSettings(reactionState);
  initNetworkParameters(reactionState);
  initSpeciesTables(reactionState);
}

TEST(ReactionState, SettingsAreTheFixedDefaults) {
  reactionState.settings.tolStep = reactionState.settings.tolResid = -1.0;
  reactionState.settings.maxIter = -1;
  reactionState.settings.linSolver = LinSolver::lapack;
  initSettings(reactionState);
  EXPECT_EQ(reactionState.settings.tolStep, 1e-12);
  EXPECT_EQ(reactionState.settings.tolResid, 5e-12);
  EXPECT_EQ(reactionState.settings.maxIter, 100000);
  EXPECT_EQ(reactionState.settings.linSolver, LinSolver::ownLu);
}

// The five decay constants are formed as double products of their factors;
// the decimal values they are usually quoted by are within an ulp or two.
TEST(ReactionState, DerivedDecayConstantsAreDoubleProducts) {
  initNetworkParameters(reactionState);
  struct Product {
    int index;
    double factor;
    double base;
    double quoted;
  };
  const Product products[] = {{15, 0.05, 3.182870369e-05, 1.5914351845e-06},
                              {21, 0.1, 1.423611111e-05, 1.423611111e-06},
                              {26, 0.1, 2.546296296e-05, 2.546296296e-06},
                              {32, 0.1, 1.125e-06, 1.125e-07},
                              {38, 0.1, 2.858796297e-06, 2.858796297e-07}};
  for (const Product &p : products) {
    EXPECT_EQ(reactionState.netpar[p.index - 1], p.factor * p.base) << "netpar(" << p.index << ")";
    EXPECT_DOUBLE_EQ(reactionState.netpar[p.index - 1], p.quoted) << "netpar(" << p.index << ")";
  }
}

TEST(ReactionState, LoadingParametersResetsTheFlushingSwitch) {
  reactionState.step.flushFlag = 1.0;
  initNetworkParameters(reactionState);
  EXPECT_EQ(reactionState.step.flushFlag, 0.0);
}

TEST(ReactionState, SpeciesTables) {
  initSpeciesTables(reactionState);
  for (int i = 1; i <= ncomp; ++i) {
    const double expected = i <= 20 ? 33 + i : (i == 39 ? 54 : 0);
    EXPECT_EQ(reactionState.flushRateIndex[i - 1], expected) << "species " << i;
    EXPECT_EQ(reactionState.held.fixedConc[i - 1], 1.0) << "species " << i;
  }
}

struct SwitchCase {
  double switchValue;
  double flushFlag;
};

class FlushSwitch : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(FlushSwitch, FlushingBelowThreshold) {
  initAll();
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

// Whatever a call leaves behind, the next initialisation restores the same
// settings, parameters and tables.
TEST(ReactionState, InitialisationForgetsTheLastCall) {
  initAll();
  const ReactionState fresh = reactionState;
  std::memset(&reactionState, 0x5a, sizeof reactionState);
  initAll();
  EXPECT_EQ(std::memcmp(reactionState.netpar, fresh.netpar, sizeof fresh.netpar), 0);
  EXPECT_EQ(std::memcmp(reactionState.held.fixedConc, fresh.held.fixedConc, sizeof fresh.held.fixedConc), 0);
  EXPECT_EQ(std::memcmp(reactionState.flushRateIndex, fresh.flushRateIndex, sizeof fresh.flushRateIndex), 0);
  EXPECT_EQ(reactionState.settings.tolStep, fresh.settings.tolStep);
  EXPECT_EQ(reactionState.settings.tolResid, fresh.settings.tolResid);
  EXPECT_EQ(reactionState.settings.maxIter, fresh.settings.maxIter);
  EXPECT_EQ(reactionState.settings.linSolver, fresh.settings.linSolver);
  EXPECT_EQ(reactionState.step.flushFlag, 0.0);
}

} // namespace
} // namespace vrex
