// What one factorisation of the structure-following LU (SparseLu.h) did,
// step by step, for the substitutions with its factors and for the next
// factorisation to replay.
#pragma once

#include "linalg/MatrixOrder.h"

#include <cstdint>

namespace vrex {

// One bit per row or column.
static_assert(maxSystemOrder <= 64, "the rows and columns of a matrix must fit one 64-bit word");
// Rows fit in seven bits of a byte.
static_assert(maxSystemOrder < 128);

// What one factorisation did, step by step: the pivot row of each step, the
// rows that got a multiplier and the columns right of the pivot in its row
// that can be non-zero. The substitutions follow it, and the next
// factorisation replays it while the dense rule keeps choosing the same
// pivot rows: consecutive Newton iterations mostly do, or go back to the
// pivot rows of the iteration before.
struct FactorPlan {
  static constexpr int maxEntries = maxSystemOrder * (maxSystemOrder + 1) / 2;

  bool recorded;
  // Whether the matrix it was made for held a value of -0.
  bool negativeZeros;
  // The plan of the generated code (PlanCode.h) with these pivot rows,
  // which then replays it and solves with its factors, or -1.
  int planned;
  // The rows without a non-zero value in the matrix the plan was made for;
  // a plan is replayed only on matrices with the same such rows (and, if
  // there are any, with -0 as it had it or not). The steps whose pivot was
  // an exact zero, replaced by TINY.
  std::uint64_t zeroRows;
  std::uint64_t tinyPivots;
  int pivotRow[maxSystemOrder];
  int pivotIndex[maxSystemOrder]; // as luDecompose records it
  // As bit masks, and as lists: the lists of step k run from start[k] to
  // start[k + 1] - 1.
  std::uint64_t lowerRows[maxSystemOrder];
  std::uint64_t upperColumns[maxSystemOrder];
  // The rows with a multiplier are also the other candidates of the step's
  // pivot search: each entry is the row, with the top bit set when the row
  // stands before the pivot row in the dense routine's row order (so that
  // an equal candidate loses to the pivot row).
  std::uint16_t lowerStart[maxSystemOrder + 1];
  std::uint8_t lowerEntry[maxEntries];
  std::uint16_t upperStart[maxSystemOrder + 1];
  std::uint8_t upperColumn[maxEntries];
  // Places outside the matrix's pattern that the factors fill: the columns
  // of each row, and the rows whose filled columns are dense enough to be
  // cleared as one span.
  std::uint64_t fillColumns[maxSystemOrder];
  std::uint64_t denseFillRows;
};

} // namespace vrex
