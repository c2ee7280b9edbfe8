// The two exported entry points of the reaction library and the per-call
// driver behind invokevrex.
//
// A call is self-contained: it re-initialises the settings and constants of
// the one ReactionState, takes every per-call value from its arguments, runs
// the reactive (Newton) or the flushing step, bounds and returns the result,
// and on request writes the rates record. Only the rates file outlives it.
#include "vrex.h"

#include "ConsoleLine.h"
#include "FlushingStep.h"
#include "OutputBounds.h"
#include "RatesFile.h"
#include "ReactionState.h"
#include "network/Network.h"
#include "solver/NewtonSolver.h"

namespace {

using namespace vrex;

// Concentrations are never handed to the chemistry below this value; a NaN
// is not below it and passes unchanged.
double atLeastFloor(double value) { return value < 1e-20 ? 1e-20 : value; }

void copyInConcentrations(const double *concIn, const double *concGuess, const int *fixFlags) {
  ReactionState &s = reactionState;
  for (int i = 0; i < ncomp; ++i) {
    s.conc[i] = atLeastFloor(concGuess[i]);
    s.concOld[i] = atLeastFloor(concIn[i]);
    if (fixFlags[i] != 0) {
      // Held at the caller's value as given, not raised.
      s.fixedConc[i] = concIn[i];
      s.solveMode[i] = 0;
    } else {
      s.solveMode[i] = 5;
    }
  }
}

} // namespace

extern "C" __attribute__((visibility("default"))) void
invokevrex(const double *concIn, const double *concGuess, double *concOut, const int *nSpecies,
           const double *timeStep, const int *fixFlags, int *status, const double *switchValue,
           const double *recordTag1, const double *recordTag2, double *carriedValue) {
  ReactionState &s = reactionState;
  const int ratesMode = *status;
  s.switchValue = *switchValue;
  s.recordTag1 = *recordTag1;
  s.recordTag2 = *recordTag2;
  *status = -1;

  initSettings();
  initNetworkParameters();
  initSpeciesTables();
  s.carriedValue = *carriedValue;

  if (*nSpecies != ncomp) {
    ConsoleLine()
        .text("In VrexDll: Number of species mismatch! Expected ")
        .integer(ncomp)
        .text(" but received ")
        .integer(*nSpecies)
        .text(" species!")
        .write();
    *status = 111;
    return;
  }

  s.dt = *timeStep;
  copyInConcentrations(concIn, concGuess, fixFlags);
  s.nodeSwitch[0] = *switchValue;
  updateFlushFlag(1);

  if (s.flushFlag == 0.0) {
    // The solver writes its result code straight into the caller's status.
    newtonSolve(1, *status, s.tolResid, s.tolStep, s.maxIter, s.linSolver);
  } else {
    takeFlushingStep();
  }

  for (int i = 1; i <= ncomp; ++i) {
    checkOutputValue(i, 1);
    concOut[i - 1] = s.conc[i - 1];
  }
  *carriedValue = s.carriedValue;

  if (ratesMode >= 0) {
    return;
  }
  // Rates of the final concentrations for the record.
  s.nodeSwitch[0] = *switchValue;
  evalRates(1);
  writeRatesRecord(ratesMode == -1);
}

extern "C" __attribute__((visibility("default"))) void vrexIsAlive(void) {
  ConsoleLine().text("VREX is Alive!").write();
}
