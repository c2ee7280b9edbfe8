// Backward-Euler Newton iteration over one time step of one node, on the
// members of reactionState. Status: 0 converged, 1 converged after a negative
// value was seen, 2 not converged within maxIter, 3 not converged and a
// negative value was seen.
#pragma once

namespace vrex {

void newtonSolve(int nodeIndex, int &status, double tolResid, double tolStep, int maxIter,
                 int linSolver);

} // namespace vrex
