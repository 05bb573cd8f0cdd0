// The trimming's arithmetic, the same on every platform: products that x86
// computes in 80-bit extended precision (a 64-bit mantissa) and rounds to
// the nearest integer, halves to even. The extended type differs between
// compilers (80 bits with GCC on x86 and MinGW, 64 with MSVC, 128 in
// WebAssembly and on aarch64), and so would a half-way result; here every
// step is done exactly with integers and rounded where x86 rounds it.
#pragma once

#include <cstdint>

namespace midifile {

// A number m x 2^e (m = 0 for zero).
struct TBinary {
  uint64_t mantissa = 0;
  int32_t exponent = 0;
};

// numerator / denominator (the denominator not 0) rounded to `bits`
// significant bits (1 to 64), to the nearest, halves to even: with 53 bits
// the double an IEEE division gives, with 64 the extended value.
TBinary RoundedQuotient(uint64_t numerator, uint64_t denominator, int bits);

// value x factor rounded to 64 significant bits as an extended product is,
// then to the nearest integer, halves to even; saturated to int64.
int64_t RoundExtendedProduct(uint64_t value, const TBinary& factor);

}  // namespace midifile
