// Sizes of the reaction network, fixed when the library is built.
//
// Indexing: the chemistry numbers species 1..39 and rates 1..54. Arrays are
// plain C arrays counted from 0, so species i lives at index i - 1. Dense
// matrices are stored column by column with leading dimension ncomp: entry
// (i, j), counted from 1, is element ncomp * (j - 1) + (i - 1).
#pragma once

namespace vrex {

inline constexpr int ncomp = 39;   // species (unknowns of the step)
inline constexpr int nrates = 54;  // entries of the rate vector
inline constexpr int nnetpar = 62; // network parameters
inline constexpr int nmatrix = ncomp * ncomp;

} // namespace vrex
