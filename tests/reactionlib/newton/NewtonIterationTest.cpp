// The Newton iteration on the real network: limits, tolerances, held
// species, the sticky negative flag, the improvement passes, the early end of
// a stalled iteration, non-finite values and the LAPACK path.
#include "step/ReactiveStep.h"

#include "step/ReactionState.h"
#include "network/Network.h"
#include "linalg/DenseLu.h"
#include "newton/NewtonIteration.h"
#include "newton/StepLimit.h"

#include "NodeStates.h"
#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace vrex {
namespace {

using test::plausibleTimeStep;
using test::prepareReactiveStep;
using test::realisticState;
using test::StdoutCapture;

ReactionState testState;
ReactionState &state() { return testState; }

int solve(int maxIter, int linSolver = 1, double tolResid = 5e-12, double tolStep = 1e-12) {
  ReactionState &s = state();
  const NewtonSettings settings{tolStep, tolResid, maxIter, static_cast<LinSolver>(linSolver)};
  return static_cast<int>(newtonSolve(s.step, s.netpar, s.held, settings, s.work).status);
}

// The iteration on the state's node step, with the given options.
NewtonOutcome iterate(int maxIter, IterationOptions options) {
  ReactionState &s = state();
  const NewtonSettings settings{1e-12, 5e-12, maxIter, LinSolver::ownLu};
  return newtonSolve(s.step, s.netpar, s.held, settings, s.work, options);
}

struct IgnoredEvents final : NewtonEvents {
  void singularLinearSystem(const LinearSolve &) override {}
};

constexpr IterationOptions skipRepeats{CycleRule::skipRepeats};
constexpr IterationOptions runOut{CycleRule::runOut};

void prepareRealistic(std::uint64_t seed, double dt = plausibleTimeStep) {
  double start[ncomp];
  realisticState(start, seed);
  prepareReactiveStep(state(), start, dt);
}

bool sameBits(const void *a, const void *b, std::size_t size) {
  return std::memcmp(a, b, size) == 0;
}

// The iteration on a system of its own: x0^2 = 4 and x0 x1 = 6, with the
// roots (2, 3) and (-2, -3).
class TwoUnknowns final : public NewtonSystem {
public:
  TwoUnknowns(double x0, double x1, double scale) : x_{x0, x1}, scale_(scale) {}
  int order() const override { return 2; }
  double *unknowns() override { return x_; }
  double residualScale() const override { return scale_; }
  void evalResidual(double *f) const override {
    f[0] = x_[0] * x_[0] - 4.0;
    f[1] = x_[0] * x_[1] - 6.0;
  }
  const SparsityPattern &jacobianPattern() const override { return pattern_; }
  void evalJacobianValues(double *values) const override { // column by column
    values[0] = 2.0 * x_[0];
    values[1] = x_[1];
    values[2] = x_[0];
  }

private:
  static constexpr std::uint8_t rows_[] = {0, 1, 1};
  static constexpr std::uint16_t columnStarts_[] = {0, 2, 3};
  static constexpr SparsityPattern pattern_{2, 3, rows_, columnStarts_};
  double x_[2];
  double scale_;
};

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
    TwoUnknowns system(c.start0, c.start1, c.scale);
    HeldUnknowns held{};
    held.solveMode[0] = SolveMode::solved;
    held.solveMode[1] = c.holdSecond ? SolveMode::held : SolveMode::solved;
    held.fixedConc[1] = c.start1;
    NewtonWork work;
    IgnoredEvents events;
    const NewtonOutcome outcome =
        runNewtonIteration(system, held, {1e-12, 5e-12, 100, LinSolver::ownLu}, work, events);
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

TEST(NewtonSolve, NoIterationsWhenMaxIterIsNotPositive) {
  for (int maxIter : {0, -3}) {
    prepareRealistic(1);
    const ReactionState before = state();
    EXPECT_EQ(solve(maxIter), 2);
    EXPECT_TRUE(sameBits(&before, &state(), sizeof(ReactionState))) << "maxIter " << maxIter;
  }
}

// A state at which every residual component is exactly zero: start equals
// guess, every kinetic law vanishes (empty substrates, decays and
// dissolutions exactly at their thresholds) and the equilibria hold exactly
// in floating point.
void prepareZeroResidualState() {
  double start[ncomp] = {};
  prepareReactiveStep(state(), start, plausibleTimeStep);
  ReactionState &s = state();
  auto set = [&s](int species, double value) { s.step.conc[species - 1] = value; };
  for (int i = 1; i <= ncomp; ++i) {
    set(i, 0.0);
  }
  const double *p = s.netpar;
  set(31, p[12]); // decay thresholds netpar 13, 19, 24, 30, 36, 42
  set(32, p[18]);
  set(33, p[23]);
  set(34, p[29]);
  set(35, p[35]);
  set(36, p[41]);
  set(21, p[56]); // dissolution guards netpar 57
  set(22, p[56]);
  set(23, p[56]);
  set(30, p[57] * p[56]); // exchange 6 in balance: netpar 58 x species 23
  const double k43 = std::pow(10.0, -p[42]);
  const double k44 = std::pow(10.0, -p[43]);
  const double k45 = std::pow(10.0, -p[44]);
  const double k46 = std::pow(10.0, -p[45]);
  set(7, 1.0);
  set(8, k43);        // s7 s8 = K43
  set(9, 1.0);
  set(10, k44);       // s7 s10 = K44 s9
  set(11, k45 * k44); // s7 s11 = K45 s10
  // s5 s11 = K46 must hold after rounding: search the doubles around the
  // quotient for one whose product rounds to K46.
  double s5 = k46 / (k45 * k44);
  for (int tries = 0; tries < 64 && s5 * (k45 * k44) != k46; ++tries) {
    s5 = std::nextafter(s5, s5 * (k45 * k44) < k46 ? 1.0 : 0.0);
  }
  set(5, s5);
  set(39, 1.0);
  for (int i = 0; i < ncomp; ++i) {
    s.step.concOld[i] = s.step.conc[i];
  }
}

TEST(NewtonSolve, ZeroResidualEndsAfterOneIterationWithHeldUnknownsPinned) {
  prepareZeroResidualState();
  double residual[ncomp];
  evalResidual(state().step, state().netpar, residual);
  for (int i = 0; i < ncomp; ++i) {
    ASSERT_EQ(residual[i], 0.0) << "row " << i + 1 << " of the prepared state";
  }
  ReactionState &s = state();
  s.held.solveMode[38] = SolveMode::held; // hold species 39 at a value of its own
  s.held.fixedConc[38] = 0.25;
  double expected[ncomp];
  std::memcpy(expected, s.step.conc, sizeof(expected));
  expected[38] = 0.25;

  const NewtonOutcome outcome = iterate(1, skipRepeats);
  EXPECT_EQ(outcome.iterations, 1);
  EXPECT_EQ(static_cast<int>(outcome.status), 0); // converged within maxIter = 1, not the limit
  EXPECT_TRUE(sameBits(s.step.conc, expected, sizeof(expected)));
}

TEST(NewtonSolve, ConvergenceTestsAreStrict) {
  // One iteration gives the step and residual measures of the start state;
  // tolerances equal to them must not count as converged.
  prepareRealistic(2);
  ReactionState &s = state();
  const ReactionState start = s;
  ASSERT_EQ(solve(1, 1, 0.0, 0.0), 2);
  double stepMax = 0.0;
  for (double step : s.work.resid) {
    stepMax = std::max(stepMax, std::fabs(step));
  }
  double residual[ncomp];
  std::memcpy(s.step.conc, start.step.conc, sizeof(s.step.conc));
  evalResidual(state().step, state().netpar, residual);
  double largest = 0.0;
  for (double r : residual) {
    largest = std::max(largest, std::fabs(r));
  }
  const double resMax = start.step.dt * largest;

  struct Case {
    double tolResid, tolStep;
    int status;
  };
  const double above = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {0.0, stepMax, 2},
      {0.0, std::nextafter(stepMax, above), 0},
      {resMax, 0.0, 2},
      {std::nextafter(resMax, above), 0.0, 0},
  };
  for (const Case &c : cases) {
    s = start;
    EXPECT_EQ(solve(1, 1, c.tolResid, c.tolStep), c.status) << c.tolResid << " " << c.tolStep;
  }
}

TEST(NewtonSolve, FirstIterationLimitsEveryPositiveSpecies) {
  prepareRealistic(3);
  ReactionState &s = state();
  solve(1);
  int limited = 0;
  for (int k = 0; k < ncomp; ++k) {
    const double start = s.work.concStart[k];
    ASSERT_GT(start, 0.0);
    EXPECT_LE(std::fabs(s.step.conc[k] - start), 0.1 * start * (1 + 1e-15)) << "species " << k + 1;
    EXPECT_EQ(s.step.conc[k], limitedUpdate(start, s.work.resid[k]));
    limited += std::fabs(s.work.resid[k]) > 0.1 * start;
  }
  EXPECT_GT(limited, 0) << "the state should need the limit somewhere";
}

TEST(NewtonSolve, HeldUnknownsStayAtTheirValueAndDoNotCountInTheStep) {
  prepareRealistic(4);
  ReactionState &s = state();
  s.held.solveMode[6] = SolveMode::held; // species 7 held off its equilibrium value
  s.held.fixedConc[6] = 2e-8;
  s.held.solveMode[30] = SolveMode::held; // species 31 held where it starts
  s.held.fixedConc[30] = s.step.conc[30];
  EXPECT_EQ(solve(s.settings.maxIter), 0);
  EXPECT_EQ(s.step.conc[6], 2e-8);
  EXPECT_EQ(s.step.conc[30], s.held.fixedConc[30]);
  EXPECT_EQ(s.work.resid[6], 0.0);
  EXPECT_EQ(s.work.resid[30], 0.0);
}

TEST(NewtonSolve, NegativeHeldValueSetsTheFlag) {
  for (int maxIter : {100000, 2}) {
    prepareRealistic(5);
    ReactionState &s = state();
    s.held.solveMode[11] = SolveMode::held; // species 12 appears in one conserved row only
    s.held.fixedConc[11] = -1e-12;
    EXPECT_EQ(solve(maxIter), maxIter == 2 ? 3 : 1);
    EXPECT_EQ(s.step.conc[11], -1e-12);
  }
}

TEST(NewtonSolve, NegativeFlagIsStickyAfterRecovery) {
  // A negative starting estimate of species 25 takes the full step and
  // overshoots below zero in the first iteration; the iteration recovers and
  // converges with every concentration positive, yet reports the negative.
  double start[ncomp];
  test::plausibleState(start);
  for (int step = 0; step < 3; ++step) {
    prepareReactiveStep(state(), start, plausibleTimeStep);
    solve(state().settings.maxIter);
    std::memcpy(start, state().step.conc, sizeof(start));
  }
  for (int maxIter : {1, 100000}) {
    prepareReactiveStep(state(), start, plausibleTimeStep);
    state().step.conc[24] = -1e-3;
    const int status = solve(maxIter);
    if (maxIter == 1) {
      EXPECT_EQ(status, 3);
      continue;
    }
    EXPECT_EQ(status, 1);
    for (int k = 0; k < ncomp; ++k) {
      EXPECT_GT(state().step.conc[k], 0.0) << "species " << k + 1;
    }
  }
}

// Negated residual, Jacobian and its dense factors at the iterate the last
// iteration started from.
struct LastStartSystem {
  double b[ncomp];
  double jac[nmatrix];
  double lu[nmatrix];
  int pivots[ncomp];
};

LastStartSystem systemAtLastStart() {
  ReactionState &s = state();
  LastStartSystem last;
  double conc[ncomp];
  std::memcpy(conc, s.step.conc, sizeof(conc));
  std::memcpy(s.step.conc, s.work.concStart, sizeof(conc));
  evalResidual(s.step, s.netpar, last.b);
  evalJacobian(s.step, s.netpar, last.jac);
  std::memcpy(s.step.conc, conc, sizeof(conc));
  for (double &component : last.b) {
    component = -component;
  }
  std::memcpy(last.lu, last.jac, sizeof(last.lu));
  double parity = 0.0;
  luDecompose(last.lu, ncomp, ncomp, last.pivots, parity);
  return last;
}

TEST(NewtonSolve, ImprovementPassesStartWithTheNinthIteration) {
  for (int maxIter : {8, 9}) {
    prepareRealistic(6);
    ASSERT_EQ(solve(maxIter), 2) << "the state must need more than 9 iterations";
    const ReactionState &s = state();
    const LastStartSystem last = systemAtLastStart();
    double plain[ncomp];
    std::memcpy(plain, last.b, sizeof(plain));
    luBackSubstitute(last.lu, ncomp, ncomp, last.pivots, plain);
    double improved[ncomp];
    std::memcpy(improved, plain, sizeof(improved));
    luImprove(last.jac, last.lu, ncomp, ncomp, last.pivots, last.b, improved);
    luImprove(last.jac, last.lu, ncomp, ncomp, last.pivots, last.b, improved);
    ASSERT_FALSE(sameBits(plain, improved, sizeof(plain))) << "improvement must change something";
    EXPECT_TRUE(sameBits(s.work.resid, maxIter == 8 ? plain : improved, sizeof(plain))) << maxIter;
  }
}

// The zero-residual state, except that species 39 sits at the smallest
// subnormal while its start-of-step value asks for -1. Its step of about -1
// never passes the convergence tests, yet 10 % of its value rounds to zero,
// so it cannot move: every iteration leaves every concentration unchanged.
void prepareStalledState() {
  prepareZeroResidualState();
  state().step.conc[38] = std::nextafter(0.0, 1.0);
  state().step.concOld[38] = -1.0;
}

TEST(NewtonSolve, StalledIterationEndsWithTheResultOfRunningOut) {
  prepareStalledState();
  const NewtonOutcome early = iterate(100000, skipRepeats);
  const ReactionState earlyEnd = state();

  prepareStalledState();
  const NewtonOutcome full = iterate(100000, runOut);

  EXPECT_EQ(early.iterations, 9); // the first iteration with improvement passes
  EXPECT_EQ(early.cyclePeriod, 1);
  EXPECT_EQ(full.iterations, 100000);
  EXPECT_EQ(static_cast<int>(early.status), 2);
  EXPECT_EQ(full.status, early.status);
  // Everything the iteration leaves behind is identical, work arrays included.
  EXPECT_TRUE(sameBits(&earlyEnd, &state(), sizeof(ReactionState)));
}

// A realistic state with species 39 stalled as above: the other species
// settle into rounding cycles that repeat bit for bit, with periods of 22
// (seed 14) and 2731 iterations (seed 9).
void prepareCyclingState(std::uint64_t seed) {
  prepareRealistic(seed);
  state().step.conc[38] = std::nextafter(0.0, 1.0);
  state().step.concOld[38] = -1.0;
}

TEST(NewtonSolve, RepeatingIterationEndsWithTheResultOfRunningOut) {
  struct Case {
    std::uint64_t seed;
    int maxIter;
  };
  for (const Case c : {Case{14, 10001}, Case{9, 20000}}) {
    prepareCyclingState(c.seed);
    const NewtonOutcome skipped = iterate(c.maxIter, skipRepeats);
    const ReactionState skipEnd = state();
    prepareCyclingState(c.seed);
    const NewtonOutcome full = iterate(c.maxIter, runOut);
    const ReactionState &fullEnd = state();

    EXPECT_GT(skipped.cyclePeriod, 1) << c.seed;
    EXPECT_LT(skipped.iterations, c.maxIter / 2) << c.seed;
    EXPECT_EQ(full.iterations, c.maxIter);
    EXPECT_EQ(skipped.status, full.status);
    // The result and what the last iteration left behind, bit for bit.
    EXPECT_TRUE(sameBits(skipEnd.step.conc, fullEnd.step.conc, sizeof(fullEnd.step.conc)));
    EXPECT_TRUE(sameBits(skipEnd.work.resid, fullEnd.work.resid, sizeof(fullEnd.work.resid)));
    EXPECT_TRUE(sameBits(skipEnd.work.rhs, fullEnd.work.rhs, sizeof(fullEnd.work.rhs)));
    EXPECT_TRUE(
        sameBits(skipEnd.work.concStart, fullEnd.work.concStart, sizeof(fullEnd.work.concStart)));
    EXPECT_TRUE(sameBits(skipEnd.work.jacValues, fullEnd.work.jacValues,
                         sizeof(fullEnd.work.jacValues)));
    EXPECT_TRUE(sameBits(skipEnd.work.linear.sparse.factors, fullEnd.work.linear.sparse.factors,
                         sizeof(fullEnd.work.linear.sparse.factors)));
  }
}

TEST(NewtonSolve, StallBeforeTheNinthIterationDoesNotEndEarly) {
  // Iterations 1 to 8 have no improvement passes, so an unchanged iterate
  // there says nothing about the later ones.
  prepareStalledState();
  const NewtonOutcome outcome = iterate(8, skipRepeats);
  EXPECT_EQ(outcome.iterations, 8);
  EXPECT_EQ(static_cast<int>(outcome.status), 2);
}

TEST(NewtonSolve, NonFiniteResidualStopsAtOnce) {
  prepareRealistic(7, 0.0); // dt = 0: every balance row is infinite or NaN
  const ReactionState before = state();
  const NewtonOutcome outcome = iterate(100000, skipRepeats);
  EXPECT_EQ(outcome.iterations, 1);
  EXPECT_EQ(static_cast<int>(outcome.status), 2);
  EXPECT_TRUE(sameBits(before.step.conc, state().step.conc, sizeof(before.step.conc)));
}

TEST(NewtonSolve, NonFiniteResidualAfterNegativeValueGivesThree) {
  // Species 14 held below zero: its square root makes the second residual NaN.
  prepareRealistic(7);
  ReactionState &s = state();
  s.held.solveMode[13] = SolveMode::held;
  s.held.fixedConc[13] = -1e-6;
  const NewtonOutcome outcome = iterate(100000, skipRepeats);
  EXPECT_EQ(outcome.iterations, 2);
  EXPECT_EQ(static_cast<int>(outcome.status), 3);
  EXPECT_EQ(s.step.conc[13], -1e-6);
}

TEST(NewtonSolve, NonFiniteStepStopsAtOnce) {
  // Species 21 so small that its square underflows: the Jacobian divides by
  // zero while the residual stays finite, so only the step is not finite.
  prepareRealistic(8);
  ReactionState &s = state();
  s.step.conc[20] = 1e-200;
  const ReactionState before = s;
  const NewtonOutcome outcome = iterate(100000, skipRepeats);
  double residual[ncomp];
  evalResidual(state().step, state().netpar, residual);
  for (double r : residual) {
    ASSERT_TRUE(std::isfinite(r));
  }
  EXPECT_EQ(outcome.iterations, 1);
  EXPECT_EQ(static_cast<int>(outcome.status), 2);
  EXPECT_TRUE(sameBits(before.step.conc, s.step.conc, sizeof(before.step.conc)));
}

// Species 5 and 11 at zero empty the equilibrium row s5 s11 = K: a singular
// Jacobian with an all-zero row 5 and a finite residual.
void prepareSingularJacobian() {
  prepareRealistic(9);
  state().step.conc[4] = 0.0;
  state().step.conc[10] = 0.0;
}

TEST(NewtonSolve, LapackSingularMatrixStepsWithTheNegatedResidual) {
  prepareSingularJacobian();
  double b[ncomp];
  evalResidual(state().step, state().netpar, b);
  double expected[ncomp];
  for (int k = 0; k < ncomp; ++k) {
    expected[k] = limitedUpdate(state().step.conc[k], -b[k]);
  }
  StdoutCapture capture;
  const int status = solve(1, 2);
  EXPECT_EQ(capture.finish(), " singular matrix in LUD\n");
  EXPECT_TRUE(sameBits(state().step.conc, expected, sizeof(expected)));
  // Species 5 and 11 start at zero and take the full step below it.
  EXPECT_TRUE(expected[4] < 0.0 || expected[10] < 0.0);
  EXPECT_EQ(status, 3);
}

TEST(NewtonSolve, OwnSolverReportsTheZeroRowOncePerCallAndGoesOn) {
  // Once the full steps from zero have gone below it, as with LAPACK.
  prepareSingularJacobian();
  test::feedStdin(""); // not a terminal: no pause
  StdoutCapture capture;
  EXPECT_EQ(solve(1, 1), 3);
  EXPECT_EQ(capture.finish(), " Singular matrix           5          39          39\n");

  // Held at zero, the row stays empty in every iteration: reported once.
  prepareSingularJacobian();
  ReactionState &s = state();
  for (int species : {5, 11}) {
    s.held.solveMode[species - 1] = SolveMode::held;
    s.held.fixedConc[species - 1] = 0.0;
  }
  StdoutCapture again;
  EXPECT_EQ(iterate(20, runOut).iterations, 20);
  EXPECT_EQ(again.finish(), " Singular matrix           5          39          39\n");
}

TEST(NewtonSolve, OwnSolverAndLapackAgreeOnRealisticStates) {
  for (std::uint64_t seed = 10; seed < 20; ++seed) {
    prepareRealistic(seed);
    const ReactionState start = state();
    ASSERT_EQ(solve(start.settings.maxIter, 1), 0);
    double own[ncomp];
    std::memcpy(own, state().step.conc, sizeof(own));
    state() = start;
    ASSERT_EQ(solve(start.settings.maxIter, 2), 0);
    for (int k = 0; k < ncomp; ++k) {
      EXPECT_NEAR(state().step.conc[k], own[k], 1e-9 * std::fabs(own[k]))
          << "seed " << seed << " species " << k + 1;
    }
  }
}

} // namespace
} // namespace vrex
