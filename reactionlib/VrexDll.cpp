// The two exported entry points of the reaction library and the per-call
// driver behind invokevrex.
//
// A call is self-contained: it fills a ReactionState of its own with the
// values of its arguments, runs the reactive (Newton) or the flushing step
// with the settings and parameters fixed in the build, bounds and returns the
// result, and on request writes the rates record. Only the rates file
// outlives it.
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
#include "host/RatesFile.h"
#include "host/RatesRecord.h"
#include "network/Network.h"
#include "network/NetworkConstants.h"
#include "step/FlushingStep.h"
#include "step/OutputBounds.h"
#include "step/ReactionState.h"
#include "step/ReactiveStep.h"

namespace {

using namespace vrex;

// Status codes of invokevrex besides those of the Newton iteration
// (NewtonStatus, 0 to 3).
constexpr int flushingStepStatus = -1;
constexpr int wrongSpeciesCountStatus = 111;

// What the status argument asks for on entry.
enum class RatesFileMode {
  none,     // 0 or more: no rates record
  startNew, // -1: the file anew, this call's record its first line
  append,   // below -1: this call's record appended
};

RatesFileMode ratesFileMode(int status) {
  if (status >= 0) {
    return RatesFileMode::none;
  }
  return status == -1 ? RatesFileMode::startNew : RatesFileMode::append;
}

// Out of line, so that the record's line takes stack only while it is
// written, when the Newton iteration's frames are gone.
[[gnu::noinline]] void writeRatesRecord(const ReactionState &s, bool startNewFile) {
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
  const RatesFileMode ratesMode = ratesFileMode(*status);
  s.switchValue = *switchValue;
  s.recordTag1 = *recordTag1;
  s.recordTag2 = *recordTag2;
  *status = flushingStepStatus;
  s.carriedValue = *carriedValue;

  if (*nSpecies != ncomp) {
    ConsoleLine()
        .text("In VrexDll: Number of species mismatch! Expected ")
        .integer(ncomp)
        .text(" but received ")
        .integer(*nSpecies)
        .text(" species!")
        .write();
    *status = wrongSpeciesCountStatus;
    return;
  }

  prepareNodeStep(s, concIn, concGuess, fixFlags, *timeStep, s.switchValue);
  if (s.step.flushFlag == 0.0) {
    const NewtonOutcome outcome = newtonSolve(s.step, s.held, s.work, nodeStepSettings);
    *status = static_cast<int>(outcome.status);
  } else {
    takeFlushingStep(s.step, network::netpar.data(), s.rates);
  }

  for (int i = 0; i < ncomp; ++i) {
    checkOutputValue(s.step.conc[i], i + 1);
    concOut[i] = s.step.conc[i];
  }
  *carriedValue = s.carriedValue;

  if (ratesMode == RatesFileMode::none) {
    return;
  }
  // Rates of the final concentrations for the record.
  evalRates(s.step.conc, network::netpar.data(), s.step.flushFlag, s.rates);
  writeRatesRecord(s, ratesMode == RatesFileMode::startNew);
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
