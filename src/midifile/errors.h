// Typed failures of the chimekit core. Each carries the library's own text;
// the exports turn any of them into status 1, the CLI prints the text.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace midifile {

// Base of every failure the core raises on purpose.
class ChimeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Input/output failures: "File not found", "File access denied",
// "Read beyond end of file", "Disk full", "I/O error %d".
class InOutError : public ChimeError {
 public:
  explicit InOutError(const std::string& text, int error_number = 0)
      : ChimeError(text), error_number_(error_number) {}
  // The text for an operating-system error number (errno), which the
  // failure keeps.
  static InOutError FromErrno(int error_number);
  static InOutError ReadBeyondEnd();
  // The operating system's error number behind the failure; 0 where there
  // is none (a file that ends inside a chunk).
  int ErrorNumber() const { return error_number_; }

 private:
  int error_number_ = 0;
};

// "List index out of bounds (%d)" for a track index outside the list.
class ListIndexError : public ChimeError {
 public:
  explicit ListIndexError(int32_t index);
};

// The input loaded, but holds nothing the requested conversion can work on
// (for instance no track, or no usable time base).
class ConversionError : public ChimeError {
 public:
  using ChimeError::ChimeError;
};

}  // namespace midifile
