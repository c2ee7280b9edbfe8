// The one process-wide record of the reaction library.
//
// Every routine of the library works on this record instead of passing arrays
// around: the driver copies the caller's values in, the network routines and
// the Newton solver read and write its members, and the driver copies the
// result out again. It is zero-filled at load and re-initialised at the start
// of every call, so no value of one call influences the next.
//
// Indexing: the chemistry numbers species 1..39 and rates 1..54. The arrays
// here are plain C arrays counted from 0, so species i lives at index i - 1.
// Dense matrices are stored column by column with leading dimension ncomp:
// entry (i, j), counted from 1, is element ncomp * (j - 1) + (i - 1).
#pragma once

namespace vrex {

inline constexpr int ncomp = 39;          // species (unknowns of the step)
inline constexpr int nrates = 54;         // entries of the rate vector
inline constexpr int nnetpar = 62;        // network parameters
inline constexpr int nmatrix = ncomp * ncomp;

struct ReactionState {
  // Concentrations of the node.
  double conc[ncomp];      // current iterate; the unknowns of the step
  double concOld[ncomp];   // start of the step, each at least 1e-20
  double fixedConc[ncomp]; // value a held species is pinned at
  int solveMode[ncomp];    // 0: held at fixedConc; 5: solved for
  double flushRateIndex[ncomp]; // rate moving species i in the flushing step, 0 for none

  double rates[nrates];    // rate vector, written by evalRates only

  double dt;               // time step length
  double nodeSwitch[1];    // switch value per node; only node 1 exists
  double switchValue;      // switch value of the node being computed
  double flushFlag;        // 1.0: flushing regime, 0.0: reactive regime
  double recordTag1;       // labels of the rates record
  double recordTag2;
  double carriedValue;     // handed back to the caller unchanged

  // Solver settings, set again at every call.
  double tolStep;
  double tolResid;
  int maxIter;
  int linSolver;           // 1: own LU; any other value: LAPACK dgesv

  double netpar[nnetpar];  // network parameters, netpar(j) at index j - 1

  // Newton work arrays.
  double resid[ncomp];
  double jac[nmatrix];
  double luMat[nmatrix];
  double rhs[ncomp];
  int pivotIndex[ncomp];
  double concStart[ncomp];
};

// The single instance shared by every routine of the library.
extern ReactionState reactionState;

// Sets tolStep, tolResid, maxIter and linSolver to their fixed defaults.
void initSettings();
// Fills netpar(1..62), forming the five product entries, and clears flushFlag.
void initNetworkParameters();
// Sets every fixedConc to 1.0 and the flushing rate of each species.
void initSpeciesTables();
// Derives flushFlag from the switch value of node nodeIndex (1-based).
void updateFlushFlag(int nodeIndex);

} // namespace vrex
