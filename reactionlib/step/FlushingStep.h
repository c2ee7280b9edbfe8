// The explicit flushing step: instead of solving the reaction network, each
// species that has a flushing rate moves from its start-of-step value by that
// rate times dt; all other species keep their start-of-step value.
#pragma once

#include "network/NodeStep.h"

namespace vrex {

// Sets step.conc from step.concOld; flushRateIndex[i] names the rate (from 1)
// that moves species i + 1, 0 for none. Expects step.flushFlag to be 1.0, so
// that the rate laws give the flushing rates. Leaves in `rates` the rates at
// the start-of-step concentrations.
void takeFlushingStep(NodeStep &step, const double *netpar, const double *flushRateIndex,
                      double *rates);

} // namespace vrex
