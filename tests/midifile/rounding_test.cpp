// The one rounding rule: nearest integer, halves to even, saturated.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <random>

#include "midifile/extended_rounding.h"
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

namespace {

// A double as the TBinary that stands for it.
midifile::TBinary Binary(double value) {
  int exponent = 0;
  const double fraction = std::frexp(value, &exponent);
  return {static_cast<uint64_t>(std::ldexp(fraction, 53)), exponent - 53};
}

}  // namespace

// Products whose rounding to the nearest integer depends on the precision
// they are computed in: 53 bits (a long double of MSVC), 64 (x86 and
// MinGW), or exact (the 128-bit long double of WebAssembly and aarch64).
// Every platform gives the x86 result.
TEST(ExtendedRounding, ProductsRoundAsX86RoundsThemWhereverTheyDiffer) {
  using midifile::RoundExtendedProduct;
  using midifile::RoundedQuotient;
  struct Case {
    const char* what;
    uint64_t value;
    midifile::TBinary factor;
    int64_t x86, in_53_bits, exact;
  };
  const Case cases[] = {
      // 6075 x (633982919 / 8310 as a double) lies just above k + 1/2, by
      // less than half a 53-bit step and more than half a 64-bit one.
      {"a tie at 53 bits only", 6075, RoundedQuotient(633982919, 8310, 53), 463471267, 463471268, 463471267},
      // Just above 2 + 1/2 by less than half a 64-bit step: a tie in both.
      {"a tie at 53 and 64 bits", 636623, Binary(0x1.0788d8b2d902fp-18), 2, 2, 3},
      // 42 x 75 / 100 is 31.5 exactly; 42 / 100 is not: how it was rounded
      // before the product decides.
      {"a percentage, its quotient in 64 bits", 75, RoundedQuotient(42, 100, 64), 31, 32, 32},
      {"a percentage, exact tie kept", 75, RoundedQuotient(14, 100, 64), 10, 11, 10},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RoundExtendedProduct(c.value, c.factor), c.x86) << c.what;
    EXPECT_TRUE(c.x86 != c.in_53_bits || c.x86 != c.exact) << c.what << ": not a case where the precisions differ";
  }
  // The quotients themselves: 1/3 as a double, 1/100 in 64 bits.
  EXPECT_EQ(RoundedQuotient(1, 3, 53).mantissa, 0x15555555555555u);
  EXPECT_EQ(RoundedQuotient(1, 3, 53).exponent, -54);
  EXPECT_EQ(RoundedQuotient(1, 100, 64).mantissa, 0xA3D70A3D70A3D70Au);
  EXPECT_EQ(RoundedQuotient(1, 100, 64).exponent, -70);
  EXPECT_EQ(RoundExtendedProduct(3, RoundedQuotient(1, 3, 53)), 1);
  EXPECT_EQ(RoundExtendedProduct(0xFFFFFFFF, RoundedQuotient(0x7FFFFFFF, 1, 53)),
            INT64_C(9223372030412324865));  // (2^32 - 1)(2^31 - 1): 63 bits, exact
  EXPECT_EQ(RoundExtendedProduct(0xFFFFFFFF, RoundedQuotient(uint64_t{1} << 40, 256, 53)), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(RoundExtendedProduct(5, {}), 0);

  // Where the compiler's long double is x86's 80-bit type, it agrees on
  // products of the trimming's kind.
  if (std::numeric_limits<long double>::digits == 64) {
    std::mt19937_64 random(9);
    for (int i = 0; i < 100000; ++i) {
      const uint64_t length = 1 + random() % 0x7FFFFFFF, ticks = random() % 0x80000000, ms = random() % 0x100000000;
      const double ratio = static_cast<double>(ticks) / static_cast<double>(length);
      const long double product = static_cast<long double>(ms) * ratio;
      ASSERT_EQ(RoundExtendedProduct(ms, RoundedQuotient(ticks, length, 53)), static_cast<int64_t>(std::nearbyint(product)))
          << ms << " x " << ticks << " / " << length;
    }
  }
}
