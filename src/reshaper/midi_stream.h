// One file of the converter, held in memory. A reading stream takes the
// whole file (or bytes the caller already has) before anything is parsed, so
// the output may name the input. A writing stream collects the bytes and,
// when it belongs to a file, puts them there in one piece on close, through
// an OutputFile: a failed write never leaves a partial output behind.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "reshaper/file_buffer.h"
#include "reshaper/output_file.h"

namespace reshaper {

class MidiStream {
 public:
  enum Mode : uint8_t { Reading = 0, Writing = 1 };
  enum Origin : uint8_t { FromStart, FromCurrent };

  MidiStream() = default;
  // A writing stream that was never closed leaves its target alone.
  ~MidiStream() { discard(); }
  MidiStream(const MidiStream&) = delete;
  MidiStream& operator=(const MidiStream&) = delete;

  // Reading: takes the whole file into memory. Writing: makes sure the
  // target can be written (creates the temporary file beside it); the
  // target itself is replaced only by close(). A null or empty path, a
  // folder, a file that cannot be read, or a target that cannot be created
  // leaves the stream closed. Returns isOpen().
  bool open(const char* path, Mode mode);
  // Reading over bytes the caller keeps alive while the stream is in use.
  void openBytes(std::span<const uint8_t> bytes);
  // Writing into memory only; the result is bytes().
  void openMemory();
  // A writing stream of a file puts what was written into the file: false
  // when that fails (a short write, disk full, a failed close or rename);
  // the target then keeps what it held before. Always closes the stream.
  bool close() { return closeWith(output_); }
  // The same with content, built elsewhere, in place of what was written.
  bool closeWith(std::span<const uint8_t> content);

  // Reads up to count bytes; returns how many were read.
  uint32_t read(uint8_t* buffer, uint32_t count);
  bool readByte(uint8_t& value) { return read(&value, 1) == 1; }
  // Reads and drops up to count bytes; returns how many there were.
  uint32_t skip(uint32_t count);
  // Moves the read position; the converter only steps back one byte. False
  // (and no move) when the position lies outside the data.
  bool seek(int64_t offset, Origin origin);
  // Bytes left to read.
  uint64_t remaining() const { return isOpen() && mode_ == Reading ? input_.size() - position_ : 0; }
  // All bytes of a reading stream, and the offset of the next one to read.
  std::span<const uint8_t> data() const { return input_; }
  size_t position() const { return position_; }

  // Appends to the written bytes; ignored unless the stream writes.
  void write(const uint8_t* buffer, uint32_t count);
  void writeByte(uint8_t value) { write(&value, 1); }
  // Makes room for count more bytes to be written.
  void reserve(uint64_t count);
  // Replaces count bytes written before, from offset at on; ignored where
  // they were not written yet.
  void overwrite(uint64_t at, const uint8_t* buffer, uint32_t count);
  // The number of bytes written so far, and the bytes.
  uint64_t written() const { return output_.size(); }
  const std::vector<uint8_t>& bytes() const { return output_; }
  // Hands the written bytes over; the stream keeps none.
  std::vector<uint8_t> takeBytes() { return std::move(output_); }

  bool isReading() const { return mode_ == Reading; }
  bool isOpen() const { return open_; }

 private:
  // Closes without touching a target.
  void discard();

  bool open_ = false;
  Mode mode_ = Reading;
  FileBytes file_;                   // a whole input file
  std::span<const uint8_t> input_;   // what is read: file_ or the caller's bytes
  size_t position_ = 0;              // next byte of input_ to read
  std::vector<uint8_t> output_;      // what was written
  OutputFile target_;                // the file a writing stream fills on close
};

}  // namespace reshaper
