#include "OutputBounds.h"

#include "ConsoleLine.h"
#include "ReactionState.h"

#include <cmath>

namespace vrex {

namespace {
constexpr double largestMagnitude = 1e30;
constexpr double smallestMagnitude = 1e-20;
} // namespace

void checkOutputValue(int speciesNumber, int nodeIndex) {
  double &slot = reactionState.conc[speciesNumber - 1];
  double value = slot;
  // Written so that NaN fails the test as well.
  if (!(value > -largestMagnitude && value < largestMagnitude)) {
    ConsoleLine()
        .text("out of bounds...reset to +/-1e30")
        .integer(speciesNumber)
        .integer(nodeIndex)
        .real(value)
        .write();
    if (value > 0.0) {
      value = largestMagnitude;
    } else if (value < 0.0) {
      value = -largestMagnitude;
    } else {
      value = 0.0; // NaN
    }
    slot = value;
  }
  // Exact zeros, including a replaced NaN, become +1e-20.
  if (std::fabs(value) < smallestMagnitude) {
    slot = value < 0.0 ? -smallestMagnitude : smallestMagnitude;
  }
}

} // namespace vrex
