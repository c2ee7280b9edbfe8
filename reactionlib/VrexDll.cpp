// The two exported entry points of the reaction library and the per-call
// driver behind invokevrex.
//
// A call is self-contained: it fills a ReactionState of its own with the
// settings, the constants and the values of its arguments, runs the reactive
// (Newton) or the flushing step, bounds and returns the result, and on
// request writes the rates record. Only the rates file outlives it.
//
// The record lives in the call's automatic storage (about 65 KB of stack),
// not in thread-local storage: a thread_local object of a library loaded with
// dlopen is allocated by the C library with malloc on each thread's first
// call and reached through a lookup. On the stack each call, on whatever
// thread, has its own record without either; calls on several threads at once
// never share a value, and the library is re-entrant.
#include "vrex.h"

#include "host/ConsoleLine.h"
#include "host/FloatingPointEnvironment.h"
#include "step/FlushingStep.h"
#include "step/OutputBounds.h"
#include "host/RatesFile.h"
#include "host/RatesRecord.h"
#include "step/ReactionState.h"
#include "network/Network.h"
#include "step/ReactiveStep.h"

namespace {

using namespace vrex;

// Concentrations are never handed to the chemistry below this value; a NaN
// is not below it and passes unchanged.
double atLeastFloor(double value) { return value < 1e-20 ? 1e-20 : value; }

void copyInConcentrations(ReactionState &s, const double *concIn, const double *concGuess,
                          const int *fixFlags) {
  for (int i = 0; i < ncomp; ++i) {
    s.step.conc[i] = atLeastFloor(concGuess[i]);
    s.step.concOld[i] = atLeastFloor(concIn[i]);
    if (fixFlags[i] != 0) {
      // Held at the caller's value as given, not raised.
      s.held.fixedConc[i] = concIn[i];
      s.held.solveMode[i] = SolveMode::held;
    } else {
      s.held.solveMode[i] = SolveMode::solved;
    }
  }
}

void writeRatesRecord(const ReactionState &s, bool startNewFile) {
  char line[ratesRecordLength(nrates) + 1];
  const int length =
      formatRatesRecord(s.switchValue, s.recordTag1, s.recordTag2, s.rates, nrates, line);
  line[length] = '\n';
  appendRatesLine(line, static_cast<std::size_t>(length) + 1, startNewFile);
}

// The driver of invokevrex. Kept out of line, so that none of its arithmetic
// can be moved across the change of floating-point environment around it.
[[gnu::noinline]] void
computeStep(const double *concIn, const double *concGuess, double *concOut, const int *nSpecies,
            const double *timeStep, const int *fixFlags, int *status, const double *switchValue,
            const double *recordTag1, const double *recordTag2, double *carriedValue) {
  ReactionState s;
  const int ratesMode = *status;
  s.switchValue = *switchValue;
  s.recordTag1 = *recordTag1;
  s.recordTag2 = *recordTag2;
  *status = -1;

  initSettings(s);
  initNetworkParameters(s);
  initSpeciesTables(s);
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

  s.step.dt = *timeStep;
  copyInConcentrations(s, concIn, concGuess, fixFlags);
  updateFlushFlag(s);

  if (s.step.flushFlag == 0.0) {
    *status = static_cast<int>(newtonSolve(s.step, s.netpar, s.held, s.settings, s.work).status);
  } else {
    takeFlushingStep(s.step, s.netpar, s.flushRateIndex, s.rates);
  }

  for (int i = 0; i < ncomp; ++i) {
    checkOutputValue(s.step.conc[i], i + 1);
    concOut[i] = s.step.conc[i];
  }
  *carriedValue = s.carriedValue;

  if (ratesMode >= 0) {
    return;
  }
  // Rates of the final concentrations for the record.
  evalRates(s.step.conc, s.netpar, s.step.flushFlag, s.rates);
  writeRatesRecord(s, ratesMode == -1);
}

} // namespace

extern "C" __attribute__((visibility("default"))) void
invokevrex(const double *concIn, const double *concGuess, double *concOut, const int *nSpecies,
           const double *timeStep, const int *fixFlags, int *status, const double *switchValue,
           const double *recordTag1, const double *recordTag2, double *carriedValue) {
  const DefaultFloatingPointEnvironment environment;
  computeStep(concIn, concGuess, concOut, nSpecies, timeStep, fixFlags, status, switchValue,
              recordTag1, recordTag2, carriedValue);
}

extern "C" __attribute__((visibility("default"))) void vrexIsAlive(void) {
  const DefaultFloatingPointEnvironment environment;
  ConsoleLine().text("VREX is Alive!").write();
}
