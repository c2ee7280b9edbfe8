// Node states for the solver, driver and benchmark runs.
//
// The dissolved species 1 to 20 and species 39 start from the inflow
// composition that the flushing laws pull towards (target a_i over the
// common coefficient b); the immobile exchange partners start in balance with
// their dissolved species, the biomass species small, the minerals present.
// A seed varies every species by a random factor, so that a set of states
// spreads over the range a simulation meets.
#pragma once

#include "step/ReactionState.h"

#include <cstdint>

namespace vrex::test {

// Flushing targets a_1 .. a_20 of the rate laws and their common
// coefficient b and rate factor lambda: species i is pulled towards a_i / b.
extern const double flushingTargets[20];
inline constexpr double flushingCoefficient = 8.333332246479586e-09;
inline constexpr double flushingRateFactor = 337729.3125;

// Time step of the plausible runs, in the network's time unit (seconds).
inline constexpr double plausibleTimeStep = 3600.0;

// Start-of-step concentrations of species 1..39 (at index i - 1). Seed 0
// gives the unvaried state; other seeds multiply each species by a factor
// between 1/spread and spread.
void plausibleState(double *conc, std::uint64_t seed = 0, double spread = 3.0);

// A state as a simulation meets it at the start of a reaction step: the
// plausible state of `seed` taken through three reactive steps towards
// equilibrium, then species 1 to 20 mixed with the inflow composition by a
// random fraction each, as a transport step between reaction steps would.
// Newton needs a few dozen iterations from such a state.
void realisticState(double *conc, std::uint64_t seed);

// prepareNodeStep for a reactive step from `start` (also the starting
// estimate) over `dt`, every species solved for.
void prepareReactiveStep(ReactionState &state, const double *start, double dt);

// Species 39 stalled: its estimate the smallest subnormal, its start-of-step
// value -1. Its step of about -1 never passes the convergence tests, yet
// 10 % of its value rounds to zero, so it cannot move: the call runs to the
// iteration limit, while the other species of a realistic state settle into
// rounding cycles that repeat bit for bit.
void stallLastSpecies(ReactionState &state);

} // namespace vrex::test
