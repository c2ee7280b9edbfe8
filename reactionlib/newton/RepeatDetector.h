// Recognises when the states of an iteration start to repeat, in constant
// memory (Brent's method): one saved state, compared with every later one
// and replaced by the current state whenever the distance to it reaches the
// next power of two. Once the saved state lies in the repeating part and the
// power of two is at least the period, the next repeat of the saved state is
// recognised; that is within about twice the longer of the lead-in and the
// period.
//
// The state is the n unknowns and the iteration's sticky flag.
#pragma once

#include "linalg/MatrixOrder.h"

namespace vrex {

class RepeatDetector {
public:
  // Saves the state reached after iteration `iteration`.
  void start(const double *x, int n, bool flag, int iteration);
  // The state reached after iteration `iteration` (a later one than the
  // saved state's): the number of iterations since the saved state if it is
  // the same bit for bit, otherwise 0.
  int periodAfter(const double *x, int n, bool flag, int iteration);

private:
  double saved_[maxSystemOrder];
  bool savedFlag_ = false;
  int savedAt_ = 0;
  int distanceToReplace_ = 1;
};

} // namespace vrex
