// Dense LU routines: pivot choice, singular cases, the leading-zero skip,
// iterative improvement, bit-for-bit agreement with the textbook Crout order,
// and solutions against LAPACK's dgesv.
#include "linalg/DenseLu.h"
#include "linalg/Lapack.h"

#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace vrex {
namespace {

using test::StdoutCapture;

// Column-major matrix of order n with leading dimension np, built from rows.
struct Matrix {
  int n;
  int np;
  std::vector<double> a;

  Matrix(int order, int leading)
      : n(order), np(leading), a(static_cast<std::size_t>(leading * leading), -7.0) {}
  double &at(int i, int j) { return a[static_cast<std::size_t>(np * (j - 1) + (i - 1))]; }

  static Matrix fromRows(std::initializer_list<std::initializer_list<double>> rows,
                         int leading = 0) {
    const int order = static_cast<int>(rows.size());
    Matrix m(order, leading > 0 ? leading : order);
    int i = 1;
    for (const auto &row : rows) {
      int j = 1;
      for (double value : row) {
        m.at(i, j++) = value;
      }
      ++i;
    }
    return m;
  }
};

struct Factorisation {
  std::vector<int> pivots;
  double parity = 0.0;
  int zeroRow = -1;
  std::string output;
};

Factorisation decompose(Matrix &m) {
  Factorisation f;
  f.pivots.assign(static_cast<std::size_t>(m.n > 0 ? m.n : 1), -99);
  StdoutCapture capture;
  f.zeroRow = luDecompose(m.a.data(), m.n, m.np, f.pivots.data(), f.parity);
  f.output = capture.finish();
  return f;
}

TEST(LuDecompose, TwoByTwoPivotsOnLargerScaledCandidate) {
  // Scale factors 1/2 and 1/4: scaled candidates 0.5 and 0.75, so row 2 leads.
  Matrix m = Matrix::fromRows({{1, 2}, {3, 4}});
  const Factorisation f = decompose(m);
  EXPECT_EQ(f.pivots, (std::vector<int>{2, 2}));
  EXPECT_EQ(f.parity, -1.0);
  EXPECT_EQ(m.at(1, 1), 3.0);
  EXPECT_EQ(m.at(1, 2), 4.0);
  EXPECT_EQ(m.at(2, 1), 1.0 * (1.0 / 3.0));
  EXPECT_EQ(m.at(2, 2), 2.0 - (1.0 / 3.0) * 4.0);
  EXPECT_EQ(f.output, "");
}

struct PivotCase {
  const char *name;
  Matrix matrix;
  std::vector<int> pivots;
  double parity;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const PivotCase &c, std::ostream *out) { *out << c.name; }

class LuPivotChoice : public testing::TestWithParam<PivotCase> {};

TEST_P(LuPivotChoice, RecordsInterchanges) {
  PivotCase c = GetParam();
  const Factorisation f = decompose(c.matrix);
  EXPECT_EQ(f.pivots, c.pivots);
  EXPECT_EQ(f.parity, c.parity);
  EXPECT_EQ(f.output, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LuPivotChoice,
    testing::Values(
        // Equal scaled candidates 1 and 1: the later row wins.
        PivotCase{"tie_goes_to_later_row", Matrix::fromRows({{1, 0}, {1, 1}}), {2, 2}, -1.0},
        // Rows 1 and 3 tie at 1 (scales 1/2 and 1/3), row 2 gives 0.25.
        PivotCase{"tie_skips_smaller_row",
                  Matrix::fromRows({{2, 1, 0}, {1, 4, 0}, {3, 0, 3}}),
                  {3, 2, 3},
                  -1.0},
        // The scaled, not the absolute, value decides: 10 in a row of 1000
        // loses against 1 in a row of 1.
        PivotCase{"scaling_beats_magnitude", Matrix::fromRows({{10, 1000}, {1, 1}}), {2, 2}, -1.0},
        PivotCase{"identity", Matrix::fromRows({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}), {1, 2, 3}, 1.0}),
    [](const testing::TestParamInfo<PivotCase> &info) { return info.param.name; });

TEST(LuDecompose, IdentityFactorsEqualTheMatrix) {
  Matrix m = Matrix::fromRows({{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}, 6);
  const Matrix original = m;
  decompose(m);
  EXPECT_EQ(m.a, original.a); // includes the untouched padding rows
}

TEST(LuDecompose, AllZeroColumnTakesLastRowAndTinyPivot) {
  Matrix m = Matrix::fromRows({{0, 1, 0}, {0, 0, 1}, {0, 1, 1}});
  const Factorisation f = decompose(m);
  EXPECT_EQ(f.pivots[0], 3);
  EXPECT_EQ(m.at(1, 1), TINY);
  EXPECT_EQ(m.at(1, 2), 1.0); // row 3 moved up
  EXPECT_EQ(f.output, "");    // singular without a zero row: silent
}

TEST(LuDecompose, PivotThatCancelsToZeroBecomesTiny) {
  // Second row is twice the first; both scaled candidates are 0.5.
  Matrix m = Matrix::fromRows({{1, 2}, {2, 4}});
  const Factorisation f = decompose(m);
  EXPECT_EQ(f.pivots, (std::vector<int>{2, 2}));
  EXPECT_EQ(m.at(2, 1), 0.5);
  EXPECT_EQ(m.at(2, 2), TINY);
  EXPECT_EQ(f.output, "");
}

TEST(LuDecompose, ZeroRowIsReturnedAndNotPrinted) {
  Matrix m = Matrix::fromRows({{1, 2, 3, 1}, {0, 0, 0, 0}, {4, 5, 7, 2}, {0, 0, 0, 0}}, 5);
  const Factorisation f = decompose(m);
  EXPECT_EQ(f.zeroRow, 2); // the first of the two
  EXPECT_EQ(f.output, "");
  // The zero rows' candidates are NaN; pivots still stay within j..n.
  for (int j = 1; j <= 4; ++j) {
    EXPECT_GE(f.pivots[static_cast<std::size_t>(j - 1)], j);
    EXPECT_LE(f.pivots[static_cast<std::size_t>(j - 1)], 4);
  }
}

TEST(LuDecompose, NaNMatrixStillChoosesPivotsInRange) {
  Matrix m(4, 4);
  std::fill(m.a.begin(), m.a.end(), std::numeric_limits<double>::quiet_NaN());
  const Factorisation f = decompose(m);
  for (int j = 1; j <= 4; ++j) {
    EXPECT_GE(f.pivots[static_cast<std::size_t>(j - 1)], j);
    EXPECT_LE(f.pivots[static_cast<std::size_t>(j - 1)], 4);
  }
}

TEST(LuDecompose, OrderZeroTouchesNothing) {
  double a = 5.0;
  int pivot = -3;
  double parity = 0.0;
  luDecompose(&a, 0, 1, &pivot, parity);
  double b = 6.0;
  luBackSubstitute(&a, 0, 1, &pivot, &b);
  EXPECT_EQ(a, 5.0);
  EXPECT_EQ(pivot, -3);
  EXPECT_EQ(parity, 1.0);
  EXPECT_EQ(b, 6.0);
}

TEST(LuBackSubstitute, LeadingZerosFormNoProducts) {
  // Factors with NaN in the first column of L: any product with it would
  // spread NaN. The right-hand side starts with a zero, so the forward pass
  // must not touch column 1.
  Matrix lu = Matrix::fromRows({{2, 0, 0}, {std::nan(""), 4, 0}, {std::nan(""), 0.5, 8}});
  const int pivots[3] = {1, 2, 3};
  double b[3] = {0.0, 4.0, 10.0};
  luBackSubstitute(lu.a.data(), 3, 3, pivots, b);
  EXPECT_EQ(b[0], 0.0);
  EXPECT_EQ(b[1], 1.0);
  EXPECT_EQ(b[2], (10.0 - 0.5 * 4.0) / 8.0);
}

TEST(LuBackSubstitute, ZeroRightHandSideGivesZeroSolution) {
  Matrix m = Matrix::fromRows({{4, 1, 2}, {1, 5, 1}, {2, 1, 6}});
  const Factorisation f = decompose(m);
  double b[3] = {0.0, 0.0, 0.0};
  luBackSubstitute(m.a.data(), 3, 3, f.pivots.data(), b);
  EXPECT_EQ(b[0], 0.0);
  EXPECT_EQ(b[1], 0.0);
  EXPECT_EQ(b[2], 0.0);
}

TEST(LuImprove, ExactSolutionStaysUnchanged) {
  const Matrix a = Matrix::fromRows({{2, 1, 1}, {4, -6, 0}, {-2, 7, 2}}, 4);
  Matrix lu = a;
  const Factorisation f = decompose(lu);
  // x = (1, 2, 3) exactly; all products and sums are small integers.
  const double b[3] = {7, -8, 18};
  double x[3] = {1, 2, 3};
  luImprove(a.a.data(), lu.a.data(), 3, 4, f.pivots.data(), b, x);
  EXPECT_EQ(x[0], 1.0);
  EXPECT_EQ(x[1], 2.0);
  EXPECT_EQ(x[2], 3.0);
}

TEST(LuImprove, PerturbedSolutionMovesBackToIt) {
  const Matrix a = Matrix::fromRows({{2, 1, 1}, {4, -6, 0}, {-2, 7, 2}});
  Matrix lu = a;
  const Factorisation f = decompose(lu);
  const double b[3] = {7, -8, 18};
  double x[3] = {1.001, 1.998, 3.0005};
  luImprove(a.a.data(), lu.a.data(), 3, 3, f.pivots.data(), b, x);
  EXPECT_NEAR(x[0], 1.0, 1e-14);
  EXPECT_NEAR(x[1], 2.0, 1e-14);
  EXPECT_NEAR(x[2], 3.0, 1e-14);
}

// The textbook row-by-row Crout order, element by element, as the reference
// for the column-oriented loops of the library.
void textbookDecompose(Matrix &m, std::vector<int> &pivots, double &parity) {
  const int n = m.n;
  std::vector<double> scale(static_cast<std::size_t>(n));
  parity = 1.0;
  for (int i = 1; i <= n; ++i) {
    double big = 0.0;
    for (int j = 1; j <= n; ++j) {
      big = std::max(big, std::fabs(m.at(i, j)));
    }
    scale[static_cast<std::size_t>(i - 1)] = 1.0 / big;
  }
  for (int j = 1; j <= n; ++j) {
    for (int i = 1; i < j; ++i) {
      double sum = m.at(i, j);
      for (int k = 1; k < i; ++k) {
        sum -= m.at(i, k) * m.at(k, j);
      }
      m.at(i, j) = sum;
    }
    double big = 0.0;
    int imax = j;
    for (int i = j; i <= n; ++i) {
      double sum = m.at(i, j);
      for (int k = 1; k < j; ++k) {
        sum -= m.at(i, k) * m.at(k, j);
      }
      m.at(i, j) = sum;
      const double dum = scale[static_cast<std::size_t>(i - 1)] * std::fabs(sum);
      if (dum >= big) {
        big = dum;
        imax = i;
      }
    }
    if (imax != j) {
      for (int k = 1; k <= n; ++k) {
        std::swap(m.at(imax, k), m.at(j, k));
      }
      parity = -parity;
      scale[static_cast<std::size_t>(imax - 1)] = scale[static_cast<std::size_t>(j - 1)];
    }
    pivots[static_cast<std::size_t>(j - 1)] = imax;
    if (m.at(j, j) == 0.0) {
      m.at(j, j) = TINY;
    }
    if (j != n) {
      const double dum = 1.0 / m.at(j, j);
      for (int i = j + 1; i <= n; ++i) {
        m.at(i, j) *= dum;
      }
    }
  }
}

void textbookSubstitute(Matrix &lu, const std::vector<int> &pivots, std::vector<double> &b) {
  const int n = lu.n;
  int first = 0;
  for (int i = 1; i <= n; ++i) {
    const int ll = pivots[static_cast<std::size_t>(i - 1)];
    double sum = b[static_cast<std::size_t>(ll - 1)];
    b[static_cast<std::size_t>(ll - 1)] = b[static_cast<std::size_t>(i - 1)];
    if (first != 0) {
      for (int j = first; j < i; ++j) {
        sum -= lu.at(i, j) * b[static_cast<std::size_t>(j - 1)];
      }
    } else if (sum != 0.0) {
      first = i;
    }
    b[static_cast<std::size_t>(i - 1)] = sum;
  }
  for (int i = n; i >= 1; --i) {
    double sum = b[static_cast<std::size_t>(i - 1)];
    for (int j = i + 1; j <= n; ++j) {
      sum -= lu.at(i, j) * b[static_cast<std::size_t>(j - 1)];
    }
    b[static_cast<std::size_t>(i - 1)] = sum / lu.at(i, i);
  }
}

// Random matrix whose rows are scaled by powers of ten up to +/-rowDecades.
Matrix randomMatrix(std::mt19937_64 &engine, int n, int np, double diagonalBoost,
                    double rowDecades) {
  std::uniform_real_distribution<double> entry(-1.0, 1.0);
  std::uniform_real_distribution<double> exponent(-rowDecades, rowDecades);
  Matrix m(n, np);
  for (int i = 1; i <= n; ++i) {
    // Rows of very different magnitude exercise the implicit scaling.
    const double rowScale = std::pow(10.0, exponent(engine));
    for (int j = 1; j <= n; ++j) {
      m.at(i, j) = rowScale * (entry(engine) + (i == j ? diagonalBoost : 0.0));
    }
  }
  return m;
}

TEST(LuSolver, MatchesTextbookOrderBitForBit) {
  std::mt19937_64 engine(20261208);
  for (int n : {1, 2, 3, 7, 16, 39, 40}) {
    for (int trial = 0; trial < 5; ++trial) {
      // No diagonal boost: plenty of row interchanges.
      Matrix ours = randomMatrix(engine, n, n + trial, 0.0, 6.0);
      Matrix reference = ours;
      std::vector<int> pivots(static_cast<std::size_t>(n)), referencePivots(pivots);
      double parity = 0.0, referenceParity = 0.0;
      luDecompose(ours.a.data(), n, ours.np, pivots.data(), parity);
      textbookDecompose(reference, referencePivots, referenceParity);
      ASSERT_EQ(pivots, referencePivots) << "n=" << n;
      ASSERT_EQ(parity, referenceParity);
      ASSERT_EQ(0, std::memcmp(ours.a.data(), reference.a.data(), ours.a.size() * sizeof(double)))
          << "factors differ, n=" << n;

      std::vector<double> b(static_cast<std::size_t>(n));
      for (int i = 0; i < n; ++i) {
        // Leading zeros in some trials exercise the skip.
        b[static_cast<std::size_t>(i)] = i < trial ? 0.0 : std::ldexp(1.0 + i, -i % 5);
      }
      std::vector<double> referenceB = b;
      luBackSubstitute(ours.a.data(), n, ours.np, pivots.data(), b.data());
      textbookSubstitute(reference, referencePivots, referenceB);
      ASSERT_EQ(0, std::memcmp(b.data(), referenceB.data(), b.size() * sizeof(double)))
          << "solutions differ, n=" << n;
    }
  }
}

TEST(LuSolver, AgreesWithDgesvOnWellConditionedSystems) {
  std::mt19937_64 engine(39);
  std::uniform_real_distribution<double> entry(-1.0, 1.0);
  for (int n : {1, 2, 5, 17, 39}) {
    for (int trial = 0; trial < 20; ++trial) {
      // Diagonally dominant, so the condition number stays small.
      const Matrix a = randomMatrix(engine, n, n + 2, 2.0 * n, 1.0);
      std::vector<double> rhs(static_cast<std::size_t>(a.np), 0.0);
      for (int i = 0; i < n; ++i) {
        rhs[static_cast<std::size_t>(i)] = entry(engine);
      }

      Matrix lu = a;
      std::vector<int> pivots(static_cast<std::size_t>(n));
      double parity = 0.0;
      std::vector<double> ours = rhs;
      luDecompose(lu.a.data(), n, lu.np, pivots.data(), parity);
      luBackSubstitute(lu.a.data(), n, lu.np, pivots.data(), ours.data());

      Matrix lapackMatrix = a;
      std::vector<int> ipiv(static_cast<std::size_t>(n));
      std::vector<double> lapack = rhs;
      const int one = 1;
      int info = -1;
      dgesv_(&n, &one, lapackMatrix.a.data(), &lapackMatrix.np, ipiv.data(), lapack.data(),
             &lapackMatrix.np, &info);
      ASSERT_EQ(info, 0);
      for (int i = 0; i < n; ++i) {
        const double expected = lapack[static_cast<std::size_t>(i)];
        EXPECT_NEAR(ours[static_cast<std::size_t>(i)], expected,
                    1e-13 * (1.0 + std::fabs(expected)))
            << "n=" << n << " trial=" << trial << " i=" << i;
      }

      // The substitution works unchanged on dgesv's factors and interchanges.
      std::vector<double> viaLapackFactors = rhs;
      luBackSubstitute(lapackMatrix.a.data(), n, lapackMatrix.np, ipiv.data(),
                       viaLapackFactors.data());
      for (int i = 0; i < n; ++i) {
        const double expected = lapack[static_cast<std::size_t>(i)];
        EXPECT_NEAR(viaLapackFactors[static_cast<std::size_t>(i)], expected,
                    1e-13 * (1.0 + std::fabs(expected)));
      }
    }
  }
}

} // namespace
} // namespace vrex
