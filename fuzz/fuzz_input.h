// What every fuzz target shares: the input taken apart into parameter bytes
// and files, and the check that stops the run when a promise is broken
// (libFuzzer then keeps the input that broke it).
//
// An input is laid out as its target reads it: first the parameter bytes
// the target asks for, one after the other, then the file or files. Past
// the end every parameter byte reads 0, so any input is a valid one.
// fuzz/make_corpus.py writes the seeds in the same layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fuzz {

// Stops the run with the broken promise in words.
[[noreturn]] inline void Broken(const char* what, std::string_view detail = {}) {
  std::fprintf(stderr, "broken promise: %s %.*s\n", what, static_cast<int>(detail.size()), detail.data());
  std::abort();
}

inline void Check(bool kept, const char* what, std::string_view detail = {}) {
  if (!kept) Broken(what, detail);
}

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

  uint8_t Byte() {
    if (rest_.empty()) return 0;
    uint8_t value = static_cast<uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return value;
  }
  // Four bytes, the first the highest.
  uint32_t Word() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | Byte();
    return value;
  }
  // The next `size` bytes, or what is left.
  std::string_view Take(size_t size) {
    std::string_view piece = rest_.substr(0, size);
    rest_.remove_prefix(piece.size());
    return piece;
  }
  // A piece whose length is told by the next two bytes (the first the
  // higher), then the piece itself.
  std::string_view Sized() {
    size_t size = static_cast<size_t>(Byte()) << 8;
    size |= Byte();
    return Take(size);
  }
  std::string_view Rest() {
    std::string_view rest = rest_;
    rest_ = {};
    return rest;
  }

 private:
  std::string_view rest_;
};

}  // namespace fuzz
