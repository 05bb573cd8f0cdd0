// One open file of the converter. The input is read a byte or a small field
// at a time and the output written the same way, so the stream keeps its own
// buffer in front of the platform's file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

namespace reshaper {

class MidiStream {
 public:
  enum Mode : uint8_t { Reading = 0, Writing = 1 };
  enum Origin : uint8_t { FromStart, FromCurrent };

  MidiStream() = default;
  ~MidiStream();
  MidiStream(const MidiStream&) = delete;
  MidiStream& operator=(const MidiStream&) = delete;

  // Opens a file in binary mode: for reading, or for writing, which creates
  // the file or empties it at once. A null or empty path, or a folder, leaves
  // the stream closed. Returns isOpen().
  bool open(const char* path, Mode mode);
  // Writes out what is buffered and closes the file. False when a write
  // stream lost bytes on the way (disk full, device error).
  bool close();

  // Reads up to count bytes; returns how many were read.
  uint32_t read(uint8_t* buffer, uint32_t count);
  bool readByte(uint8_t& value) { return read(&value, 1) == 1; }
  // Reads and drops up to count bytes; returns how many there were.
  uint32_t skip(uint32_t count);
  // Moves the read position; the converter only steps back one byte. False
  // when the position cannot be reached.
  bool seek(int64_t offset, Origin origin);

  void write(const uint8_t* buffer, uint32_t count);
  void writeByte(uint8_t value) { write(&value, 1); }

  bool isReading() const { return mode_ == Reading; }
  bool isOpen() const { return file_ != nullptr; }

 private:
  bool refill();
  void flush();

  std::FILE* file_ = nullptr;
  Mode mode_ = Reading;
  std::vector<uint8_t> buffer_;
  size_t bufferPosition_ = 0;  // next byte to read from the buffer
  size_t bufferEnd_ = 0;       // bytes in the buffer (read: valid, write: pending)
  int64_t fileOffsetOfBuffer_ = 0;  // file offset of buffer_[0] while reading
  bool writeFailed_ = false;
};

}  // namespace reshaper
