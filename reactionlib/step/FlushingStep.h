// The explicit flushing step: instead of solving the reaction network, each
// species that has a flushing law moves from its start-of-step value by its
// flushing rate times dt; all other species keep their start-of-step value.
#pragma once

#include "network/NodeStep.h"

namespace vrex {

// Sets step.conc from step.concOld. Expects step.flushFlag to be 1.0, so
// that the rate laws give the flushing rates. Leaves in `rates` the rates at
// the start-of-step concentrations.
void takeFlushingStep(NodeStep &step, const double *netpar, double *rates);

} // namespace vrex
