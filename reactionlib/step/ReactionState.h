// The record of one call of the reaction library.
//
// The driver copies the caller's values in, hands its pieces to the network
// routines and the Newton solver, and copies the result out again. Each call
// has a record of its own, so no value of one call influences the next, and
// calls on several threads at once never share one.
//
// Indexing: see network/NetworkSizes.h.
#pragma once

#include "network/NetworkSizes.h"
#include "network/NodeStep.h"
#include "newton/NewtonSettings.h"
#include "newton/NewtonWork.h"

namespace vrex {

struct ReactionState {
  NodeStep step;                // conc, concOld, dt and flushFlag
  HeldUnknowns held;             // solveMode and fixedConc of every species
  double flushRateIndex[ncomp]; // rate moving species i in the flushing step, 0 for none

  double rates[nrates]; // rate vector, written by evalRates only

  double switchValue;  // selects the flushing step below the threshold
  double recordTag1;   // labels of the rates record
  double recordTag2;
  double carriedValue; // handed back to the caller unchanged

  NewtonSettings settings; // fixed defaults, set again at every call

  double netpar[nnetpar]; // network parameters, netpar(j) at index j - 1

  NewtonWork work; // the Newton solver's work arrays
};

// Sets tolStep, tolResid, maxIter and linSolver to their fixed defaults.
void initSettings(ReactionState &state);
// Fills netpar(1..62), forming the five product entries, and clears flushFlag.
void initNetworkParameters(ReactionState &state);
// Sets every fixedConc to 1.0 and the flushing rate of each species.
void initSpeciesTables(ReactionState &state);
// Derives flushFlag from switchValue.
void updateFlushFlag(ReactionState &state);

} // namespace vrex
