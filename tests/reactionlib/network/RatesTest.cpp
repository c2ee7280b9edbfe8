// The rate vector: which classes act in which regime, the equilibrium
// deviations, and the flushing laws with the rate vector's own constants.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "NetworkTestState.h"
#include "network/Network.h"
#include "network/NetworkConstants.h"

namespace vrex::test {
namespace {

bool isKinetic(int k) { return k <= 19 || (k >= 29 && k <= 33); }
bool isEquilibrium(int k) { return k >= 20 && k <= 28; }
bool isFlushing(int k) { return k >= 34; }

class Rates : public ::testing::TestWithParam<double> {
protected:
  void SetUp() override {
    loadRandomNode(30, GetParam());
    std::fill(node.rates, node.rates + nrates,
              std::numeric_limits<double>::quiet_NaN());
    evalNodeRates();
  }
};

TEST_P(Rates, EachClassActsOnlyInItsRegime) {
  const bool flushing = GetParam() == 1.0;
  EXPECT_EQ(node.step.flushFlag, GetParam());
  for (int k = 1; k <= nrates; ++k) {
    const bool active = isEquilibrium(k) || (isKinetic(k) && !flushing) || (isFlushing(k) && flushing);
    EXPECT_TRUE(std::isfinite(rate(k))) << "entry " << k;
    EXPECT_EQ(rate(k) != 0.0, active) << "entry " << k;
  }
}

// The equilibrium entries carry no switch: mass action minus 10^-pK.
TEST_P(Rates, EquilibriumEntriesAreMassActionDeviations) {
  struct Law {
    int entry, a, b, d, pK;
  };
  const Law laws[] = {{20, 8, 7, 0, 43},   {21, 7, 10, 9, 44},  {22, 7, 11, 10, 45},
                      {23, 11, 5, 0, 46},  {24, 7, 14, 13, 47}, {25, 7, 15, 14, 48},
                      {26, 7, 1, 16, 49},  {27, 7, 17, 18, 50}, {28, 7, 19, 20, 51}};
  for (const Law &law : laws) {
    const double K = std::pow(10.0, -netpar(law.pK));
    const double expected = law.d == 0 ? conc(law.a) * conc(law.b) - K
                                       : conc(law.a) * conc(law.b) - K * conc(law.d);
    EXPECT_EQ(rate(law.entry), expected) << "entry " << law.entry;
  }
}

INSTANTIATE_TEST_SUITE_P(BothRegimes, Rates, ::testing::Values(0.0, 1.0));

class FlushingRates : public ::testing::Test {
protected:
  void SetUp() override {
    loadRandomNode(31, 1.0);
  }
};

// Flushing entry 33 + i moves species i (entry 54 species 39) and reads no
// other species; at target / scale it is zero up to the rounding of the
// target.
TEST_F(FlushingRates, EachEntryPullsItsOwnSpeciesToItsTarget) {
  const double lambda = 337729.3125;
  const double b = 8.333332246479586e-09;
  for (const network::FlushingLaw &law : network::flushingLaws) {
    const int species = law.species;
    const int expectedEntry = species == 39 ? 54 : 33 + species;
    EXPECT_EQ(law.rateEntry, expectedEntry);
    evalNodeRates();
    double before[nrates];
    std::copy(node.rates, node.rates + nrates, before);
    EXPECT_EQ(rate(expectedEntry), lambda * (law.rateTarget - b * conc(species)));

    conc(species) = law.rateTarget / b;
    evalNodeRates();
    EXPECT_NEAR(rate(expectedEntry), 0.0, 4 * std::numeric_limits<double>::epsilon() * lambda * law.rateTarget)
        << "species " << species;
    for (int k = network::firstFlushingEntry; k <= nrates; ++k) {
      if (k != expectedEntry) {
        EXPECT_EQ(rate(k), before[k - 1]) << "entry " << k << " reads species " << species;
      }
    }
  }
}

TEST_F(FlushingRates, LastSpeciesAtUnitConcentrationIsAtItsTarget) {
  conc(39) = 1.0;
  evalNodeRates();
  EXPECT_EQ(rate(54), 0.0);
}

TEST(RateLaws, NeutralWaterDeviation) {
  loadNetwork();
  selectRegime(0.0);
  conc(7) = 1e-7;
  conc(8) = 1e-7;
  evalNodeRates();
  EXPECT_NEAR(rate(20), 1e-14 - std::pow(10.0, -13.998), 1e-29);
}

// Growth law 10 is catalysed by species 31, like law 8; species 32 only
// decays (law 11).
TEST(RateLaws, SecondGrowthLawFollowsSpecies31NotSpecies32) {
  loadRandomNode(32, 0.0);
  evalNodeRates();
  const double law10 = rate(10);
  conc(32) *= 2;
  evalNodeRates();
  EXPECT_EQ(rate(10), law10);
  conc(31) *= 2;
  evalNodeRates();
  EXPECT_GT(rate(10), law10);
}

} // namespace
} // namespace vrex::test
