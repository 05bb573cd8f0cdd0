// The one rounding rule: nearest integer, halves to even, saturated.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <random>

#include "midifile/rounding.h"

using midifile::RoundEven;
using midifile::RoundEven64;
using midifile::RoundEvenDouble;

TEST(Rounding, HalvesGoToTheEvenNeighbourAndResultsSaturate) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct Case {
    double value;
    double rounded;
  };
  const Case cases[] = {
      {0.5, 0},        {1.5, 2},         {2.5, 2},          {-0.5, 0},         {-1.5, -2},
      {-2.5, -2},      {0.49999999999999994, 0},            {-0.7, -1},        {7.0, 7},
      {4503599627370495.5, 4503599627370496.0},              {2251799813685248.5, 2251799813685248.0},
      {-4503599627370495.5, -4503599627370496.0},            {1e300, 1e300},    {kInf, kInf}, {-kInf, -kInf}};
  for (const Case& c : cases) EXPECT_EQ(RoundEvenDouble(c.value), c.rounded) << c.value;

  EXPECT_EQ(RoundEven(std::nan("")), 0);
  EXPECT_EQ(RoundEven(2147483646.5), 2147483646);
  EXPECT_EQ(RoundEven(2147483647.5), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(RoundEven(-3e9), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(RoundEven64(std::nan("")), 0);
  EXPECT_EQ(RoundEven64(1e19), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(RoundEven64(-1e19), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(RoundEven64(-2.5), -2);
}

TEST(Rounding, AgreesWithTheFloatingPointUnitRoundingToNearest) {
  // In the default rounding mode nearbyint rounds halves to even: the rule
  // itself, computed by the hardware.
  ASSERT_EQ(std::fegetround(), FE_TONEAREST);
  std::mt19937_64 random(5);
  for (int i = 0; i < 200000; ++i) {
    // Halves, near-halves and arbitrary values at every magnitude up to 2^60.
    const int magnitude = static_cast<int>(random() % 61);
    double value = std::ldexp(static_cast<double>(random() >> 11), magnitude - 53);
    if (i % 3 == 0) value = std::floor(value) + 0.5;
    if (i % 3 == 1) value = std::nextafter(std::floor(value) + 0.5, (i & 4) != 0 ? 0.0 : 1e300);
    if (i % 2 == 0) value = -value;
    ASSERT_EQ(RoundEvenDouble(value), std::nearbyint(value)) << value;
  }
}
