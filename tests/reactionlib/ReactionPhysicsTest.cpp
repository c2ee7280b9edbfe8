// Physics of the reactive step through the loaded library: at the end of the
// step the implicit balances hold, and the four combinations that no
// reaction changes keep their start-of-step values.
#include "LoadedVrexDll.h"

#include "NodeStates.h"
#include "linalg/Lapack.h"
#include "linalg/SparsityPattern.h"
#include "network/Network.h"
#include "network/NetworkConstants.h"
#include "step/ReactionState.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace vrex {
namespace {

using test::LoadedVrexDll;
using test::ScratchDirectory;
using test::VrexCall;

struct Weight {
  int species;
  double weight;
};

// Species weights of the balance rows without any kinetic term; only the
// flushing sources change these combinations, and the reactive step has none.
const Weight row26[] = {{6, 25.7167388932},
                        {21, 103097.746819},
                        {22, 103097.746819},
                        {23, 103097.746819},
                        {30, 1.31880712273}};
const Weight row34[] = {{12, -0.667849429189}, {29, -0.0342486886763}, {37, -2677.39123727}};
const Weight row38[] = {{5, 0.000249440358171}, {38, 1.0}};
const Weight row39[] = {{39, 1.0}};

struct Combination {
  double value;
  double magnitude; // sum of the absolute terms, the scale of its rounding
};

template <std::size_t N> Combination combine(const Weight (&row)[N], const double *conc) {
  Combination c{0.0, 0.0};
  for (const Weight &w : row) {
    c.value += w.weight * conc[w.species - 1];
    c.magnitude += std::fabs(w.weight * conc[w.species - 1]);
  }
  return c;
}

class ReactionPhysics : public testing::TestWithParam<std::uint64_t> {
protected:
  VrexCall stepFromRealisticState() {
    double conc[ncomp];
    test::realisticState(conc, GetParam());
    VrexCall call;
    call.startFrom(conc);
    library.invoke(call);
    return call;
  }

  ScratchDirectory scratch;
  LoadedVrexDll library;
};

TEST_P(ReactionPhysics, ResidualVanishesAtTheEndOfTheStep) {
  // The rows weigh their species very differently (weights up to 1e6), so
  // "near zero" is measured in concentrations: the Newton correction that
  // the residual left at the end of the step still asks for, solved here
  // with LAPACK, stays within the solver's absolute step tolerance (1e-12)
  // and is negligible against every concentration above it.
  const VrexCall call = stepFromRealisticState();
  ASSERT_EQ(call.status, 0);
  ReactionState s;
  test::prepareReactiveStep(s, call.concIn, call.timeStep);
  std::memcpy(s.step.conc, call.concOut, sizeof(call.concOut));
  const double *netpar = network::netpar.data();
  const EquilibriumConstants constants = formEquilibriumConstants(netpar);
  double correction[ncomp];
  evalResidual(s.step, netpar, constants, correction);
  double values[njacobianValues];
  evalJacobian(s.step, netpar, constants, values);
  double jacobian[nmatrix] = {};
  scatterValues(jacobianPattern, values, jacobian);
  int pivots[ncomp];
  const int order = ncomp, one = 1;
  int info = -1;
  dgesv_(&order, &one, jacobian, &order, pivots, correction, &order, &info);
  ASSERT_EQ(info, 0);
  for (int k = 0; k < ncomp; ++k) {
    EXPECT_LT(std::fabs(correction[k]), 1e-12 + 1e-9 * call.concOut[k]) << "species " << k + 1;
  }
}

TEST_P(ReactionPhysics, ConservedCombinationsKeepTheirStartValues) {
  const VrexCall call = stepFromRealisticState();
  ASSERT_EQ(call.status, 0);
  auto expectKept = [&call](const Combination &start, const Combination &end, int row) {
    EXPECT_NEAR(end.value, start.value, 1e-12 * start.magnitude) << "row " << row;
  };
  expectKept(combine(row26, call.concIn), combine(row26, call.concOut), 26);
  expectKept(combine(row34, call.concIn), combine(row34, call.concOut), 34);
  expectKept(combine(row38, call.concIn), combine(row38, call.concOut), 38);
  expectKept(combine(row39, call.concIn), combine(row39, call.concOut), 39);
}

INSTANTIATE_TEST_SUITE_P(RealisticStates, ReactionPhysics, testing::Range<std::uint64_t>(1, 9));

} // namespace
} // namespace vrex
