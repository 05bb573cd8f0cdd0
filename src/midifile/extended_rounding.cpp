#include "midifile/extended_rounding.h"

#include <limits>

namespace midifile {
namespace {

// An unsigned 128-bit value from two halves (no compiler type needed, as
// 32-bit targets have none).
struct U128 {
  uint64_t high = 0;
  uint64_t low = 0;
};

U128 Multiply(uint64_t a, uint64_t b) {
  const uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
  const uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  const uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
  return {p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32), (middle << 32) | (p00 & 0xFFFFFFFFu)};
}

int BitLength(uint64_t value) {
  int length = 0;
  while (value != 0) {
    ++length;
    value >>= 1;
  }
  return length;
}

int BitLength(const U128& value) { return value.high != 0 ? 64 + BitLength(value.high) : BitLength(value.low); }

// Bits `shift` and up of the value (shift below 128).
uint64_t ShiftRight(const U128& value, int shift) {
  if (shift == 0) return value.low;
  if (shift >= 64) return value.high >> (shift - 64);
  return (value.low >> shift) | (value.high << (64 - shift));
}

// Whether any bit below `count` (up to 128) is set.
bool AnyBelow(const U128& value, int count) {
  if (count <= 0) return false;
  if (count < 64) return (value.low & ((uint64_t{1} << count) - 1)) != 0;
  if (value.low != 0) return true;
  const int high_bits = count - 64;
  if (high_bits == 0) return false;
  return high_bits >= 64 ? value.high != 0 : (value.high & ((uint64_t{1} << high_bits) - 1)) != 0;
}

bool Bit(const U128& value, int index) {
  return index >= 64 ? ((value.high >> (index - 64)) & 1) != 0 : ((value.low >> index) & 1) != 0;
}

// Rounds kept x 2^exponent up by one unit when the dropped bits (the first
// of them `guard`, the others nonzero when `sticky`) say so, halves to
// even; a carry beyond `bits` bits moves the exponent.
TBinary Round(uint64_t kept, int32_t exponent, bool guard, bool sticky, int bits) {
  if (guard && (sticky || (kept & 1) != 0)) {
    ++kept;
    if (bits < 64 ? kept == (uint64_t{1} << bits) : kept == 0) {
      kept = uint64_t{1} << (bits - 1);
      ++exponent;
    }
  }
  return {kept, exponent};
}

}  // namespace

TBinary RoundedQuotient(uint64_t numerator, uint64_t denominator, int bits) {
  if (numerator == 0) return {};
  // The quotient bit by bit, the whole part first, then halves, quarters,
  // ...: `bits` significant bits, then the guard bit; the rest of the
  // division is the sticky part.
  uint64_t whole = numerator / denominator, rest = numerator % denominator;
  uint64_t kept = 0;
  int count = 0;
  int32_t exponent = 0;
  const int whole_bits = BitLength(whole);
  bool guard = false, sticky = false;
  if (whole_bits > bits) {
    kept = whole >> (whole_bits - bits);
    exponent = whole_bits - bits;
    guard = ((whole >> (whole_bits - bits - 1)) & 1) != 0;
    sticky = (whole & ((uint64_t{1} << (whole_bits - bits - 1)) - 1)) != 0 || rest != 0;
    return Round(kept, exponent, guard, sticky, bits);
  }
  kept = whole;
  count = whole_bits;
  // Fraction bits; before the first significant one only the exponent moves.
  while (count <= bits) {
    // rest < denominator: doubling it cannot overflow while the denominator
    // stays below 2^63.
    rest <<= 1;
    const bool bit = rest >= denominator;
    if (bit) rest -= denominator;
    --exponent;
    if (count == bits) {
      guard = bit;
      ++exponent;  // the guard bit is not kept
      break;
    }
    kept = (kept << 1) | (bit ? 1u : 0u);
    if (count > 0 || bit) ++count;
  }
  sticky = rest != 0;
  return Round(kept, exponent, guard, sticky, bits);
}

int64_t RoundExtendedProduct(uint64_t value, const TBinary& factor) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  const U128 product = Multiply(value, factor.mantissa);
  const int length = BitLength(product);
  if (length == 0) return 0;
  // To 64 significant bits.
  TBinary extended{ShiftRight(product, length > 64 ? length - 64 : 0), factor.exponent};
  if (length > 64) {
    const int dropped = length - 64;
    extended = Round(extended.mantissa, factor.exponent + dropped, Bit(product, dropped - 1),
                     AnyBelow(product, dropped - 1), 64);
  }
  // Then to the nearest integer, halves to even.
  const uint64_t mantissa = extended.mantissa;
  if (extended.exponent >= 0) {
    if (extended.exponent >= 63 || mantissa > (static_cast<uint64_t>(kMax) >> extended.exponent)) return kMax;
    return static_cast<int64_t>(mantissa << extended.exponent);
  }
  const int shift = -extended.exponent;
  if (shift > 64) return 0;  // below a half
  const uint64_t whole = shift == 64 ? 0 : mantissa >> shift;
  const uint64_t fraction = shift == 64 ? mantissa : mantissa & ((uint64_t{1} << shift) - 1);
  const uint64_t half = uint64_t{1} << (shift - 1);
  const bool up = fraction > half || (fraction == half && (whole & 1) != 0);
  const uint64_t rounded = whole + (up ? 1 : 0);
  return rounded > static_cast<uint64_t>(kMax) ? kMax : static_cast<int64_t>(rounded);
}

}  // namespace midifile
