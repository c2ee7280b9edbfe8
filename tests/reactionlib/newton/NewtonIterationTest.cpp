// The Newton iteration on small systems of its own: limits, tolerances, held
// unknowns, the sticky negative flag, the improvement passes, the early end
// of a stalled or repeating iteration, non-finite values and singular linear
// systems, which it reports to its caller.
#include "newton/NewtonIteration.h"

#include "linalg/DenseLu.h"
#include "newton/StepLimit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <limits>
#include <utility>
#include <vector>

namespace vrex {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// A system of n <= 3 unknowns: its residual and its full Jacobian (column by
// column) as functions of the unknowns.
class SmallSystem final : public NewtonSystem {
public:
  using Function = std::function<void(const double *x, double *out)>;

  SmallSystem(std::initializer_list<double> start, Function residual, Function jacobian,
              double scale = 1.0)
      : n_(static_cast<int>(start.size())), residual_(std::move(residual)),
        jacobian_(std::move(jacobian)), scale_(scale) {
    std::copy(start.begin(), start.end(), x_);
  }
  int order() const override { return n_; }
  double *unknowns() override { return x_; }
  double residualScale() const override { return scale_; }
  void evalResidual(double *f) const override {
    ++residualCalls;
    residual_(x_, f);
  }
  const SparsityPattern &jacobianPattern() const override { return fullPatterns[n_ - 1]; }
  void evalJacobianValues(double *values) const override { jacobian_(x_, values); }

  mutable int residualCalls = 0;

private:
  // Every place of the matrix of order 1, 2 or 3, column by column.
  static constexpr std::uint8_t rows1[] = {0};
  static constexpr std::uint8_t rows2[] = {0, 1, 0, 1};
  static constexpr std::uint8_t rows3[] = {0, 1, 2, 0, 1, 2, 0, 1, 2};
  static constexpr std::uint16_t starts1[] = {0, 1};
  static constexpr std::uint16_t starts2[] = {0, 2, 4};
  static constexpr std::uint16_t starts3[] = {0, 3, 6, 9};
  static constexpr SparsityPattern fullPatterns[3] = {
      {1, 1, rows1, starts1}, {2, 4, rows2, starts2}, {3, 9, rows3, starts3}};
  int n_;
  Function residual_;
  Function jacobian_;
  double scale_;
  double x_[3] = {};
};

// x0^2 = 4 and x0 x1 = 6, with the roots (2, 3) and (-2, -3).
SmallSystem squareAndProduct(double x0, double x1, double scale = 1.0) {
  return SmallSystem(
      {x0, x1},
      [](const double *x, double *f) {
        f[0] = x[0] * x[0] - 4.0;
        f[1] = x[0] * x[1] - 6.0;
      },
      [](const double *x, double *j) {
        j[0] = 2.0 * x[0];
        j[1] = x[1];
        j[2] = 0.0;
        j[3] = x[0];
      },
      scale);
}

// x + 1 = 0 from the smallest subnormal: the step of about -1 never passes
// the convergence tests, yet 10 % of the value rounds to zero, so it cannot
// move: every iteration leaves the unknown as it was.
SmallSystem stalled() {
  return SmallSystem(
      {std::nextafter(0.0, 1.0)}, [](const double *x, double *f) { f[0] = x[0] + 1.0; },
      [](const double *, double *j) { j[0] = 1.0; });
}

// -y^3 + 2y + 2 = 0 from 0: Newton goes to -1 and back to 0, exactly, for
// ever (both iterates take full steps, being at or below zero).
SmallSystem twoCycle() {
  return SmallSystem(
      {0.0}, [](const double *y, double *f) { f[0] = -y[0] * y[0] * y[0] + 2.0 * y[0] + 2.0; },
      [](const double *y, double *j) { j[0] = -3.0 * y[0] * y[0] + 2.0; });
}

struct RecordedEvents final : NewtonEvents {
  void singularLinearSystem(const LinearSolve &solve) override { singular.push_back(solve); }
  std::vector<LinearSolve> singular;
};

HeldUnknowns noneHeld() {
  HeldUnknowns held{};
  for (SolveMode &mode : held.solveMode) {
    mode = SolveMode::solved;
  }
  return held;
}

NewtonSettings settings(int maxIter, double tolStep = 1e-12, double tolResid = 5e-12,
                        LinSolver linSolver = LinSolver::ownLu) {
  return {tolStep, tolResid, maxIter, linSolver};
}

// The iteration with its own work arrays; `events` receives the reports.
struct Iteration {
  NewtonOutcome operator()(NewtonSystem &system, const NewtonSettings &s,
                           IterationOptions options = {}) {
    return runNewtonIteration(system, held, s, work, events, options);
  }
  HeldUnknowns held = noneHeld();
  NewtonWork work{};
  RecordedEvents events;
};

bool sameBits(const void *a, const void *b, std::size_t size) {
  return std::memcmp(a, b, size) == 0;
}

TEST(NewtonIteration, SolvesASmallSystemOfItsOwn) {
  struct Case {
    const char *what;
    double start0, start1;
    bool holdSecond; // at its start value
    double scale;    // of the residual measure
    double root0, root1;
    NewtonStatus status;
    int iterations;
  };
  const Case cases[] = {
      // Positive unknowns move by at most 10 % per iteration.
      {"positive start", 1.5, 2.5, false, 1.0, 2.0, 3.0, NewtonStatus::converged, 7},
      // Unknowns at or below zero take full steps; the negative flag sticks.
      {"negative start", -1.0, -1.0, false, 1.0, -2.0, -3.0, NewtonStatus::convergedAfterNegative, 6},
      {"second held", 1.9, 4.0, true, 1.0, 2.0, 4.0, NewtonStatus::converged, 4},
      // A tiny scale makes the residual measure pass at once.
      {"residual scale", 1.5, 2.5, false, 1e-30, 1.65, 2.75, NewtonStatus::converged, 1},
  };
  for (const Case &c : cases) {
    SmallSystem system = squareAndProduct(c.start0, c.start1, c.scale);
    Iteration run;
    run.held.solveMode[1] = c.holdSecond ? SolveMode::held : SolveMode::solved;
    run.held.fixedConc[1] = c.start1;
    const NewtonOutcome outcome = run(system, settings(100));
    EXPECT_EQ(outcome.status, c.status) << c.what;
    EXPECT_EQ(outcome.iterations, c.iterations) << c.what;
    EXPECT_NEAR(system.unknowns()[0], c.root0, 1e-12) << c.what;
    EXPECT_NEAR(system.unknowns()[1], c.root1, 1e-12) << c.what;
  }
}

TEST(StepLimit, LimitsPositiveSpeciesToTenPercent) {
  struct Case {
    double start, step, expected;
  };
  const Case cases[] = {
      {1.0, -5.0, 0.9},       // factor 0.02
      {1.0, 5.0, 1.1},        // the same limit upwards
      {1.0, -0.05, 0.95},     // within the limit: full step
      {1.0, -0.1, 1.0 - 0.1}, // exactly at the limit: not limited (strict test)
      {0.0, -5.0, -5.0},      // zero takes the full step
      {-2.0, 3.0, 1.0},       // so does a negative value
      {2.0, 0.0, 2.0},
  };
  for (const Case &c : cases) {
    EXPECT_DOUBLE_EQ(limitedUpdate(c.start, c.step), c.expected) << c.start << " " << c.step;
  }
  EXPECT_EQ(limitedUpdate(1.0, -0.1), 0.9); // the unlimited step, bit for bit
}

TEST(NewtonIteration, NoIterationsWhenMaxIterIsNotPositive) {
  for (int maxIter : {0, -3}) {
    SmallSystem system = squareAndProduct(1.5, 2.5);
    Iteration run;
    std::memset(&run.work, 0x5a, sizeof(run.work));
    const NewtonWork before = run.work;
    const NewtonOutcome outcome = run(system, settings(maxIter));
    EXPECT_EQ(outcome.status, NewtonStatus::notConverged);
    EXPECT_EQ(outcome.iterations, 0);
    EXPECT_EQ(system.residualCalls, 0);
    EXPECT_EQ(system.unknowns()[0], 1.5);
    EXPECT_EQ(system.unknowns()[1], 2.5);
    EXPECT_TRUE(sameBits(&before, &run.work, sizeof(before))) << "maxIter " << maxIter;
  }
}

TEST(NewtonIteration, ZeroResidualEndsAfterOneIterationWithHeldUnknownsPinned) {
  SmallSystem system = squareAndProduct(2.0, 3.0); // the root, exactly
  Iteration run;
  run.held.solveMode[1] = SolveMode::held; // at a value of its own
  run.held.fixedConc[1] = 0.25;
  const NewtonOutcome outcome = run(system, settings(1));
  EXPECT_EQ(outcome.iterations, 1);
  EXPECT_EQ(outcome.status, NewtonStatus::converged); // within maxIter = 1, not the limit
  EXPECT_EQ(system.unknowns()[0], 2.0);
  EXPECT_EQ(system.unknowns()[1], 0.25);
}

TEST(NewtonIteration, FirstStepIsLimitedAndConvergenceTestsAreStrict) {
  // One iteration gives the step and residual measures of the start state;
  // tolerances equal to them must not count as converged.
  SmallSystem first = squareAndProduct(1.5, 2.5);
  Iteration run;
  ASSERT_EQ(run(first, settings(1, 0.0, 0.0)).status, NewtonStatus::notConverged);
  double stepMax = 0.0;
  for (int k = 0; k < 2; ++k) {
    stepMax = std::max(stepMax, std::fabs(run.work.resid[k]));
    EXPECT_EQ(first.unknowns()[k], limitedUpdate(run.work.concStart[k], run.work.resid[k]));
  }
  EXPECT_DOUBLE_EQ(first.unknowns()[0], 1.5 * 1.1); // both steps above 10 %
  EXPECT_DOUBLE_EQ(first.unknowns()[1], 2.5 * 1.1);
  const double resMax = 2.25; // |1.5 x 2.5 - 6|, above |1.5^2 - 4|

  struct Case {
    double tolStep, tolResid;
    NewtonStatus status;
  };
  const double above = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {stepMax, 0.0, NewtonStatus::notConverged},
      {std::nextafter(stepMax, above), 0.0, NewtonStatus::converged},
      {0.0, resMax, NewtonStatus::notConverged},
      {0.0, std::nextafter(resMax, above), NewtonStatus::converged},
  };
  for (const Case &c : cases) {
    SmallSystem system = squareAndProduct(1.5, 2.5);
    EXPECT_EQ(Iteration()(system, settings(1, c.tolStep, c.tolResid)).status, c.status)
        << c.tolStep << " " << c.tolResid;
  }
}

TEST(NewtonIteration, NegativeHeldValueSetsTheFlag) {
  for (int maxIter : {100, 2}) {
    SmallSystem system = squareAndProduct(1.5, 2.5);
    Iteration run;
    run.held.solveMode[1] = SolveMode::held;
    run.held.fixedConc[1] = -1.0;
    const NewtonOutcome outcome = run(system, settings(maxIter));
    EXPECT_EQ(outcome.status, maxIter == 2 ? NewtonStatus::notConvergedAfterNegative
                                           : NewtonStatus::convergedAfterNegative);
    EXPECT_EQ(system.unknowns()[1], -1.0);
    EXPECT_EQ(run.work.resid[1], 0.0); // a held unknown's step does not count
  }
}

TEST(NewtonIteration, NegativeFlagIsStickyAfterRecovery) {
  // x0 + x1 = 3 and x1^2 = 4 from (0, 10): x0 takes the full step from zero
  // to below it, then recovers to the root (1, 2).
  for (int maxIter : {1, 100}) {
    SmallSystem system(
        {0.0, 10.0},
        [](const double *x, double *f) {
          f[0] = x[0] + x[1] - 3.0;
          f[1] = x[1] * x[1] - 4.0;
        },
        [](const double *x, double *j) {
          j[0] = 1.0;
          j[1] = 0.0;
          j[2] = 1.0;
          j[3] = 2.0 * x[1];
        });
    const NewtonOutcome outcome = Iteration()(system, settings(maxIter));
    if (maxIter == 1) {
      EXPECT_EQ(outcome.status, NewtonStatus::notConvergedAfterNegative);
      EXPECT_LT(system.unknowns()[0], 0.0);
      continue;
    }
    EXPECT_EQ(outcome.status, NewtonStatus::convergedAfterNegative);
    EXPECT_NEAR(system.unknowns()[0], 1.0, 1e-12);
    EXPECT_NEAR(system.unknowns()[1], 2.0, 1e-12);
  }
}

TEST(NewtonIteration, ImprovementPassesStartWithTheNinthIteration) {
  // A linear system with a badly conditioned matrix (a Hilbert matrix) that
  // never converges (tolerances 0): every iteration solves for a step of
  // rounding size, which the improvement passes change.
  const auto residual = [](const double *x, double *f) {
    for (int i = 0; i < 3; ++i) {
      f[i] = -1.0;
      for (int j = 0; j < 3; ++j) {
        f[i] += x[j] / (i + j + 1);
      }
    }
  };
  const auto jacobian = [](const double *, double *a) {
    for (int j = 0; j < 3; ++j) {
      for (int i = 0; i < 3; ++i) {
        a[3 * j + i] = 1.0 / (i + j + 1);
      }
    }
  };
  for (int maxIter : {8, 9}) {
    SmallSystem system({1.0, 1.0, 1.0}, residual, jacobian);
    Iteration run;
    ASSERT_EQ(run(system, settings(maxIter, 0.0, 0.0)).iterations, maxIter);
    // The last iteration's system, solved here with the dense routines.
    double b[3];
    residual(run.work.concStart, b);
    for (double &component : b) {
      component = -component;
    }
    double a[9];
    jacobian(nullptr, a);
    double lu[9];
    std::memcpy(lu, a, sizeof(lu));
    int pivots[3];
    double parity = 0.0;
    luDecompose(lu, 3, 3, pivots, parity);
    double plain[3];
    std::memcpy(plain, b, sizeof(plain));
    luBackSubstitute(lu, 3, 3, pivots, plain);
    double improved[3];
    std::memcpy(improved, plain, sizeof(improved));
    luImprove(a, lu, 3, 3, pivots, b, improved);
    luImprove(a, lu, 3, 3, pivots, b, improved);
    ASSERT_FALSE(sameBits(plain, improved, sizeof(plain))) << "improvement must change something";
    EXPECT_TRUE(sameBits(run.work.resid, maxIter == 8 ? plain : improved, sizeof(plain))) << maxIter;
  }
}

// What a run leaves behind that a shortened run must leave identically.
void expectSameEnd(SmallSystem &a, const Iteration &runA, SmallSystem &b, const Iteration &runB) {
  const int n = a.order();
  const std::size_t bytes = sizeof(double) * static_cast<std::size_t>(n);
  EXPECT_TRUE(sameBits(a.unknowns(), b.unknowns(), bytes));
  EXPECT_TRUE(sameBits(runA.work.resid, runB.work.resid, bytes));
  EXPECT_TRUE(sameBits(runA.work.rhs, runB.work.rhs, bytes));
  EXPECT_TRUE(sameBits(runA.work.concStart, runB.work.concStart, bytes));
  EXPECT_TRUE(sameBits(runA.work.jacValues, runB.work.jacValues, bytes * static_cast<std::size_t>(n)));
}

TEST(NewtonIteration, StalledOrRepeatingIterationEndsWithTheResultOfRunningOut) {
  struct Case {
    const char *what;
    SmallSystem (*make)();
    int maxIter;
    int period;
    int iterations; // with the repeats skipped
    NewtonStatus status;
  };
  const Case cases[] = {
      // Saved after iteration 8, the first improved iteration repeats it.
      {"stalled", stalled, 100000, 1, 9, NewtonStatus::notConverged},
      // Saved again after iteration 9 and seen after 11; the iterations
      // left over whole periods then run: one for an even limit, none for
      // an odd one.
      {"two-cycle, even limit", twoCycle, 20000, 2, 12, NewtonStatus::notConvergedAfterNegative},
      {"two-cycle, odd limit", twoCycle, 10001, 2, 11, NewtonStatus::notConvergedAfterNegative},
  };
  for (const Case &c : cases) {
    SmallSystem skipping = c.make();
    Iteration skip;
    const NewtonOutcome skipped = skip(skipping, settings(c.maxIter), {CycleRule::skipRepeats});
    SmallSystem running = c.make();
    Iteration full;
    const NewtonOutcome ranOut = full(running, settings(c.maxIter), {CycleRule::runOut});

    EXPECT_EQ(skipped.cyclePeriod, c.period) << c.what;
    EXPECT_EQ(skipped.iterations, c.iterations) << c.what;
    EXPECT_EQ(ranOut.iterations, c.maxIter) << c.what;
    EXPECT_EQ(skipped.status, c.status) << c.what;
    EXPECT_EQ(ranOut.status, c.status) << c.what;
    expectSameEnd(skipping, skip, running, full);
  }
}

TEST(NewtonIteration, StallBeforeTheNinthIterationDoesNotEndEarly) {
  // Iterations 1 to 8 have no improvement passes, so an unchanged iterate
  // there says nothing about the later ones.
  SmallSystem system = stalled();
  const NewtonOutcome outcome = Iteration()(system, settings(8));
  EXPECT_EQ(outcome.iterations, 8);
  EXPECT_EQ(outcome.status, NewtonStatus::notConverged);
}

TEST(NewtonIteration, NonFiniteResidualOrStepStopsAtOnce) {
  struct Case {
    const char *what;
    SmallSystem system;
    int iterations;
    NewtonStatus status;
    double last; // the unknown it stops with: the last finite iterate
  };
  Case cases[] = {
      {"residual", SmallSystem({1.0}, [](const double *, double *f) { f[0] = nan; },
                               [](const double *, double *j) { j[0] = 1.0; }),
       1, NewtonStatus::notConverged, 1.0},
      {"residual scale", SmallSystem({1.0}, [](const double *x, double *f) { f[0] = x[0]; },
                                     [](const double *, double *j) { j[0] = 1.0; },
                                     std::numeric_limits<double>::infinity()),
       1, NewtonStatus::notConverged, 1.0},
      // The first step goes below zero, where the residual takes a square
      // root: not a number in the second iteration.
      {"residual after a negative value",
       SmallSystem({0.0}, [](const double *x, double *f) { f[0] = x[0] + 1.0 + 0.0 * std::sqrt(x[0]); },
                   [](const double *, double *j) { j[0] = 1.0; }),
       2, NewtonStatus::notConvergedAfterNegative, -1.0},
      // A finite residual whose Jacobian is not finite: only the step is not.
      {"step", SmallSystem({1.0}, [](const double *x, double *f) { f[0] = x[0]; },
                           [](const double *, double *j) { j[0] = nan; }),
       1, NewtonStatus::notConverged, 1.0},
  };
  for (Case &c : cases) {
    const NewtonOutcome outcome = Iteration()(c.system, settings(100000));
    EXPECT_EQ(outcome.iterations, c.iterations) << c.what;
    EXPECT_EQ(outcome.status, c.status) << c.what;
    EXPECT_EQ(c.system.unknowns()[0], c.last) << c.what;
  }
}

TEST(NewtonIteration, SingularLinearSystemsAreReportedToTheCallerAndTheIterationGoesOn) {
  // x0 = 2 and a second row that no unknown enters: the Jacobian's second
  // row is all zero in every iteration.
  const auto make = [] {
    return SmallSystem(
        {1.5, 1.0},
        [](const double *x, double *f) {
          f[0] = x[0] - 2.0;
          f[1] = 1.0;
        },
        [](const double *, double *j) {
          j[0] = 1.0;
          j[1] = 0.0;
          j[2] = 0.0;
          j[3] = 0.0;
        });
  };
  struct Case {
    LinSolver route;
    Singularity singularity;
    int detail;
  };
  for (const Case c : {Case{LinSolver::ownLu, Singularity::zeroRow, 2},
                       Case{LinSolver::lapack, Singularity::lapackSingular, 2}}) {
    SmallSystem system = make();
    Iteration run;
    const NewtonOutcome outcome = run(system, settings(3, 1e-12, 5e-12, c.route));
    EXPECT_EQ(outcome.iterations, 3);
    ASSERT_EQ(run.events.singular.size(), 3u); // one report per iteration
    for (const LinearSolve &solve : run.events.singular) {
      EXPECT_EQ(solve.singularity, c.singularity);
      EXPECT_EQ(solve.detail, c.detail);
      // The own routines follow the structure of a matrix with a zero row.
      EXPECT_EQ(solve.dense, c.route == LinSolver::lapack);
    }
    if (c.route == LinSolver::lapack) {
      // After a singular factor dgesv leaves the right-hand side: the step
      // is the negated residual.
      double x0 = 1.5;
      for (int iteration = 1; iteration < 3; ++iteration) {
        x0 = limitedUpdate(x0, -(x0 - 2.0));
      }
      EXPECT_EQ(run.work.rhs[0], -(x0 - 2.0));
      EXPECT_EQ(run.work.rhs[1], -1.0);
    }
  }
}

} // namespace
} // namespace vrex
