#include "reshaper/midi_stream.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <share.h>
#endif

namespace reshaper {

namespace {

constexpr size_t kBufferSize = 64 * 1024;

std::FILE* openFile(const char* path, const char* mode) {
#if defined(_WIN32)
  // Other programs may open the file in any way while the converter has it.
  return _fsopen(path, mode, _SH_DENYNO);
#else
  return std::fopen(path, mode);
#endif
}

bool seekFile(std::FILE* file, int64_t offset) {
#if defined(_WIN32)
  return _fseeki64(file, offset, SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

}  // namespace

MidiStream::~MidiStream() { close(); }

bool MidiStream::open(const char* path, Mode mode) {
  close();
  writeFailed_ = false;
  if (path == nullptr || path[0] == '\0') return false;
  // Some systems open a folder for reading; it is never a MIDI file.
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) return false;
  file_ = openFile(path, mode == Reading ? "rb" : "wb");
  if (file_ == nullptr) return false;
  mode_ = mode;
  buffer_.resize(kBufferSize);
  bufferPosition_ = 0;
  bufferEnd_ = 0;
  fileOffsetOfBuffer_ = 0;
  return true;
}

bool MidiStream::close() {
  if (file_ == nullptr) return !writeFailed_;
  if (mode_ == Writing) flush();
  if (std::fclose(file_) != 0 && mode_ == Writing) writeFailed_ = true;
  file_ = nullptr;
  buffer_ = {};
  bufferPosition_ = 0;
  bufferEnd_ = 0;
  return !writeFailed_;
}

bool MidiStream::refill() {
  fileOffsetOfBuffer_ += static_cast<int64_t>(bufferEnd_);
  bufferPosition_ = 0;
  bufferEnd_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  return bufferEnd_ > 0;
}

uint32_t MidiStream::read(uint8_t* buffer, uint32_t count) {
  if (file_ == nullptr || mode_ != Reading) return 0;
  uint32_t done = 0;
  while (done < count) {
    if (bufferPosition_ == bufferEnd_ && !refill()) break;
    size_t piece = std::min<size_t>(count - done, bufferEnd_ - bufferPosition_);
    std::memcpy(buffer + done, buffer_.data() + bufferPosition_, piece);
    bufferPosition_ += piece;
    done += static_cast<uint32_t>(piece);
  }
  return done;
}

uint32_t MidiStream::skip(uint32_t count) {
  if (file_ == nullptr || mode_ != Reading) return 0;
  uint32_t done = 0;
  while (done < count) {
    if (bufferPosition_ == bufferEnd_ && !refill()) break;
    size_t piece = std::min<size_t>(count - done, bufferEnd_ - bufferPosition_);
    bufferPosition_ += piece;
    done += static_cast<uint32_t>(piece);
  }
  return done;
}

bool MidiStream::seek(int64_t offset, Origin origin) {
  if (file_ == nullptr || mode_ != Reading) return false;
  int64_t current = fileOffsetOfBuffer_ + static_cast<int64_t>(bufferPosition_);
  int64_t target = origin == FromStart ? offset : current + offset;
  if (target < 0) return false;
  if (target >= fileOffsetOfBuffer_ && target <= fileOffsetOfBuffer_ + static_cast<int64_t>(bufferEnd_)) {
    bufferPosition_ = static_cast<size_t>(target - fileOffsetOfBuffer_);
    return true;
  }
  if (!seekFile(file_, target)) return false;
  fileOffsetOfBuffer_ = target;
  bufferPosition_ = 0;
  bufferEnd_ = 0;
  return true;
}

void MidiStream::flush() {
  if (bufferEnd_ == 0) return;
  if (std::fwrite(buffer_.data(), 1, bufferEnd_, file_) != bufferEnd_) writeFailed_ = true;
  bufferEnd_ = 0;
}

void MidiStream::write(const uint8_t* buffer, uint32_t count) {
  if (file_ == nullptr || mode_ != Writing) {
    writeFailed_ = true;
    return;
  }
  uint32_t done = 0;
  while (done < count) {
    if (bufferEnd_ == buffer_.size()) flush();
    size_t piece = std::min<size_t>(count - done, buffer_.size() - bufferEnd_);
    std::memcpy(buffer_.data() + bufferEnd_, buffer + done, piece);
    bufferEnd_ += piece;
    done += static_cast<uint32_t>(piece);
  }
}

}  // namespace reshaper
