// The two exported entry points of the reaction library and the per-call
// driver behind invokevrex.
//
// A call is self-contained: it fills a ReactionState of its own with the
// values of its arguments, runs the reactive (Newton) or the flushing step
// with the settings and parameters fixed in the build, bounds and returns the
// result, and on request writes the rates record. Only the rates file
// outlives it.
//
// The record lives in the call's automatic storage (vrex.h states the stack
// a call needs), not in thread-local storage: a thread_local object of a
// library loaded with dlopen is allocated by the C library with malloc on
// each thread's first call and reached through a lookup. On the stack each
// call, on whatever thread, has its own record without either; calls on
// several threads at once never share a value, and the library is
// re-entrant.
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

void writeRatesRecord(double switchValue, double recordTag1, double recordTag2,
                      const double *rates, bool startNewFile) {
  char line[ratesRecordLength(nrates) + 1];
  const int length = formatRatesRecord(switchValue, recordTag1, recordTag2, rates, nrates, line);
  line[length] = '\n';
  appendRatesLine(line, static_cast<std::size_t>(length) + 1, startNewFile);
}

// The node step of a call on a record of its own: the reactive (Newton) or
// the flushing step the switch value selects, every concentration bounded
// and copied to concOut, and, when `rates` is not null, the rates of the
// final concentrations for the rates record. Returns the step's status.
// Out of line, so that the record, most of the stack a call needs, is given
// back before the rates record is formatted and written.
[[gnu::noinline]] int takeNodeStep(const double *concIn, const double *concGuess, double *concOut,
                                   const int *fixFlags, double timeStep, double switchValue,
                                   double *rates) {
  ReactionState s;
  prepareNodeStep(s, concIn, concGuess, fixFlags, timeStep, switchValue);
  int status = flushingStepStatus;
  if (s.step.flushFlag == 0.0) {
    status = static_cast<int>(newtonSolve(s.step, s.held, s.work, nodeStepSettings).status);
  } else {
    takeFlushingStep(s.step, network::netpar.data(), s.rates);
  }
  for (int i = 0; i < ncomp; ++i) {
    checkOutputValue(s.step.conc[i], i + 1);
    concOut[i] = s.step.conc[i];
  }
  if (rates != nullptr) {
    evalRates(s.step.conc, network::netpar.data(), s.step.flushFlag, rates);
  }
  return status;
}

// The driver of invokevrex. Kept out of line, so that none of its arithmetic
// can be moved across the change of floating-point environment around it.
[[gnu::noinline]] void
computeStep(const double *concIn, const double *concGuess, double *concOut, const int *nSpecies,
            const double *timeStep, const int *fixFlags, int *status, const double *switchValue,
            const double *recordTag1, const double *recordTag2, double *carriedValue) {
  const RatesFileMode ratesMode = ratesFileMode(*status);
  const double switchAtEntry = *switchValue;
  const double tag1 = *recordTag1;
  const double tag2 = *recordTag2;
  *status = flushingStepStatus;
  const double carried = *carriedValue;

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

  double rates[nrates];
  const bool record = ratesMode != RatesFileMode::none;
  *status = takeNodeStep(concIn, concGuess, concOut, fixFlags, *timeStep, switchAtEntry,
                         record ? rates : nullptr);
  *carriedValue = carried;
  if (record) {
    writeRatesRecord(switchAtEntry, tag1, tag2, rates, ratesMode == RatesFileMode::startNew);
  }
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
