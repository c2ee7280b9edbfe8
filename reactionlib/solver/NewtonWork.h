// What the Newton iteration reads besides its system and settings: the
// unknowns held at fixed values, and its work arrays. Both are sized for the
// largest system the library solves (the network's 39 species); a smaller
// system uses their leading part, its matrices with its own order as leading
// dimension.
#pragma once

namespace vrex {

inline constexpr int maxNewtonOrder = 39;

struct HeldSpecies {
  int solveMode[maxNewtonOrder];    // 0: held at fixedConc; any other value: solved for
  double fixedConc[maxNewtonOrder]; // value a held unknown is pinned at
};

// After a return they hold the values of the last iteration.
struct NewtonWork {
  double resid[maxNewtonOrder];  // residual, negated; after the solve the step
  double jac[maxNewtonOrder * maxNewtonOrder];   // Jacobian, kept unfactorised
  double luMat[maxNewtonOrder * maxNewtonOrder]; // its factors
  double rhs[maxNewtonOrder];    // right-hand side, replaced by the solution
  int pivotIndex[maxNewtonOrder];
  double concStart[maxNewtonOrder]; // the unknowns before the update
};

} // namespace vrex
