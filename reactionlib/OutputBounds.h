// The bounds every returned concentration is brought into: values at or
// beyond +/-1e30 (and NaN) are reported and replaced, and magnitudes below
// 1e-20 are raised to +/-1e-20, so a host never receives a zero, a NaN or
// an infinity.
#pragma once

namespace vrex {

// Bounds conc(speciesNumber) of reactionState; speciesNumber counts from 1.
void checkOutputValue(int speciesNumber, int nodeIndex);

} // namespace vrex
