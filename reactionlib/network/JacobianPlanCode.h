// LU code generated for the pivot sequences that the network's Jacobian
// meets most (recorded_pivots.txt), at its pattern jacobianPattern: the
// structure-following LU runs it where its plans have those pivot rows.
#pragma once

#include "linalg/PlanCode.h"

namespace vrex {

extern const PlanCodeTable jacobianPlanCode;

} // namespace vrex
