// The residual of one backward-Euler step: storage terms, kinetic terms and
// flushing sources of the balance rows, and the equilibrium rows.
#include <gtest/gtest.h>

#include <cmath>

#include "NetworkTestState.h"
#include "network/Network.h"

namespace vrex::test {
namespace {

const int equilibriumRows[] = {1, 5, 7, 8, 9, 10, 13, 14, 17};
const int equilibriumEntryOfRow[] = {26, 23, 20, 21, 22, 24, 25, 27, 28};

bool isEquilibriumRow(int i) {
  for (int row : equilibriumRows) {
    if (row == i) {
      return true;
    }
  }
  return false;
}

// A state in which every kinetic law is exactly zero in the reactive regime:
// exchanged species equal, growth substrates absent, every catalysing species
// at its decay threshold, every dissolving solid at the guard concentration.
void setKineticsAtRest() {
  std::mt19937_64 rng(21);
  randomConcentrations(rng, node.step.conc);
  conc(1) = conc(24) = 0.0;
  conc(2) = conc(26);
  conc(3) = conc(27);
  conc(4) = conc(28);
  conc(17) = conc(25) = 0.0;
  conc(37) = 1.0;
  conc(29) = netpar(58);
  conc(6) = 0.0;
  conc(21) = conc(22) = conc(23) = netpar(57);
  conc(30) = netpar(58) * conc(23);
  conc(31) = netpar(13);
  conc(32) = netpar(19);
  conc(33) = netpar(24);
  conc(34) = netpar(30);
  conc(35) = netpar(36);
  conc(36) = netpar(42);
}

class Residual : public ::testing::Test {
protected:
  void SetUp() override {
    loadRandomNode(20, 0.0, 40.0);
  }
  double resid[ncomp];
};

TEST_F(Residual, AtRestEveryBalanceRowVanishesAndEquilibriumRowsAreTheDeviations) {
  setKineticsAtRest();
  for (int i = 1; i <= ncomp; ++i) {
    concOld(i) = conc(i);
  }
  evalNodeRates();
  for (int k = 1; k <= 33; ++k) {
    if (k < 20 || k > 28) {
      ASSERT_EQ(rate(k), 0.0) << "kinetic law " << k << " not at rest";
    }
  }
  evalNodeResidual(resid);
  for (int i = 1; i <= ncomp; ++i) {
    if (!isEquilibriumRow(i)) {
      EXPECT_EQ(resid[i - 1], 0.0) << "row " << i;
    }
  }
  for (int n = 0; n < 9; ++n) {
    EXPECT_EQ(resid[equilibriumRows[n] - 1], rate(equilibriumEntryOfRow[n])) << "row " << equilibriumRows[n];
  }
}

TEST_F(Residual, HalvingTheStepDoublesEveryStorageTerm) {
  setKineticsAtRest();
  evalNodeResidual(resid);
  double halfStep[ncomp];
  node.step.dt /= 2;
  evalNodeResidual(halfStep);
  for (int i = 1; i <= ncomp; ++i) {
    const double expected = isEquilibriumRow(i) ? resid[i - 1] : 2 * resid[i - 1];
    EXPECT_EQ(halfStep[i - 1], expected) << "row " << i;
    if (!isEquilibriumRow(i)) {
      EXPECT_NE(resid[i - 1], 0.0) << "row " << i << " has no storage term";
    }
  }
}

TEST_F(Residual, ConservedRowHasOnlyStorageTerms) {
  evalNodeResidual(resid);
  const double expected = -(-0.667849429189 * (conc(12) - concOld(12)) -
                            0.0342486886763 * (conc(29) - concOld(29)) -
                            2677.39123727 * (conc(37) - concOld(37))) /
                          node.step.dt;
  EXPECT_EQ(resid[34 - 1], expected);
}

TEST_F(Residual, DecayRowTakesItsOwnDecayLaw) {
  evalNodeRates();
  evalNodeResidual(resid);
  EXPECT_EQ(resid[32 - 1], -(conc(32) - concOld(32)) / node.step.dt - rate(11));
}

TEST_F(Residual, Row31HoldsDecayButNoGrowthOfItsPopulation) {
  for (int i = 1; i <= ncomp; ++i) {
    concOld(i) = conc(i);
  }
  evalNodeRates();
  evalNodeResidual(resid);
  EXPECT_EQ(resid[31 - 1], -rate(9));
  // Species 24 feeds growth laws 8 and 10 only.
  const double before = resid[31 - 1];
  const double law8 = rate(8);
  conc(24) *= 3;
  evalNodeRates();
  ASSERT_NE(rate(8), law8);
  evalNodeResidual(resid);
  EXPECT_EQ(resid[31 - 1], before);
}

// In the flushing regime the kinetic laws are switched off, so the kinetic
// rate constants cannot matter; in the reactive regime they do.
TEST_F(Residual, KineticRateConstantsMatterOnlyInTheReactiveRegime) {
  const int rateConstants[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  14, 15, 20, 21,
                               25, 26, 31, 32, 37, 38, 52, 53, 54, 55, 56};
  for (double m : {0.0, 1.0}) {
    loadNetwork();
    selectRegime(m);
    evalNodeResidual(resid);
    for (int j : rateConstants) {
      node.netpar[j - 1] *= 2;
    }
    double scaled[ncomp];
    evalNodeResidual(scaled);
    int changedRows = 0;
    for (int i = 0; i < ncomp; ++i) {
      changedRows += scaled[i] != resid[i];
    }
    EXPECT_EQ(changedRows, m == 1.0 ? 0 : 26) << "m = " << m;
  }
}

// Without storage and with the kinetics switched off, the rows that weigh
// flushed species by 1 are the residual's own flushing laws.
TEST_F(Residual, FlushingSourcesUseTheResidualsOwnConstants) {
  selectRegime(1.0);
  for (int i = 1; i <= ncomp; ++i) {
    concOld(i) = conc(i);
  }
  evalNodeResidual(resid);
  const double lambda = 337729.2931;
  const double b = 8.333331596e-09;
  const auto g = [&](int i, double target) { return lambda * (target - b * conc(i)); };
  EXPECT_EQ(resid[2 - 1], g(2, 1.583333003e-12));
  EXPECT_EQ(resid[3 - 1], g(3, 2.499999479e-12));
  EXPECT_EQ(resid[4 - 1], g(4, 1.916666267e-12));
  EXPECT_EQ(resid[18 - 1], g(17, 1.664749653e-29) + g(18, 3.049166031e-32));
  EXPECT_EQ(resid[39 - 1], g(39, b));
}

TEST_F(Residual, ZeroStepLeavesNoBalanceRowFinite) {
  node.step.dt = 0.0;
  evalNodeResidual(resid);
  for (int i = 1; i <= ncomp; ++i) {
    EXPECT_EQ(std::isfinite(resid[i - 1]), isEquilibriumRow(i)) << "row " << i;
  }
}

} // namespace
} // namespace vrex::test
