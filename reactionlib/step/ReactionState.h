// The record of one call of the reaction library.
//
// The driver fills it from the caller's arguments, hands its pieces to the
// network routines and the Newton iteration, and copies the result out
// again. Each call has a record of its own, so no value of one call
// influences the next, and calls on several threads at once never share one.
// The settings and the network's parameters are no part of it: they are
// constants of the build (nodeStepSettings in ReactiveStep.h, network::netpar).
//
// Indexing: see network/NetworkSizes.h.
#pragma once

#include "network/NetworkSizes.h"
#include "network/NodeStep.h"
#include "newton/NewtonWork.h"

namespace vrex {

struct ReactionState {
  NodeStep step;      // conc, concOld, dt and flushFlag
  HeldUnknowns held;  // solveMode and fixedConc of every species

  double rates[nrates]; // rate vector, written by evalRates only

  double switchValue; // selects the flushing step below the threshold

  NewtonWork work; // the Newton iteration's work arrays
};

// Makes `state` the node step of one call, as invokevrex does before it
// takes the step: the starting estimate concGuess and the start-of-step
// concentrations concIn, each raised to at least 1e-20 (a NaN passes
// unchanged); each species whose fixFlags entry is nonzero held at its concIn
// value as given, not raised, the others solved for; the time step dt; the
// switch value and the regime it selects (updateFlushFlag). The arrays hold
// ncomp entries.
void prepareNodeStep(ReactionState &state, const double *concIn, const double *concGuess,
                     const int *fixFlags, double dt, double switchValue);

// Derives flushFlag from switchValue: 1.0 (the flushing step) below the
// threshold 0.002, 0.0 otherwise, NaN included.
void updateFlushFlag(ReactionState &state);

} // namespace vrex
