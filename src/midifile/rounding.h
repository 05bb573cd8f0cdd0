// The one rounding rule of chimekit: to the nearest integer, halves to the
// even neighbour, saturated to the range of the result type.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace midifile {

// Nearest integer, ties to even, as a double (no range limit).
inline double RoundEvenDouble(double value) {
  // From 2^52 on every double is integral; so are infinities, and NaN stays
  // NaN.
  if (!(std::fabs(value) < 4503599627370496.0)) return value;
  // Below it the value lies within the range of int64_t: truncation and
  // parity are exact integer operations, and nothing depends on the
  // floating-point rounding mode of the host process.
  int64_t whole = static_cast<int64_t>(value);
  whole -= static_cast<double>(whole) > value;  // the floor of a negative non-integer
  const double fraction = value - static_cast<double>(whole);
  // Up above a half, and at a half when the floor is odd.
  whole += (fraction > 0.5) | ((fraction == 0.5) & ((whole & 1) != 0));
  return static_cast<double>(whole);
}

// Rounds and saturates to int32; NaN gives 0.
inline int32_t RoundEven(double value) {
  if (std::isnan(value)) return 0;
  double rounded = RoundEvenDouble(value);
  if (rounded >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (rounded <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(rounded);
}

// Rounds and saturates to int64; NaN gives 0.
inline int64_t RoundEven64(double value) {
  if (std::isnan(value)) return 0;
  double rounded = RoundEvenDouble(value);
  if (rounded >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (rounded <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(rounded);
}

// Two's-complement addition of 32-bit values without signed overflow.
inline int32_t WrappingAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

inline int32_t WrappingSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

}  // namespace midifile
