// Right-looking elimination over the places that can hold values.
//
// luDecompose computes entry (i, j) of the factors as its matrix value minus
// the products L(i, k) U(k, j) for k = 1, 2, ... in increasing k. Step k here
// subtracts L(i, k) U(k, j) from the rows i with a multiplier that can be
// non-zero, so each entry receives its products in increasing k as well,
// and the products of one step are independent of each other. Candidates
// for the pivot of step k are final once step k - 1 is done, so the pivot is
// chosen by the dense rule on the values the dense routine compares.
//
// The factors are stored row by row, and a row's update runs over the
// contiguous columns from the first to the last that the pivot row can hold
// non-zero: the entries in between that are zero get +0 or -0 products,
// which change nothing (see the header), and the loop vectorises. Entries
// outside the places the factors can fill hold +0 and keep it.
//
// Which places can be non-zero follows the pivot rows as they are chosen: a
// factorisation that chooses the pivots itself keeps one bit mask of
// columns per row (and of rows per column), grows them by the fill of each
// step and records what it did as a plan. The next factorisation replays
// the plan without that bookkeeping, checking at every step that the dense
// rule picks the planned pivot row. From the first step where it does not,
// it goes on with the plan before, if that agrees on the steps done and has
// the dense rule's pivot row here, and otherwise chooses itself, recording
// a new plan in place of the older one.
//
// A pivot column whose candidates are all zero, or NaN for the rows without
// a non-zero value (see the header), is followed too: the dense rule then
// takes the row that stands last among the other rows left, which may hold
// no place in the column, or, when none is left, keeps the row at the
// step's position. That row's place joins the factors' places and its zero
// pivot becomes TINY. A plan records such steps and the zero rows of its
// matrix, and is replayed only on matrices with the same zero rows.
//
// A recorded plan with the pivot rows of one of the sequences the network's
// Jacobian meets most is marked as such: its replays and the substitutions
// with its factors then run the code generated for it (PlanCode.h), which
// does what the loops here do with constants in place of their lists.
#include "linalg/SparseLu.h"

#include "linalg/BitSets.h"
#include "linalg/DenseLu.h"
#include "linalg/DenseZeroSums.h"
#include "linalg/RowElimination.h"

#include <cmath>
#include <cstring>

namespace vrex {

namespace {

using bits::after;
using bits::bit;
using bits::firstOf;
using bits::highest;
using bits::lowest;

// An entry of FactorPlan::lowerEntry: the row, and a flag.
constexpr int rowBits = 0x7f;
constexpr int standsBefore = 0x80;

// Marks a value that is not finite: guard + value x 0 is NaN from then on,
// and stays +0 or -0 otherwise. Cheaper than a test and a branch per value.
void watch(double &guard, double value) { guard += value * 0.0; }

double *row(double *a, int n, int i) { return a + static_cast<long>(n) * i; }
const double *row(const double *a, int n, int i) { return a + static_cast<long>(n) * i; }

// Clears what the last factorisation filled, loads the matrix's values, and
// forms the row scales of the dense routine: 1 / the largest magnitude of
// each row, the places outside the pattern being zeros, so +infinity for a
// row without a non-zero value (work.zeroRows). Notes whether a value is -0
// (work.negativeZeros). Returns false for a value that is not finite.
bool loadValues(const SparsityPattern &pattern, const double *values, SparseLuWork &work) {
  const int n = pattern.order;
  double *factors = work.factors;
  if (work.onlyPlanFilled) {
    // A row whose fill is dense is cleared from its first filled column to
    // its last in a loop that vectorises (the places of the pattern in
    // between are loaded below, the others hold +0 already); a row with
    // little fill place by place.
    const FactorPlan &plan = work.plans[work.current];
    for (int i = 0; i < n; ++i) {
      const std::uint64_t cols = plan.fillColumns[i];
      double *rowI = row(factors, n, i);
      if ((plan.denseFillRows & bit(i)) != 0) {
        for (int c = lowest(cols), last = highest(cols); c <= last; ++c) {
          rowI[c] = 0.0;
        }
      } else {
        for (std::uint64_t rest = cols; rest != 0; rest &= rest - 1) {
          rowI[lowest(rest)] = 0.0;
        }
      }
    }
  } else {
    std::memset(factors, 0, sizeof(double) * static_cast<std::size_t>(n * n));
  }
  // Until a factorisation ends well, nothing tells what it filled.
  work.onlyPlanFilled = false;
  double *scale = work.scale;
  for (int i = 0; i < n; ++i) {
    scale[i] = 0.0;
  }
  double guard = 0.0;
  bool negativeZero = false;
  for (int j = 0; j < n; ++j) {
    double columnGuard = 0.0;
    for (int e = pattern.columnStart[j]; e < pattern.columnStart[j + 1]; ++e) {
      const int r = pattern.row[e];
      const double value = values[e];
      row(factors, n, r)[j] = value;
      watch(columnGuard, value);
      negativeZero |= isNegativeZero(value);
      const double magnitude = std::fabs(value);
      scale[r] = magnitude > scale[r] ? magnitude : scale[r];
    }
    guard += columnGuard;
  }
  // The divisions vectorise; the rare zero rows are collected apart.
  bool zeroRow = false;
  for (int i = 0; i < n; ++i) {
    zeroRow |= scale[i] == 0.0;
    scale[i] = 1.0 / scale[i];
  }
  std::uint64_t zeroRows = 0;
  for (int i = 0; zeroRow && i < n; ++i) {
    zeroRows |= std::isinf(scale[i]) ? bit(i) : 0;
  }
  work.zeroRows = zeroRows;
  work.negativeZeros = negativeZero;
  return std::isfinite(guard);
}

// Step k of the elimination with pivot row rowP: forms the multipliers of
// the given lower rows and subtracts multiplier x the pivot row from each,
// over the columns first to last. Returns the multipliers, the pivot and
// its reciprocal as a guard (see watch): U of the step is watched by the
// substitution, which uses every value of it.
double eliminate(double *factors, int n, int k, const double *rowP, int first, int last,
                 const int *lowerRows, int lowerCount) {
  // One reciprocal, then multiplications, as the dense routine forms the
  // multipliers (none after the last step); it forms them for the zeros of
  // the column too, so the reciprocal must be finite for those to stay
  // zeros.
  const double reciprocal = k + 1 < n ? 1.0 / rowP[k] : 1.0;
  double guard = 0.0;
  watch(guard, rowP[k]);
  watch(guard, reciprocal);
  const auto multiplierOf = [&](double *rowI) {
    const double multiplier = rowI[k] * reciprocal;
    rowI[k] = multiplier;
    watch(guard, multiplier);
    return multiplier;
  };
  int r = 0;
  for (; r + 2 <= lowerCount; r += 2) {
    double *rowA = row(factors, n, lowerRows[r]);
    double *rowB = row(factors, n, lowerRows[r + 1]);
    const double multiplierA = multiplierOf(rowA);
    const double multiplierB = multiplierOf(rowB);
    subtractFromTwoRows(rowA, multiplierA, rowB, multiplierB, rowP, first, last);
  }
  if (r < lowerCount) {
    double *rowI = row(factors, n, lowerRows[r]);
    subtractFromRow(rowI, multiplierOf(rowI), rowP, first, last);
  }
  return guard;
}

// Before step k eliminates with pivot row p: the entries that are final now
// (the pivot row's upper columns, the lower rows' column k) and whose
// elimination ended at -0, which only a matrix value of -0 can begin, get
// the value the dense routine gives them.
void settleNegativeZeros(double *factors, int n, int k, int pivot, std::uint64_t upperColumns,
                         const int *lowerRows, int lowerCount, const FactorPlan &plan) {
  double *rowP = row(factors, n, pivot);
  for (std::uint64_t cols = upperColumns; cols != 0; cols &= cols - 1) {
    const int c = lowest(cols);
    if (isNegativeZero(rowP[c])) {
      rowP[c] = denseEliminationZero(factors, n, pivot, c, k, plan);
    }
  }
  for (int r = 0; r < lowerCount; ++r) {
    double &value = row(factors, n, lowerRows[r])[k];
    if (isNegativeZero(value)) {
      value = denseEliminationZero(factors, n, lowerRows[r], k, k, plan);
    }
  }
}

// The first and last column of a step's upper columns; first > last when
// there are none.
void span(std::uint64_t upperColumns, int n, int &first, int &last) {
  first = upperColumns != 0 ? lowest(upperColumns) : n;
  last = upperColumns != 0 ? highest(upperColumns) : n - 1;
}

// The pivot row the dense rule takes for column k, and whether its pivot is
// an exact zero, which the dense routine replaces by TINY.
struct PivotChoice {
  int row; // -1 when a candidate is NaN for a value that is not finite
  bool zero;
};

// The dense rule among the rows not yet pivoted: the largest scaled
// candidate, and of equal ones the row that stands last in the dense
// routine's current row order. `candidates` are those of them with a place
// in column k. The candidates of rows without a non-zero value are NaN and
// never taken; those of the other rows outside the places are +0. So when
// no candidate is positive, the rule takes the row that stands last among
// the rows with a non-zero value, and when only rows without one are left,
// it takes none and keeps the row at position k.
PivotChoice choosePivotRow(const double *factors, int n, int k, std::uint64_t unpivoted,
                           std::uint64_t candidates, std::uint64_t zeroRows, const double *scale,
                           const int *position, const int *rowAt) {
  const std::uint64_t live = unpivoted & ~zeroRows;
  if (live == 0) {
    return {rowAt[k], true};
  }
  double best = 0.0;
  int pivot = -1;
  int pivotPosition = -1;
  bool notANumber = false;
  for (std::uint64_t rows = candidates & live; rows != 0; rows &= rows - 1) {
    const int r = lowest(rows);
    const double scaled = scale[r] * std::fabs(row(factors, n, r)[k]);
    notANumber |= scaled != scaled;
    if (scaled > best || (scaled == best && position[r] > pivotPosition)) {
      best = scaled;
      pivot = r;
      pivotPosition = position[r];
    }
  }
  if (notANumber) {
    return {-1, false};
  }
  if (best > 0.0) {
    return {pivot, false};
  }
  pivotPosition = -1;
  for (std::uint64_t rows = live; rows != 0; rows &= rows - 1) {
    const int r = lowest(rows);
    if (position[r] > pivotPosition) {
      pivot = r;
      pivotPosition = position[r];
    }
  }
  return {pivot, true};
}

// The fill of a step: each lower row can hold values where the pivot row
// can, and each upper column where the lower rows can.
void growMasks(std::uint64_t lowerRows, std::uint64_t upperColumns, std::uint64_t *rowColumns,
               std::uint64_t *columnRows) {
  for (std::uint64_t rows = lowerRows; rows != 0; rows &= rows - 1) {
    rowColumns[lowest(rows)] |= upperColumns;
  }
  for (std::uint64_t cols = upperColumns; cols != 0; cols &= cols - 1) {
    columnRows[lowest(cols)] |= lowerRows;
  }
}

// The plan of the generated code with the pivot rows of `plan`, or -1. The
// generated code is made for pivots that are not zero.
int plannedIndex(const FactorPlan &plan, int n, const SparseLuWork &work) {
  const PlanCodeTable *planCode = work.planCode;
  if (planCode == nullptr || plan.tinyPivots != 0) {
    return -1;
  }
  for (int p = 0; p < planCode->count; ++p) {
    const std::size_t rowBytes = sizeof(int) * static_cast<std::size_t>(n);
    if (std::memcmp(planCode->plans[p].pivotRow, plan.pivotRow, rowBytes) == 0) {
      return p;
    }
  }
  return -1;
}

// The factorisation from step `from` on, choosing the pivots itself and
// recording them in plan, whose steps before `from` have been done.
bool factorChoosingPivots(int n, int from, FactorPlan &plan, SparseLuWork &work) {
  double *factors = work.factors;
  plan.recorded = false;
  plan.planned = -1;
  plan.zeroRows = work.zeroRows;
  plan.negativeZeros = work.negativeZeros;
  plan.tinyPivots &= firstOf(from);
  // The masks and the dense routine's row order (position of each row, row
  // at each position) as the steps before `from` left them. Which places can
  // be non-zero while the pivots are chosen: those of the pattern and their
  // fill, the columns of each row and the rows of each column. Rows without
  // a non-zero value hold none unless a value is -0: their entries stay +0
  // and their multipliers are zeros with the sign of their column's pivot,
  // which is what the substitutions and denseFactors take outside the
  // places.
  const std::uint64_t emptyRows = plan.negativeZeros ? 0 : plan.zeroRows;
  std::uint64_t rowColumns[maxSystemOrder];
  std::uint64_t columnRows[maxSystemOrder];
  for (int i = 0; i < n; ++i) {
    rowColumns[i] = (emptyRows & bit(i)) != 0 ? 0 : work.patternRowColumns[i];
    columnRows[i] = work.patternColumnRows[i] & ~emptyRows;
  }
  int position[maxSystemOrder];
  int rowAt[maxSystemOrder];
  for (int i = 0; i < n; ++i) {
    position[i] = i;
    rowAt[i] = i;
  }
  std::uint64_t unpivoted = firstOf(n);
  const auto interchange = [&](int k, int pivot) {
    const int pivotPosition = position[pivot];
    const int displaced = rowAt[k];
    rowAt[pivotPosition] = displaced;
    position[displaced] = pivotPosition;
    rowAt[k] = pivot;
    position[pivot] = k;
    unpivoted &= ~bit(pivot);
  };
  for (int k = 0; k < from; ++k) {
    growMasks(plan.lowerRows[k], plan.upperColumns[k], rowColumns, columnRows);
    interchange(k, plan.pivotRow[k]);
  }

  double guard = 0.0;
  int lowerCount = plan.lowerStart[from];
  int upperCount = plan.upperStart[from];
  for (int k = from; k < n; ++k) {
    std::uint64_t candidates = columnRows[k] & unpivoted;
    const PivotChoice choice = choosePivotRow(factors, n, k, unpivoted, candidates, plan.zeroRows,
                                              work.scale, position, rowAt);
    if (choice.row < 0) {
      return false;
    }
    const int pivot = choice.row;
    if (choice.zero) {
      // The pivot's place joins the factors' places, its zero becomes TINY.
      candidates |= bit(pivot);
      rowColumns[pivot] |= bit(k);
      columnRows[k] |= bit(pivot);
      double &pivotValue = row(factors, n, pivot)[k];
      pivotValue = pivotValue == 0.0 ? TINY : pivotValue;
      plan.tinyPivots |= bit(k);
    }
    const int pivotPosition = position[pivot];
    const std::uint64_t lowerRows = candidates & ~bit(pivot);
    const std::uint64_t upperColumns = rowColumns[pivot] & after(k);
    plan.pivotRow[k] = pivot;
    plan.pivotIndex[k] = pivotPosition + 1;
    plan.lowerRows[k] = lowerRows;
    plan.upperColumns[k] = upperColumns;
    for (std::uint64_t rows = lowerRows; rows != 0; rows &= rows - 1) {
      const int r = lowest(rows);
      plan.lowerEntry[lowerCount++] =
          static_cast<std::uint8_t>(r | (position[r] < pivotPosition ? standsBefore : 0));
    }
    for (std::uint64_t cols = upperColumns; cols != 0; cols &= cols - 1) {
      plan.upperColumn[upperCount++] = static_cast<std::uint8_t>(lowest(cols));
    }
    plan.lowerStart[k + 1] = static_cast<std::uint16_t>(lowerCount);
    plan.upperStart[k + 1] = static_cast<std::uint16_t>(upperCount);
    interchange(k, pivot);
    growMasks(lowerRows, upperColumns, rowColumns, columnRows);

    int first = 0;
    int last = 0;
    span(upperColumns, n, first, last);
    int rows[maxSystemOrder];
    int rowCount = 0;
    for (std::uint64_t lower = lowerRows; lower != 0; lower &= lower - 1) {
      rows[rowCount++] = lowest(lower);
    }
    if (work.negativeZeros) {
      settleNegativeZeros(factors, n, k, pivot, upperColumns, rows, rowCount, plan);
    }
    guard += eliminate(factors, n, k, row(factors, n, pivot), first, last, rows, rowCount);
  }
  if (!std::isfinite(guard)) {
    return false;
  }
  // What the next factorisation must clear, and how: a row whose filled
  // columns take a quarter of their span or more at once.
  plan.denseFillRows = 0;
  for (int i = 0; i < n; ++i) {
    const std::uint64_t cols = rowColumns[i] & ~work.patternRowColumns[i];
    plan.fillColumns[i] = cols;
    const bool dense = cols != 0 && highest(cols) - lowest(cols) < 4 * std::popcount(cols);
    plan.denseFillRows |= dense ? bit(i) : 0;
  }
  plan.recorded = true;
  plan.planned = plannedIndex(plan, n, work);
  return true;
}

// The factorisation along a plan from step `from` on. Returns n when every
// step had the planned pivot row, else the first step that did not, or -1
// when a value is not finite.
int factorFollowingPlan(const FactorPlan &plan, int n, int from, SparseLuWork &work) {
  double *factors = work.factors;
  const double *scale = work.scale;
  double guard = 0.0;
  for (int k = from; k < n; ++k) {
    const int pivot = plan.pivotRow[k];
    double *rowP = row(factors, n, pivot);
    const std::uint8_t *lowerBegin = plan.lowerEntry + plan.lowerStart[k];
    const std::uint8_t *lowerEnd = plan.lowerEntry + plan.lowerStart[k + 1];
    if ((plan.tinyPivots & bit(k)) != 0) {
      // The plan's pivot was an exact zero: the dense rule takes the planned
      // row again, the one left last among the rows with a non-zero value
      // (or kept at its position when none is left), if no candidate is
      // positive now and its own value is zero.
      bool same = rowP[k] == 0.0;
      for (const std::uint8_t *entry = lowerBegin; entry != lowerEnd; ++entry) {
        const int r = *entry & rowBits;
        same &= !(scale[r] * std::fabs(row(factors, n, r)[k]) > 0.0);
      }
      if (!same) {
        return std::isfinite(guard) ? k : -1;
      }
      rowP[k] = TINY;
    } else {
      // The dense rule picks the planned row if its scaled candidate is
      // positive, above every other candidate, and not below one that
      // stands before it. The NaN candidates of rows without a non-zero
      // value are never taken.
      const double best = scale[pivot] * std::fabs(rowP[k]);
      bool same = best > 0.0;
      for (const std::uint8_t *entry = lowerBegin; entry != lowerEnd; ++entry) {
        const int r = *entry & rowBits;
        const double scaled = scale[r] * std::fabs(row(factors, n, r)[k]);
        same &= (*entry & standsBefore) != 0 ? !(scaled > best) : !(scaled >= best);
      }
      if (!same) {
        return std::isfinite(guard) ? k : -1;
      }
    }
    int first = 0;
    int last = 0;
    span(plan.upperColumns[k], n, first, last);
    int rows[maxSystemOrder];
    const int rowCount = static_cast<int>(lowerEnd - lowerBegin);
    for (int r = 0; r < rowCount; ++r) {
      rows[r] = lowerBegin[r] & rowBits;
    }
    if (work.negativeZeros) {
      settleNegativeZeros(factors, n, k, pivot, plan.upperColumns[k], rows, rowCount, plan);
    }
    guard += eliminate(factors, n, k, rowP, first, last, rows, rowCount);
  }
  return std::isfinite(guard) ? n : -1;
}

} // namespace

void preparePattern(const SparsityPattern &pattern, const PlanCodeTable *planCode,
                    SparseLuWork &work) {
  const int n = pattern.order;
  for (int i = 0; i < n; ++i) {
    work.patternRowColumns[i] = 0;
    work.patternColumnRows[i] = 0;
  }
  for (int j = 0; j < n; ++j) {
    for (int e = pattern.columnStart[j]; e < pattern.columnStart[j + 1]; ++e) {
      const int r = pattern.row[e];
      work.patternRowColumns[r] |= bit(j);
      work.patternColumnRows[j] |= bit(r);
    }
  }
  work.onlyPlanFilled = false;
  const bool madeForPattern =
      planCode != nullptr && n == planCode->order &&
      std::memcmp(work.patternRowColumns, planCode->patternRowColumns,
                  sizeof(std::uint64_t) * static_cast<std::size_t>(n)) == 0;
  work.planCode = madeForPattern ? planCode : nullptr;
  work.plannedUses = 0;
  work.plannedLeft = 0;
  work.zeroRows = 0;
  work.negativeZeros = false;
  for (FactorPlan &plan : work.plans) {
    plan.recorded = false;
    plan.planned = -1;
    plan.negativeZeros = false;
    plan.zeroRows = 0;
    plan.tinyPivots = 0;
    plan.lowerStart[0] = 0;
    plan.upperStart[0] = 0;
  }
  work.current = 0;
  work.replays = 0;
}

namespace {

// Whether two plans chose the same pivot rows in the steps before k.
bool sameSteps(const FactorPlan &a, const FactorPlan &b, int k) {
  return std::memcmp(a.pivotRow, b.pivotRow, sizeof(int) * static_cast<std::size_t>(k)) == 0;
}

// Copies the steps before k of plan `from` into plan `to`.
void copySteps(const FactorPlan &from, int k, FactorPlan &to) {
  const std::size_t steps = static_cast<std::size_t>(k);
  to.planned = -1;
  to.zeroRows = from.zeroRows;
  to.negativeZeros = from.negativeZeros;
  to.tinyPivots = from.tinyPivots & firstOf(k);
  std::memcpy(to.pivotRow, from.pivotRow, sizeof(int) * steps);
  std::memcpy(to.pivotIndex, from.pivotIndex, sizeof(int) * steps);
  std::memcpy(to.lowerRows, from.lowerRows, sizeof(std::uint64_t) * steps);
  std::memcpy(to.upperColumns, from.upperColumns, sizeof(std::uint64_t) * steps);
  std::memcpy(to.lowerStart, from.lowerStart, sizeof(std::uint16_t) * (steps + 1));
  std::memcpy(to.upperStart, from.upperStart, sizeof(std::uint16_t) * (steps + 1));
  std::memcpy(to.lowerEntry, from.lowerEntry, from.lowerStart[k]);
  std::memcpy(to.upperColumn, from.upperColumn, from.upperStart[k]);
}

// factorFollowingPlan, by the plan's generated code where it has some and
// the matrix holds no -0; counts the factorisations that leave such a plan
// mid-way.
int replayPlan(const FactorPlan &plan, int n, int from, SparseLuWork &work) {
  const bool generated = plan.planned >= 0 && !work.negativeZeros;
  const int followed =
      generated ? work.planCode->plans[plan.planned].factor(work.factors, work.scale, from)
                : factorFollowingPlan(plan, n, from, work);
  if (generated && followed >= 0 && followed < n) {
    ++work.plannedLeft;
  }
  return followed;
}

} // namespace

bool sparseLuDecompose(const SparsityPattern &pattern, const double *values, int *pivotIndex,
                       SparseLuWork &work) {
  const int n = pattern.order;
  if (!loadValues(pattern, values, work)) {
    return false;
  }
  // The plan of the last factorisation, then the one before it, each made
  // for a matrix with the same rows without a non-zero value; a new plan
  // takes the place of the one before. Whenever the factorisation leaves
  // the plans, the one before holds the steps done.
  const int last = work.current;
  const int older = 1 - last;
  const auto replayable = [&](int p) {
    const FactorPlan &plan = work.plans[p];
    return plan.recorded && plan.zeroRows == work.zeroRows &&
           (work.zeroRows == 0 || plan.negativeZeros == work.negativeZeros);
  };
  int followed = 0;
  int used = older;
  if (replayable(last)) {
    used = last;
    followed = replayPlan(work.plans[last], n, 0, work);
    const bool diverged = followed >= 0 && followed < n;
    if (diverged && replayable(older) &&
        sameSteps(work.plans[older], work.plans[last], followed)) {
      used = older;
      followed = replayPlan(work.plans[older], n, followed, work);
    } else if (diverged) {
      copySteps(work.plans[last], followed, work.plans[older]);
    }
  } else if (replayable(older)) {
    followed = replayPlan(work.plans[older], n, 0, work);
  }
  if (followed < 0) {
    return false;
  }
  if (followed == n) {
    ++work.replays;
    work.current = used;
  } else {
    // The older plan holds the steps done so far.
    work.current = older;
    if (!factorChoosingPivots(n, followed, work.plans[older], work)) {
      return false;
    }
  }
  work.onlyPlanFilled = true;
  work.plannedUses += work.plans[work.current].planned >= 0 ? 1 : 0;
  std::memcpy(pivotIndex, work.plans[work.current].pivotIndex,
              sizeof(int) * static_cast<std::size_t>(n));
  return true;
}

bool sparseLuSolve(int n, const double *b, double *x, SparseLuWork &work) {
  const double *factors = work.factors;
  const FactorPlan &plan = work.plans[work.current];
  if (plan.planned >= 0) {
    return work.planCode->plans[plan.planned].solve(factors, b, x, work.forward, plan);
  }
  double *y = work.forward;
  for (int i = 0; i < n; ++i) {
    y[i] = b[i];
  }
  // As the dense routine does, rows before the first non-zero element of the
  // right-hand side in pivot order form no products (a NaN counts as
  // non-zero).
  int first = 0;
  while (first < n && !(y[plan.pivotRow[first]] != 0.0)) {
    ++first;
  }
  double guard = 0.0;
  // Forward substitution: when step k is reached, the element of its pivot
  // row has all its products; it is then subtracted from the rows below.
  for (int k = first; k < n; ++k) {
    const int p = plan.pivotRow[k];
    if (isNegativeZero(y[p])) {
      y[p] = denseForwardZero(factors, n, first, k, y, plan);
    }
    const double yk = y[p];
    watch(guard, yk);
    for (int e = plan.lowerStart[k]; e < plan.lowerStart[k + 1]; ++e) {
      const int i = plan.lowerEntry[e] & rowBits;
      y[i] -= row(factors, n, i)[k] * yk;
    }
  }
  // Back substitution, each sum in increasing column order.
  for (int k = n - 1; k >= 0; --k) {
    const int p = plan.pivotRow[k];
    const double *rowP = row(factors, n, p);
    double sum = y[p];
    for (int e = plan.upperStart[k]; e < plan.upperStart[k + 1]; ++e) {
      const int c = plan.upperColumn[e];
      sum -= rowP[c] * x[c];
    }
    if (isNegativeZero(sum)) {
      sum = denseDifferenceZero(firstOf(n) & after(k), plan.upperColumns[k], x);
    }
    x[k] = sum / rowP[k];
    watch(guard, x[k]);
  }
  return std::isfinite(guard);
}

bool sparseLuImprove(const SparsityPattern &pattern, const double *values, const double *b,
                     double *x, SparseLuWork &work) {
  const int n = pattern.order;
  // A x - b, each element accumulated from -b(i) in increasing column order.
  double *r = work.residual;
  if (work.planCode != nullptr) {
    work.planCode->residual(values, b, x, r);
  } else {
    for (int i = 0; i < n; ++i) {
      r[i] = -b[i];
    }
    for (int j = 0; j < n; ++j) {
      const double xj = x[j];
      for (int e = pattern.columnStart[j]; e < pattern.columnStart[j + 1]; ++e) {
        r[pattern.row[e]] += values[e] * xj;
      }
    }
  }
  double guard = 0.0;
  for (int i = 0; i < n; ++i) {
    if (isNegativeZero(r[i])) {
      r[i] = denseSumZero(firstOf(n), work.patternRowColumns[i], x);
    }
    watch(guard, r[i]);
  }
  double correction[maxSystemOrder];
  const bool solved = sparseLuSolve(n, r, correction, work);
  for (int i = 0; i < n; ++i) {
    x[i] -= correction[i];
    watch(guard, x[i]);
  }
  return solved && std::isfinite(guard);
}

double *lendFactorStorage(SparseLuWork &work) {
  work.onlyPlanFilled = false;
  return work.factors;
}

void denseFactors(int n, const SparseLuWork &work, double *dense) {
  const FactorPlan &plan = work.plans[work.current];
  for (int c = 0; c < n; ++c) {
    double *out = dense + static_cast<long>(n) * c;
    // U, with +0 outside the places of the factors, where the dense routine
    // subtracts zero products from +0.
    for (int q = 0; q <= c; ++q) {
      out[q] = row(work.factors, n, plan.pivotRow[q])[c];
    }
    if (c + 1 == n) {
      continue;
    }
    // Multipliers outside those places: the dense routine's zero times the
    // reciprocal of the pivot, a zero with the pivot's sign.
    const double reciprocal = 1.0 / out[c];
    for (int q = c + 1; q < n; ++q) {
      const int r = plan.pivotRow[q];
      out[q] = (plan.lowerRows[c] & bit(r)) != 0 ? row(work.factors, n, r)[c] : 0.0 * reciprocal;
    }
  }
}

} // namespace vrex
