// The network's parameter table as the library uses it.
#include <gtest/gtest.h>

#include "network/NetworkConstants.h"

namespace vrex {
namespace {

// The five decay constants are formed as double products of their factors
// when the library is compiled: the same bits as a product formed at run
// time; the decimal values they are usually quoted by are within an ulp or
// two.
TEST(NetworkParameters, DerivedDecayConstantsAreDoubleProducts) {
  struct Product {
    int index;
    double factor;
    double base;
    double quoted;
  };
  const Product products[] = {{15, 0.05, 3.182870369e-05, 1.5914351845e-06},
                              {21, 0.1, 1.423611111e-05, 1.423611111e-06},
                              {26, 0.1, 2.546296296e-05, 2.546296296e-06},
                              {32, 0.1, 1.125e-06, 1.125e-07},
                              {38, 0.1, 2.858796297e-06, 2.858796297e-07}};
  for (const Product &p : products) {
    // volatile: the product is formed when the test runs.
    volatile double factor = p.factor;
    volatile double base = p.base;
    EXPECT_EQ(network::netpar[p.index - 1], factor * base) << "netpar(" << p.index << ")";
    EXPECT_DOUBLE_EQ(network::netpar[p.index - 1], p.quoted) << "netpar(" << p.index << ")";
  }
}

} // namespace
} // namespace vrex
