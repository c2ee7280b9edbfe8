#include "linalg/LinearSolver.h"

#include "linalg/BitSets.h"
#include "linalg/DenseLu.h"
#include "linalg/Lapack.h"

#include <cstring>

namespace vrex {

LinearSolver::LinearSolver(const SparsityPattern &pattern, const PlanCodeTable *planCode,
                           LinSolver route, LuPath path, LinearSolverWork &work)
    : pattern_(pattern), work_(work), route_(route),
      followStructure_(route == LinSolver::ownLu && path != LuPath::denseOnly) {
  if (followStructure_) {
    preparePattern(pattern, path == LuPath::followStructure ? planCode : nullptr, work.sparse);
  }
}

LinearSolve LinearSolver::solve(const double *values, const double *b, double *x,
                                int improvementPasses) {
  if (followStructure_ && solveFollowingStructure(values, b, x, improvementPasses)) {
    LinearSolve solved;
    if (work_.sparse.zeroRows != 0) {
      solved.singularity = Singularity::zeroRow;
      solved.detail = bits::lowest(work_.sparse.zeroRows) + 1;
    }
    return solved;
  }
  return solveDense(values, b, x, improvementPasses);
}

// Bit for bit what solveDense gives with the own routines, the factors into
// work_.sparse. Returns false where that cannot be guaranteed; solveDense
// must then run.
bool LinearSolver::solveFollowingStructure(const double *values, const double *b, double *x,
                                           int improvementPasses) {
  const int n = pattern_.order;
  if (!sparseLuDecompose(pattern_, values, work_.pivotIndex, work_.sparse) ||
      !sparseLuSolve(n, b, x, work_.sparse)) {
    return false;
  }
  for (int pass = 0; pass < improvementPasses; ++pass) {
    if (!sparseLuImprove(pattern_, values, b, x, work_.sparse)) {
      return false;
    }
  }
  return true;
}

LinearSolve LinearSolver::solveDense(const double *values, const double *b, double *x,
                                     int improvementPasses) {
  const int n = pattern_.order;
  const std::size_t matrixBytes =
      sizeof(double) * static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
  // The full matrix is factorised in place in the factors' storage.
  double *luMat = lendFactorStorage(work_.sparse);
  std::memset(luMat, 0, matrixBytes);
  scatterValues(pattern_, values, luMat);
  std::memcpy(x, b, sizeof(double) * static_cast<std::size_t>(n));
  LinearSolve solved;
  solved.dense = true;
  if (route_ == LinSolver::ownLu) {
    double parity = 0.0;
    const int zeroRow = luDecompose(luMat, n, n, work_.pivotIndex, parity);
    if (zeroRow != 0) {
      solved.singularity = Singularity::zeroRow;
      solved.detail = zeroRow;
    }
    luBackSubstitute(luMat, n, n, work_.pivotIndex, x);
  } else {
    const int rightHandSides = 1;
    int info = 0;
    dgesv_(&n, &rightHandSides, luMat, &n, work_.pivotIndex, x, &n, &info);
    if (info != 0) {
      solved.singularity = info < 0 ? Singularity::lapackIllegalValue : Singularity::lapackSingular;
      solved.detail = info;
    }
  }
  for (int pass = 0; pass < improvementPasses; ++pass) {
    luImprove(pattern_, values, luMat, n, work_.pivotIndex, b, x);
  }
  return solved;
}

} // namespace vrex
