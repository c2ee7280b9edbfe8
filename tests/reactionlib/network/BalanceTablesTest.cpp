// The weight and coefficient tables of the balance rows checked against the
// stoichiometry they are derived from. A transcription slip in a table breaks
// one of these identities.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <span>
#include <vector>

#include "NetworkTestState.h"
#include "network/NetworkConstants.h"

namespace vrex::test {
namespace {

using Column = std::map<int, double>; // species or entry -> value

std::map<int, Column> tableRows(const auto &table) {
  std::map<int, Column> rows;
  for (const network::TableEntry &e : table) {
    rows[e.row][e.column] = e.value;
  }
  return rows;
}

// The conversion constants behind the tables.
struct Conversion {
  double phi = 0.39;
  double f;   // netpar(59)
  double rho; // netpar(58)
  double S;   // (1 - phi - f) * rho
  double y8, y10, y12, y14, y16, y18;
};

Conversion conversion() {
  loadNetwork();
  Conversion c;
  c.f = netpar(59);
  c.rho = netpar(58);
  c.S = (1 - c.phi - c.f) * c.rho;
  c.y8 = netpar(10);
  c.y10 = netpar(16);
  c.y12 = netpar(22);
  c.y14 = netpar(27);
  c.y16 = netpar(33);
  c.y18 = netpar(39);
  return c;
}

// Change of each species outside the equilibria per unit of each kinetic
// entry: d conc_i / dt = sum_k coefficient(i, k) * law_k.
std::map<int, Column> speciesChanges(const Conversion &c) {
  const double phi = c.phi, f = c.f, S = c.S;
  return {
      {2, {{2, -1 / phi}}},
      {3, {{3, -1 / phi}}},
      {4, {{4, -1 / phi}}},
      {6, {{16, 14.0 / 3 * (1 - c.y16) / c.y16 * f / phi}, {29, -1}, {30, 1}, {31, -1}, {32, 1}, {33, 1}}},
      {12, {{14, 7.0 / 3 * (1 - c.y14) / c.y14 * f / phi}}},
      {21, {{29, phi / S}, {30, -phi / S}}},
      {22, {{31, phi / S}, {32, -phi / S}}},
      {23, {{6, -1 / S}, {33, -phi / S}}},
      {24, {{1, 1 / f}, {8, -1 / (3 * c.y8)}, {10, -1 / (3 * c.y10)}, {12, -1 / (3 * c.y12)}}},
      {25,
       {{7, 1 / f},
        {12, 2.0 / 9 * (1 - c.y12) / c.y12},
        {14, -1 / (3 * c.y14)},
        {16, -1 / (3 * c.y16)},
        {18, -1 / (3 * c.y18)}}},
      {26, {{2, 1 / f}, {8, -(1 - c.y8) / c.y8}}},
      {27, {{3, 1 / f}, {10, -0.8 * (1 - c.y10) / c.y10}}},
      {28, {{4, 1 / f}, {18, -(1 - c.y18) / (4 * c.y18)}}},
      {29, {{5, 1 / f}, {14, -7.0 / 3 * (1 - c.y14) / c.y14}}},
      {30, {{6, 1 / f}, {16, -14.0 / 3 * (1 - c.y16) / c.y16}}},
      {31, {{8, 1}, {9, -1}, {10, 1}}},
      {32, {{11, -1}}},
      {33, {{12, 1}, {13, -1}}},
      {34, {{14, 1}, {15, -1}}},
      {35, {{16, 1}, {17, -1}}},
      {36, {{18, 1}, {19, -1}}},
      {37, {{5, -1 / S}}},
      {39, {}},
  };
}

const std::vector<int> kineticEntries = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                         13, 14, 15, 16, 17, 18, 19, 29, 30, 31, 32, 33};

// Twelve-digit tables: sums agree to a few parts in 1e12 of their terms.
constexpr double tableRounding = 1e-11;

TEST(BalanceTables, KineticCoefficientsAreWeightedSpeciesChanges) {
  const auto weights = tableRows(network::balanceWeights);
  const auto coefficients = tableRows(network::kineticCoefficients);
  const auto changes = speciesChanges(conversion());
  int rowsChecked = 0;
  for (const auto &[row, rowWeights] : weights) {
    bool outsideEquilibria = true;
    for (const auto &[species, w] : rowWeights) {
      outsideEquilibria = outsideEquilibria && changes.count(species) != 0;
    }
    if (!outsideEquilibria) {
      continue;
    }
    ++rowsChecked;
    const Column noCoefficients;
    const Column &rowCoefficients = coefficients.count(row) ? coefficients.at(row) : noCoefficients;
    for (int k : kineticEntries) {
      double sum = 0.0;
      double size = 0.0;
      for (const auto &[species, w] : rowWeights) {
        const Column &change = changes.at(species);
        const double term = change.count(k) ? w * change.at(k) : 0.0;
        sum += term;
        size += std::abs(term);
      }
      const double tabulated = rowCoefficients.count(k) ? rowCoefficients.at(k) : 0.0;
      EXPECT_NEAR(tabulated, sum, tableRounding * (size + std::abs(tabulated)))
          << "A(" << row << ", " << k << ")";
    }
  }
  EXPECT_EQ(rowsChecked, 23);
}

// Each balance row combines species so that every equilibrium drops out:
// the weights, taken with the stoichiometry of the equilibrium, cancel.
TEST(BalanceTables, EveryEquilibriumCancelsInEveryBalanceRow) {
  const Conversion c = conversion();
  const std::map<int, Column> equilibria = {
      {20, {{7, 1}, {8, 1}}},
      {21, {{7, 1}, {10, 1}, {9, -1}}},
      {22, {{7, 1}, {11, 1}, {10, -1}}},
      // Species 38 enters with the conversion factor phi / ((1 - phi - f) rho).
      {23, {{5, 1}, {11, 1}, {38, -c.phi / c.S}}},
      {24, {{7, 1}, {14, 1}, {13, -1}}},
      {25, {{7, 1}, {15, 1}, {14, -1}}},
      {26, {{7, 1}, {1, 1}, {16, -1}}},
      {27, {{7, 1}, {17, 1}, {18, -1}}},
      {28, {{7, 1}, {19, 1}, {20, -1}}},
  };
  for (const auto &[row, rowWeights] : tableRows(network::balanceWeights)) {
    for (const auto &[reaction, stoichiometry] : equilibria) {
      double sum = 0.0;
      double size = 0.0;
      for (const auto &[species, nu] : stoichiometry) {
        const double w = rowWeights.count(species) ? rowWeights.at(species) : 0.0;
        sum += w * nu;
        size += std::abs(w * nu);
      }
      EXPECT_NEAR(sum, 0.0, tableRounding * size) << "row " << row << ", equilibrium " << reaction;
    }
  }
}

TEST(BalanceTables, WeightsOfTheShorterRowsFollowTheirClosedForms) {
  const Conversion c = conversion();
  const double phi = c.phi, f = c.f, S = c.S;
  const std::map<int, Column> closedForms = {
      {2, {{2, 1}}},
      {3, {{3, 1}}},
      {4, {{4, 1}}},
      {6, {{23, -S / phi}, {30, -f / phi}, {35, -14.0 / 3 * (1 - c.y16) / c.y16 * f / phi}}},
      {11, {{2, -1}, {26, -f / phi}}},
      {12, {{29, -f / phi}, {37, -S / phi}}},
      {15, {{35, 7.0 / 3 * (1 - c.y16) / c.y16 * f / phi}}},
      {18, {{17, 1}, {18, 1}}},
      {21, {{21, 1}}},
      {22, {{22, 1}}},
      {23, {{4, 0.78 / S}, {28, 2 * f / S}}},
      {29, {{37, -S / f}}},
      {30,
       {{4, -0.78 / f},
        {13, -0.78 / f},
        {14, -0.78 / f},
        {15, -0.78 / f},
        {21, -2 * S / f},
        {23, S / f},
        {28, -2},
        {30, 1},
        {35, 14.0 / 3 * (1 - c.y16) / c.y16}}},
      {31,
       {{2, phi * c.y8 / ((1 - c.y8) * f)},
        {3, 1.25 * phi * c.y10 / ((1 - c.y10) * f)},
        {26, c.y8 / (1 - c.y8)},
        {27, 1.25 * c.y10 / (1 - c.y10)},
        {31, 1}}},
      {32, {{32, 1}}},
      {34,
       {{12, -3.0 / 7 * phi * c.y14 / ((1 - c.y14) * f)},
        {29, -3.0 / 7 * c.y14 / (1 - c.y14)},
        {37, -3.0 / 7 * S * c.y14 / ((1 - c.y14) * f)}}},
      {36, {{4, 4 * phi * c.y18 / ((1 - c.y18) * f)}, {28, 4 * c.y18 / (1 - c.y18)}, {36, 1}}},
      {37, {{29, f / S}, {34, 7.0 / 3 * (1 - c.y14) / c.y14 * f / S}, {37, 1}}},
      {38, {{5, phi / S}, {38, 1}}},
      {39, {{39, 1}}},
  };
  const auto weights = tableRows(network::balanceWeights);
  for (const auto &[row, expected] : closedForms) {
    ASSERT_EQ(weights.count(row), 1u) << "row " << row;
    const Column &tabulated = weights.at(row);
    EXPECT_EQ(tabulated.size(), expected.size()) << "row " << row;
    for (const auto &[species, value] : expected) {
      ASSERT_EQ(tabulated.count(species), 1u) << "W(" << row << ", " << species << ")";
      EXPECT_NEAR(tabulated.at(species), value, tableRounding * std::abs(value))
          << "W(" << row << ", " << species << ")";
    }
  }
}

// The residual sums each row in table order, and the Jacobian generator
// reads the tables by row: rows must be contiguous and columns increasing.
TEST(BalanceTables, RowsAreContiguousWithIncreasingColumns) {
  using Table = std::span<const network::TableEntry>;
  for (Table table : {Table(network::balanceWeights), Table(network::kineticCoefficients)}) {
    std::set<int> finishedRows;
    int row = 0;
    int column = 0;
    for (const network::TableEntry &e : table) {
      if (e.row != row) {
        EXPECT_TRUE(finishedRows.insert(row).second) << "row " << row << " split";
        EXPECT_EQ(finishedRows.count(e.row), 0u) << "row " << e.row << " split";
        row = e.row;
        column = 0;
      }
      EXPECT_GT(e.column, column) << "row " << e.row;
      EXPECT_NE(e.value, 0.0) << "row " << e.row << ", column " << e.column;
      column = e.column;
    }
  }
}

// Thirty balance rows and nine algebraic rows make up the 39 rows; kinetic
// coefficients name only kinetic entries, and four rows are conserved
// combinations without any.
TEST(BalanceTables, RowsPartitionTheResidual) {
  const auto weights = tableRows(network::balanceWeights);
  const auto coefficients = tableRows(network::kineticCoefficients);
  std::set<int> rows;
  for (const auto &[row, w] : weights) {
    rows.insert(row);
  }
  EXPECT_EQ(rows.size(), 30u);
  for (const network::Equilibrium &eq : network::equilibria) {
    EXPECT_TRUE(rows.insert(eq.row).second) << "row " << eq.row << " is both kinds";
  }
  EXPECT_EQ(rows.size(), 39u);
  const std::set<int> kinetic(kineticEntries.begin(), kineticEntries.end());
  for (const auto &[row, rowCoefficients] : coefficients) {
    EXPECT_EQ(weights.count(row), 1u) << "coefficients on non-balance row " << row;
    for (const auto &[k, a] : rowCoefficients) {
      EXPECT_EQ(kinetic.count(k), 1u) << "A(" << row << ", " << k << ")";
    }
  }
  for (int conserved : {26, 34, 38, 39}) {
    EXPECT_EQ(coefficients.count(conserved), 0u) << "row " << conserved;
  }
  EXPECT_EQ(coefficients.size(), 26u);
}

} // namespace
} // namespace vrex::test
