// The structure-following LU routines against the dense ones, bit for bit:
// at every Newton iteration of many calls (realistic, perturbed, held
// species, singular and near-singular, flushing regime, daily steps), the
// zero row found, the factors, pivot record, solution and improved solution
// of both paths; and whole Newton solves with and without them. The
// matrices are the network's Jacobians as the node step meets them, and
// small singular matrices with rows and columns of zeros. Most realistic
// factorisations and solves run the code generated for the commonest pivot
// sequences; some factorisations leave those plans mid-way.
#include "linalg/SparseLu.h"

#include "linalg/DenseLu.h"
#include "network/JacobianPlanCode.h"
#include "network/Network.h"
#include "network/NetworkConstants.h"
#include "newton/NewtonIteration.h"
#include "step/ReactionState.h"
#include "step/ReactiveStep.h"

#include "NodeStates.h"
#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstring>
#include <functional>
#include <random>

namespace vrex {
namespace {

bool sameBits(const void *a, const void *b, std::size_t size) {
  return std::memcmp(a, b, size) == 0;
}

template <class Array> bool sameArray(const Array &a, const Array &b) {
  return sameBits(&a, &b, sizeof(a));
}

// Counts of one group of calls.
struct Tally {
  long states = 0;     // Jacobians compared
  long followed = 0;   // factorised and solved by the sparse path
  long replayed = 0;   // of those, along a plan all the way
  long planned = 0;     // along a plan with generated code
  long plannedLeft = 0; // left such a plan mid-way
  long mismatches = 0; // results that differ from the dense path's
};

// Compares the two paths on one matrix, given by its values at the places of
// `pattern`, and the residual of an iteration. The sparse path keeps its work
// from the earlier matrices (a call's earlier iterations), so its plans are
// replayed, left and recorded as in a Newton solve.
void compareOnState(const SparsityPattern &pattern, const double *values, const double *residual,
                    std::mt19937_64 &engine, SparseLuWork &sparse, Tally &tally) {
  constexpr int np = maxSystemOrder;
  const int n = pattern.order;
  const std::size_t matrixBytes = sizeof(double) * static_cast<std::size_t>(n * n);
  const std::size_t vectorBytes = sizeof(double) * static_cast<std::size_t>(n);
  ++tally.states;
  double jac[np * np] = {};
  scatterValues(pattern, values, jac);
  double lu[np * np];
  std::memcpy(lu, jac, matrixBytes);
  int pivots[np];
  double parity = 0.0;
  const int zeroRow = luDecompose(lu, n, n, pivots, parity);

  // The right-hand side as the iteration forms it, and one with some
  // components replaced by zeros of either sign.
  double rhs[2][np];
  std::bernoulli_distribution zero(0.3);
  std::bernoulli_distribution negative(0.5);
  for (int i = 0; i < n; ++i) {
    rhs[0][i] = -residual[i];
    rhs[1][i] = zero(engine) ? (negative(engine) ? -0.0 : 0.0) : rhs[0][i];
  }

  const long replaysBefore = sparse.replays;
  const long plannedBefore = sparse.plannedUses;
  const long plannedLeftBefore = sparse.plannedLeft;
  int sparsePivots[np];
  double x[np];
  if (!sparseLuDecompose(pattern, values, sparsePivots, sparse) ||
      !sparseLuSolve(n, rhs[0], x, sparse)) {
    return;
  }
  ++tally.followed;
  tally.replayed += sparse.replays - replaysBefore;
  tally.planned += sparse.plannedUses - plannedBefore;
  tally.plannedLeft += sparse.plannedLeft - plannedLeftBefore;
  double factors[np * np];
  denseFactors(n, sparse, factors);
  const int sparseZeroRow = sparse.zeroRows == 0 ? 0 : std::countr_zero(sparse.zeroRows) + 1;
  bool same = sparseZeroRow == zeroRow &&
              sameBits(sparsePivots, pivots, sizeof(int) * static_cast<std::size_t>(n)) &&
              sameBits(factors, lu, matrixBytes);
  for (const double *b : rhs) {
    double expected[np];
    std::memcpy(expected, b, vectorBytes);
    luBackSubstitute(lu, n, n, pivots, expected);
    if (!sparseLuSolve(n, b, x, sparse)) {
      continue;
    }
    same = same && sameBits(x, expected, vectorBytes);
    // The residual A x - b of a solution of signed zeros is a sum of zero
    // products, whose signs decide the sign of the sum: against its
    // definition over the full matrix.
    double zeros[np];
    double expectedFromZeros[np];
    double residualOfZeros[np];
    for (int i = 0; i < n; ++i) {
      zeros[i] = expectedFromZeros[i] = negative(engine) ? -0.0 : 0.0;
      residualOfZeros[i] = -b[i];
    }
    for (int j = 0; j < n; ++j) {
      for (int i = 0; i < n; ++i) {
        residualOfZeros[i] += jac[n * j + i] * zeros[j];
      }
    }
    luImprove(jac, lu, n, n, pivots, b, expectedFromZeros);
    if (sparseLuImprove(pattern, values, b, zeros, sparse)) {
      same = same && sameBits(sparse.residual, residualOfZeros, vectorBytes) &&
             sameBits(zeros, expectedFromZeros, vectorBytes);
    }
    for (int pass = 0; pass < 2; ++pass) {
      luImprove(jac, lu, n, n, pivots, b, expected);
      if (!sparseLuImprove(pattern, values, b, x, sparse)) {
        break;
      }
      same = same && sameBits(x, expected, vectorBytes);
    }
  }
  tally.mismatches += same ? 0 : 1;
}

// The network's system, with both paths compared at every Jacobian.
class ComparedSystem final : public NewtonSystem {
public:
  ComparedSystem(NodeStep &step, const double *netpar, Tally &tally, std::uint64_t seed)
      : system_(step, netpar), tally_(tally), engine_(seed) {
    preparePattern(vrex::jacobianPattern, &jacobianPlanCode, sparse_);
  }
  int order() const override { return system_.order(); }
  double *unknowns() override { return system_.unknowns(); }
  double residualScale() const override { return system_.residualScale(); }
  void evalResidual(double *resid) const override {
    system_.evalResidual(resid);
    std::memcpy(residual_, resid, sizeof(residual_));
  }
  const SparsityPattern &jacobianPattern() const override { return system_.jacobianPattern(); }
  void evalJacobianValues(double *values) const override {
    system_.evalJacobianValues(values);
    compareOnState(vrex::jacobianPattern, values, residual_, engine_, sparse_, tally_);
  }
  const PlanCodeTable *planCode() const override { return system_.planCode(); }

private:
  NodeStepSystem system_;
  Tally &tally_;
  mutable std::mt19937_64 engine_;
  mutable SparseLuWork sparse_;
  mutable double residual_[ncomp];
};

struct IgnoredEvents final : NewtonEvents {
  void singularLinearSystem(const LinearSolve &) override {}
} ignored;

// A group of calls: how to make call `seed`, and the iteration limit.
struct CallGroup {
  const char *name;
  int calls;
  int maxIter;
  std::function<void(ReactionState &, std::uint64_t seed)> prepare;
};

void realistic(ReactionState &s, std::uint64_t seed, double dt = test::plausibleTimeStep) {
  double start[ncomp];
  test::realisticState(start, seed);
  test::prepareReactiveStep(s, start, dt);
}

void hold(ReactionState &s, int species, double value) {
  s.held.solveMode[species - 1] = SolveMode::held;
  s.held.fixedConc[species - 1] = value;
}

const CallGroup callGroups[] = {
    {"realistic", 120, 100000, [](ReactionState &s, std::uint64_t seed) { realistic(s, seed); }},
    {"perturbed", 60, 100000,
     [](ReactionState &s, std::uint64_t seed) {
       realistic(s, seed);
       std::mt19937_64 engine(seed);
       std::uniform_real_distribution<double> factor(0.97, 1.03);
       for (double &c : s.step.conc) {
         c *= factor(engine);
       }
     }},
    {"held", 40, 3000,
     [](ReactionState &s, std::uint64_t seed) {
       realistic(s, seed);
       std::mt19937_64 engine(seed);
       std::uniform_int_distribution<int> species(1, ncomp);
       for (int held = 0; held < 2; ++held) {
         const int k = species(engine);
         hold(s, k, s.step.conc[k - 1]);
       }
       // Some held at zero: the pair 7 and 8 empties a row of the Jacobian,
       // species 7 at -0 gives -0 entries.
       if (seed % 8 == 0) {
         hold(s, 7, 0.0);
         hold(s, 8, 0.0);
       } else if (seed % 8 == 1) {
         hold(s, 7, -0.0);
       }
     }},
    // Held at zero as a host may hold them: an all-zero row in every
    // Jacobian (row 5 for species 5 and 11, row 7 for 7 and 8), and pivot
    // columns left with zeros only.
    {"singular", 24, 2000,
     [](ReactionState &s, std::uint64_t seed) {
       realistic(s, seed);
       for (const int species : seed % 2 == 0 ? std::array{5, 11} : std::array{7, 8}) {
         hold(s, species, 0.0);
       }
     }},
    {"nearSingular", 10, 100000,
     [](ReactionState &s, std::uint64_t seed) {
       realistic(s, seed);
       s.step.conc[4] = 1e-40; // species 5 and 11: row 5 nearly empty
       s.step.conc[10] = 1e-40;
     }},
    {"flushing", 20, 100000,
     [](ReactionState &s, std::uint64_t seed) {
       realistic(s, seed);
       s.switchValue = 0.001;
       updateFlushFlag(s);
     }},
    {"daily", 2, 8000, [](ReactionState &s, std::uint64_t seed) { realistic(s, seed, 86400.0); }},
};

TEST(SparseLu, EqualsTheDensePathAtEveryIterationAndInWholeSolves) {
  test::feedStdin(""); // singular matrices must not wait for a terminal
  ReactionState fast;
  ReactionState dense;
  long states = 0;
  for (const CallGroup &group : callGroups) {
    Tally tally;
    for (int call = 1; call <= group.calls; ++call) {
      const auto seed = static_cast<std::uint64_t>(call);
      group.prepare(fast, seed);
      NewtonSettings settings = nodeStepSettings;
      settings.maxIter = group.maxIter;
      dense = fast;
      ComparedSystem compared(fast.step, network::netpar.data(), tally, seed);
      test::StdoutCapture console; // the singular matrices' lines
      const NewtonOutcome fastOutcome =
          runNewtonIteration(compared, fast.held, settings, fast.work, ignored);
      const NewtonOutcome denseOutcome = newtonSolve(dense.step, dense.held, dense.work, settings,
                                                     {CycleRule::skipRepeats, LuPath::denseOnly});
      console.finish();
      ASSERT_EQ(fastOutcome.status, denseOutcome.status) << group.name << " call " << call;
      ASSERT_EQ(fastOutcome.iterations, denseOutcome.iterations) << group.name << " call " << call;
      ASSERT_TRUE(sameArray(fast.step.conc, dense.step.conc)) << group.name << " call " << call;
      ASSERT_TRUE(sameArray(fast.work.resid, dense.work.resid));
      ASSERT_TRUE(sameArray(fast.work.concStart, dense.work.concStart));
      ASSERT_TRUE(sameArray(fast.work.linear.pivotIndex, dense.work.linear.pivotIndex));
    }
    EXPECT_EQ(tally.mismatches, 0) << group.name;
    states += tally.states;
    if (std::strcmp(group.name, "singular") == 0 || std::strcmp(group.name, "held") == 0) {
      // Singular matrices and values of -0 follow the structure too.
      EXPECT_GT(tally.followed, tally.states * 9 / 10) << group.name;
      EXPECT_GT(tally.replayed, tally.followed / 2) << group.name;
    }
    if (std::strcmp(group.name, "realistic") == 0 || std::strcmp(group.name, "perturbed") == 0) {
      // The sparse path must carry realistic calls, along plans mostly, and
      // meet pivot rows that leave a plan.
      EXPECT_GT(tally.followed, tally.states * 99 / 100) << group.name;
      EXPECT_GT(tally.replayed, tally.followed * 8 / 10) << group.name;
      EXPECT_LT(tally.replayed, tally.followed - group.calls) << group.name;
      // Most of them along plans with generated code, which some pivot rows
      // leave mid-way.
      EXPECT_GT(tally.planned, tally.followed * 6 / 10) << group.name;
      EXPECT_GT(tally.plannedLeft, 0) << group.name;
    }
  }
  EXPECT_GE(states, 10000);
}

// A random matrix of order n with a random pattern (the diagonal always in
// it), some values exactly zero, and the given rows and columns all zero.
// The zeros of the other rows are -0 or +0.
struct SmallMatrix {
  int n;
  std::vector<std::uint8_t> rows;
  std::vector<std::uint16_t> columnStart;
  std::vector<double> values;

  SparsityPattern pattern() const {
    return {n, static_cast<int>(values.size()), rows.data(), columnStart.data()};
  }
};

SmallMatrix singularMatrix(std::mt19937_64 &engine, int n, std::uint64_t zeroRows,
                           std::uint64_t zeroColumns) {
  std::bernoulli_distribution place(0.3);
  std::bernoulli_distribution zero(0.05);
  std::uniform_real_distribution<double> magnitude(0.5, 2.0);
  std::bernoulli_distribution negative(0.5);
  SmallMatrix m{n, {}, {0}, {}};
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      if (i != j && !place(engine)) {
        continue;
      }
      const bool zeroRow = ((zeroRows >> i) & 1) != 0;
      const double sign = !zeroRow && negative(engine) ? -1.0 : 1.0;
      m.rows.push_back(static_cast<std::uint8_t>(i));
      m.values.push_back(sign * (zeroRow || ((zeroColumns >> j) & 1) != 0 || zero(engine)
                                     ? 0.0
                                     : magnitude(engine)));
    }
    m.columnStart.push_back(static_cast<std::uint16_t>(m.values.size()));
  }
  return m;
}

TEST(SparseLu, EqualsTheDenseRoutinesOnSingularMatrices) {
  // Rows and columns of zeros, none to three of each, and values of -0: the
  // zero row found, the pivots the dense rule takes among NaN and zero
  // candidates, the TINY pivots, the signs of zeros, solutions and
  // improvement passes, from a fresh plan and along the plan of a matrix
  // with the same pattern and zero rows.
  std::mt19937_64 engine(21);
  std::uniform_int_distribution<int> order(2, 14);
  std::uniform_int_distribution<int> zeroCount(0, 3);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  Tally tally;
  for (int trial = 0; trial < 3000; ++trial) {
    const int n = order(engine);
    std::uniform_int_distribution<int> index(0, n - 1);
    std::uint64_t zeros[2] = {}; // rows, columns
    for (std::uint64_t &mask : zeros) {
      for (int k = zeroCount(engine); k > 0; --k) {
        mask |= std::uint64_t{1} << index(engine);
      }
    }
    const SmallMatrix first = singularMatrix(engine, n, zeros[0], zeros[1]);
    SmallMatrix second = first;
    for (double &value : second.values) {
      value *= 1.0 + 0.01 * uniform(engine);
    }
    SparseLuWork sparse{};
    preparePattern(first.pattern(), nullptr, sparse);
    for (const SmallMatrix *m : {&first, static_cast<const SmallMatrix *>(&second)}) {
      double residual[maxSystemOrder];
      for (double &value : residual) {
        value = uniform(engine);
      }
      compareOnState(first.pattern(), m->values.data(), residual, engine, sparse, tally);
    }
  }
  EXPECT_EQ(tally.mismatches, 0);
  // Only values that are not finite (the huge solutions of TINY pivots)
  // leave some to the dense routines.
  EXPECT_GT(tally.followed, tally.states * 9 / 10);
}

} // namespace
} // namespace vrex
