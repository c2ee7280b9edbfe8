#include "newton/RepeatDetector.h"

#include <cstring>

namespace vrex {

void RepeatDetector::start(const double *x, int n, bool flag, int iteration) {
  std::memcpy(saved_, x, sizeof(double) * static_cast<std::size_t>(n));
  savedFlag_ = flag;
  savedAt_ = iteration;
  distanceToReplace_ = 1;
}

int RepeatDetector::periodAfter(const double *x, int n, bool flag, int iteration) {
  const int distance = iteration - savedAt_;
  // Bits, not values: the iteration may treat -0 and +0 differently.
  const std::size_t bytes = sizeof(double) * static_cast<std::size_t>(n);
  if (flag == savedFlag_ && std::memcmp(saved_, x, bytes) == 0) {
    return distance;
  }
  if (distance == distanceToReplace_) {
    start(x, n, flag, iteration);
    distanceToReplace_ = 2 * distance;
  }
  return 0;
}

} // namespace vrex
