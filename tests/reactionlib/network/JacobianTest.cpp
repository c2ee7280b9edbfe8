

// The analytic Jacobian against the residual it differentiates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <set>
#include <vector>

#include "NetworkTestState.h"
#include "network/Network.h"
#include "network/NetworkConstants.h"

namespace vrex::test {
namespace {

// Columns that the network couples to each row, rows 1..39 (index 0 unused).
const std::vector<std::set<int>> couplings = {
    {},
    {1, 7, 16},
    {2, 26},
    {3, 27},
    {4, 28},
    {5, 11},
    {14, 23, 30, 35},
    {7, 8},
    {7, 9, 10},
    {7, 10, 11},
    {7, 13, 14},
    {2, 24, 26, 31, 33, 34, 35, 36},
    {2, 25, 29, 31, 33, 34, 35, 36, 37},
    {7, 14, 15},
    {7, 17, 18},
    {2, 25, 30, 31, 33, 34, 35, 36},
    {1, 2, 3, 4, 17, 24, 25, 26, 27, 28, 29, 35, 37},
    {7, 19, 20},
    {17, 18, 25},
    {1, 2, 3, 4, 7, 8, 9, 10, 13, 14, 17, 19, 23, 24, 25, 26, 27, 28, 29, 30, 35, 37},
    {2, 4, 17, 24, 25, 28, 29, 31, 33, 34, 35, 36, 37},
    {6, 15, 21},
    {6, 11, 22},
    {2, 4, 25, 28, 31, 33, 34, 35, 36},
    {2, 3, 24, 27, 31, 33, 34, 35, 36},
    {23, 30, 35},
    {6, 21, 22, 23, 30},
    {2, 3, 4, 9, 10, 11, 17, 22, 25, 26, 27, 28, 29, 35, 37, 38},
    {1, 2, 3, 4, 16, 17, 24, 25, 26, 27, 28, 29, 35, 37},
    {29, 37},
    {4, 13, 14, 15, 21, 23, 28, 30, 35},
    {2, 3, 26, 27, 31},
    {32},
    {4, 17, 25, 28, 29, 33, 35, 37},
    {12, 29, 37},
    {4, 17, 19, 20, 25, 28, 29, 35, 37},
    {4, 28, 36},
    {29, 34, 37},
    {5, 38},
    {39},
};

bool coupled(int i, int j) { return couplings[i].count(j) != 0; }

struct Sample {
  unsigned seed;
  double m;
  bool nearFloor = false; // down to the driver's floor 1e-20 and below
};

void PrintTo(const Sample &sample, std::ostream *out) {
  *out << "seed " << sample.seed << ", m = " << sample.m << (sample.nearFloor ? ", near floor" : "");
}

class JacobianAtRandomStates : public ::testing::TestWithParam<Sample> {
protected:
  void SetUp() override {
    loadNetwork();
    std::mt19937_64 rng(GetParam().seed);
    randomConcentrations(rng, node.step.conc, GetParam().nearFloor ? 1e-20 : 1e-6);
    if (GetParam().nearFloor) {
      // Dissolving solids a few times the guard concentration, where the
      // guard factors are far from 1, and precipitation all but stopped so
      // that its rounding does not drown their derivatives.
      conc(21) = conc(22) = conc(23) = 3e-30;
      conc(6) = 1e-20;
    }
    // Differences of the residual are taken with the start of the step at
    // the evaluation point: the storage terms then add no rounding noise of
    // their own. The matrix does not depend on concOld (tested below).
    std::copy(node.step.conc, node.step.conc + ncomp, node.step.concOld);
    std::uniform_real_distribution<double> exponent(0.0, 5.0);
    node.step.dt = std::pow(10.0, exponent(rng));
    selectRegime(GetParam().m);
    evalNodeJacobian(jac);
    evalNodeResidual(resid);
    evalNodeRates();
  }

  // Size of the terms summed in row i at the evaluation point: the rounding
  // of the residual is relative to them, not to the (possibly cancelled)
  // row value. The storage terms vanish there (concOld = conc).
  double termScale(int i) const {
    double scale = std::abs(resid[i - 1]);
    bool balanceRow = false;
    for (const network::TableEntry &a : network::kineticCoefficients) {
      scale += a.row == i ? std::abs(a.value * rate(a.column)) : 0.0;
    }
    for (const network::TableEntry &w : network::balanceWeights) {
      balanceRow = balanceRow || w.row == i;
      for (const network::FlushingLaw &law : network::flushingLaws) {
        if (w.row == i && w.column == law.species) {
          const network::FlushingConstants &flush = network::residualFlushing;
          scale += GetParam().m * std::abs(w.value) * flush.rateConstant *
                   (law.residualTarget + flush.scale * conc(law.species));
        }
      }
    }
    if (!balanceRow) {
      // Mass action: the two products of the row.
      for (int j = 1; j <= ncomp; ++j) {
        scale += std::abs(entry(jac, i, j)) * conc(j);
      }
    }
    return scale;
  }

  // Column j of the matrix by central differences of the residual.
  void centralDifferences(int j, double *column) {
    const double x = conc(j);
    const double h = x * 0x1p-20;
    double plus[ncomp];
    double minus[ncomp];
    conc(j) = x + h;
    evalNodeResidual(plus);
    conc(j) = x - h;
    evalNodeResidual(minus);
    conc(j) = x;
    for (int i = 0; i < ncomp; ++i) {
      column[i] = (plus[i] - minus[i]) / ((x + h) - (x - h));
    }
  }

  double jac[nmatrix];
  double resid[ncomp];
};

TEST_P(JacobianAtRandomStates, EveryEntryMatchesCentralDifferencesOfTheResidual) {
  for (int j = 1; j <= ncomp; ++j) {
    double differences[ncomp];
    centralDifferences(j, differences);
    for (int i = 1; i <= ncomp; ++i) {
      const double analytic = entry(jac, i, j);
      const double numeric = differences[i - 1];
      if (!coupled(i, j)) {
        // An uncoupled species does not enter the row at all, so the two
        // evaluations are bit-identical.
        EXPECT_EQ(numeric, 0.0) << "J(" << i << "," << j << ")";
        EXPECT_EQ(analytic, 0.0) << "J(" << i << "," << j << ")";
        continue;
      }
      const double tolerance = 1e-7 * std::abs(analytic) + 1e-9 * termScale(i) / conc(j);
      EXPECT_NEAR(analytic, numeric, tolerance) << "J(" << i << "," << j << ")";
    }
  }
}

TEST_P(JacobianAtRandomStates, IndependentOfTheStartOfStepConcentrations) {
  std::mt19937_64 rng(GetParam().seed + 1000);
  randomConcentrations(rng, node.step.concOld);
  double other[nmatrix];
  evalNodeJacobian(other);
  EXPECT_TRUE(std::equal(jac, jac + nmatrix, other));
}

INSTANTIATE_TEST_SUITE_P(BothRegimes, JacobianAtRandomStates,
                         ::testing::Values(Sample{1, 0.0}, Sample{2, 0.0}, Sample{3, 0.0},
                                           Sample{4, 0.0}, Sample{5, 1.0}, Sample{6, 1.0},
                                           Sample{7, 1.0},
                                           Sample{8, 0.0, true}, Sample{9, 0.0, true},
                                           Sample{10, 1.0, true}));

// The places the Jacobian's values are given at are the coupling table,
// column by column, each column from its top row down.
TEST(JacobianStructure, PatternIsTheCouplingTable) {
  ASSERT_EQ(jacobianPattern.order, ncomp);
  ASSERT_EQ(jacobianPattern.count, 219);
  int places = 0;
  for (int j = 1; j <= ncomp; ++j) {
    int previousRow = 0;
    for (int e = jacobianPattern.columnStart[j - 1]; e < jacobianPattern.columnStart[j]; ++e) {
      const int i = jacobianPattern.row[e] + 1;
      EXPECT_TRUE(coupled(i, j)) << "J(" << i << "," << j << ")";
      EXPECT_GT(i, previousRow) << "column " << j;
      previousRow = i;
      ++places;
    }
  }
  EXPECT_EQ(jacobianPattern.columnStart[ncomp], places);
  EXPECT_EQ(places, 219);
}

// In the reactive regime every coupled entry carries a live term, so the
// nonzero pattern is exactly the coupling table: 219 entries, and 16 rows
// without a diagonal entry.
TEST(JacobianStructure, ReactiveNonzeroPatternIsTheCouplingTable) {
  loadRandomNode(11, 0.0);
  double jac[nmatrix];
  evalNodeJacobian(jac);
  int nonzeros = 0;
  std::vector<int> zeroDiagonal;
  for (int i = 1; i <= ncomp; ++i) {
    for (int j = 1; j <= ncomp; ++j) {
      EXPECT_EQ(entry(jac, i, j) != 0.0, coupled(i, j)) << "J(" << i << "," << j << ")";
      nonzeros += entry(jac, i, j) != 0.0;
    }
    if (entry(jac, i, i) == 0.0) {
      zeroDiagonal.push_back(i);
    }
  }
  EXPECT_EQ(nonzeros, 219);
  const std::vector<int> expected = {6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 20, 23, 25, 26, 34};
  EXPECT_EQ(zeroDiagonal, expected);
}

TEST(JacobianStructure, MassActionRowAtSmallIntegers) {
  loadRandomNode(12, 0.0);
  conc(1) = 2.0;
  conc(7) = 3.0;
  double jac[nmatrix];
  evalNodeJacobian(jac);
  for (int j = 1; j <= ncomp; ++j) {
    double expected = 0.0;
    if (j == 1) {
      expected = 3.0;
    } else if (j == 7) {
      expected = 2.0;
    } else if (j == 16) {
      expected = -std::pow(10.0, -netpar(49));
    }
    EXPECT_EQ(entry(jac, 1, j), expected) << "J(1," << j << ")";
  }
}

// Closed forms of a few entries, written from the rate laws and the
// species conversion factors rather than from the weight tables. The tables
// are rounded to twelve digits, hence the relative tolerance.
struct ClosedForm {
  int row;
  int column;
  double (*value)(double m, double dt);
};

double sq(double v) { return v * v; }
double liveOf(double m) { return 1.0 - m; }
constexpr double inversePhi = 2.5641025641025643;
constexpr double flushSlope = 0.002814410189;

const ClosedForm closedForms[] = {
    {2, 2, [](double m, double dt) { return -liveOf(m) * netpar(3) * inversePhi - m * flushSlope - 1 / dt; }},
    {2, 26, [](double m, double) { return liveOf(m) * netpar(3) * inversePhi; }},
    {3, 3, [](double m, double dt) { return -liveOf(m) * netpar(4) * inversePhi - m * flushSlope - 1 / dt; }},
    {3, 27, [](double m, double) { return liveOf(m) * netpar(4) * inversePhi; }},
    {4, 4, [](double m, double dt) { return -liveOf(m) * netpar(7) * inversePhi - m * flushSlope - 1 / dt; }},
    {4, 28, [](double m, double) { return liveOf(m) * netpar(7) * inversePhi; }},
    {18, 17, [](double m, double dt) { return -liveOf(m) * netpar(2) * inversePhi - m * flushSlope - 1 / dt; }},
    {18, 18, [](double m, double dt) { return -m * flushSlope - 1 / dt; }},
    {18, 25, [](double m, double) { return liveOf(m) * netpar(2) * inversePhi; }},
    {32, 32,
     [](double m, double dt) {
       return -liveOf(m) * netpar(15) * (1 - netpar(19) / conc(32)) -
              liveOf(m) * netpar(15) * netpar(19) / conc(32) - 1 / dt;
     }},
    {21, 21,
     [](double m, double dt) {
       return liveOf(m) * netpar(53) * 39 / netpar(58) / (100 * netpar(59) - 61) * netpar(57) /
                  sq(conc(21)) -
              1 / dt;
     }},
    {6, 14,
     [](double m, double) {
       return liveOf(m) * netpar(56) * 1.5 * std::sqrt(conc(14)) * (1 - netpar(57) / conc(23));
     }},
    {6, 23,
     [](double m, double dt) {
       return liveOf(m) * netpar(56) * conc(14) * std::sqrt(conc(14)) * netpar(57) / sq(conc(23)) -
              netpar(58) * (100 * netpar(59) - 61) / dt / 39;
     }},
    {12, 2,
     [](double m, double) {
       const double crowdSum = netpar(62) + conc(31) + conc(33) + conc(34) + conc(35) + conc(36);
       return liveOf(m) * 5.982905982905983 * netpar(59) * (netpar(27) - 1) / netpar(27) *
              netpar(25) * conc(34) * conc(25) / (netpar(28) + conc(25)) * conc(29) /
              (netpar(29) + conc(29)) * netpar(62) / crowdSum * netpar(61) /
              sq(netpar(61) + conc(2));
     }},
};

TEST(JacobianClosedForms, SelectedEntriesInBothRegimes) {
  for (double m : {0.0, 1.0}) {
    loadRandomNode(13, m, 250.0);
    // At the lowest concentration the driver lets through, the guard terms
    // of the dissolution laws are large enough to show in the entries.
    conc(21) = 1e-20;
    conc(23) = 1e-20;
    double jac[nmatrix];
    evalNodeJacobian(jac);
    for (const ClosedForm &form : closedForms) {
      const double expected = form.value(m, node.step.dt);
      EXPECT_NEAR(entry(jac, form.row, form.column), expected, 1e-11 * std::abs(expected))
          << "J(" << form.row << "," << form.column << ") with m = " << m;
    }
  }
}

TEST(JacobianClosedForms, LastRowIsTheStorageRateAndTheFlushingSlope) {
  loadNetwork();
  node.step.dt = 3.0;
  double jac[nmatrix];
  selectRegime(0.0);
  evalNodeJacobian(jac);
  EXPECT_EQ(entry(jac, 39, 39), -1.0 / 3.0);
  EXPECT_EQ(entry(jac, 38, 38), -1.0 / 3.0);
  selectRegime(1.0);
  evalNodeJacobian(jac);
  EXPECT_EQ(entry(jac, 39, 39), -0.002814410189 - 1.0 / 3.0);
  EXPECT_EQ(entry(jac, 38, 38), -1.0 / 3.0);
}

} // namespace
} // namespace vrex::test
