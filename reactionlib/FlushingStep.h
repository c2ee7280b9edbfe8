// The explicit flushing step: instead of solving the reaction network, each
// species that has a flushing rate moves from its start-of-step value by that
// rate times dt; all other species keep their start-of-step value.
#pragma once

namespace vrex {

// Works on reactionState; expects flushFlag to be 1.0 (switch value below
// the flushing threshold) so that the rate laws give the flushing rates.
void takeFlushingStep();

} // namespace vrex
