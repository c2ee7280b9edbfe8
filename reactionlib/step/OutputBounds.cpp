#include "step/OutputBounds.h"

#include "host/ConsoleLine.h"

#include <cmath>

namespace vrex {

namespace {
constexpr double largestMagnitude = 1e30;
constexpr double smallestMagnitude = 1e-20;
constexpr int nodeNumber = 1;
} // namespace

void checkOutputValue(double &slot, int speciesNumber) {
  double value = slot;
  // Written so that NaN fails the test as well.
  if (!(value > -largestMagnitude && value < largestMagnitude)) {
    ConsoleLine()
        .text("out of bounds...reset to +/-1e30")
        .integer(speciesNumber)
        .integer(nodeNumber)
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
