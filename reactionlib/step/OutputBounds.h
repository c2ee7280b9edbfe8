// The bounds every returned concentration is brought into: values at or
// beyond +/-1e30 (and NaN) are reported and replaced, and magnitudes below
// 1e-20 are raised to +/-1e-20, so a host never receives a zero, a NaN or
// an infinity.
#pragma once

namespace vrex {

// Bounds `conc`, the concentration of species speciesNumber (from 1); the
// message names the species and the node (always node 1: a call computes one
// node).
void checkOutputValue(double &conc, int speciesNumber);

} // namespace vrex
