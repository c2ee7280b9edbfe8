// The per-species safeguard of the Newton iteration: a species with a
// positive concentration changes by at most 10 % of its value in one
// iteration, up or down; a species at zero or below takes the full step.
#pragma once

#include <cmath>

namespace vrex {

inline constexpr double stepLimitFraction = 0.1;

// Value of a species that starts the iteration at `start` and is offered the
// undamped Newton step `step`.
inline double limitedUpdate(double start, double step) {
  double factor = 1.0;
  if (start > 0.0 && std::fabs(step) > stepLimitFraction * start) {
    factor = std::fabs(stepLimitFraction * start / step);
  }
  return start + factor * step;
}

} // namespace vrex
