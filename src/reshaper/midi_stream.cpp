#include "reshaper/midi_stream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "reshaper/file_system.h"

namespace reshaper {

namespace {

// The size a file has now, or 0 when it cannot be told (a pipe, a device).
size_t currentSize(std::FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return 0;
  long size = std::ftell(file);
  std::rewind(file);
  return size > 0 ? static_cast<size_t>(size) : 0;
}

bool readWholeFile(const char* path, FileBytes& content) {
  FilePointer file = openFile(path, "rb");
  if (file == nullptr) return false;
  // Straight into content, without the stream's buffer between: one read
  // for a file of known size.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  // Read in one piece where the size is known; a file that grows meanwhile,
  // or one without a size, continues block by block.
  content.resize(currentSize(file.get()));
  if (!content.empty()) content.resize(std::fread(content.data(), 1, content.size(), file.get()));
  uint8_t block[64 * 1024];
  size_t got = 0;
  while ((got = std::fread(block, 1, sizeof block, file.get())) > 0) content.insert(content.end(), block, block + got);
  return std::ferror(file.get()) == 0;
}

}  // namespace

bool MidiStream::open(const char* path, Mode mode) {
  discard();
  if (path == nullptr || path[0] == '\0') return false;
  const PathKind kind = pathKind(path);
  // Some systems open a folder for reading; it is never a MIDI file.
  if (kind == PathKind::Folder) return false;
  mode_ = mode;
  if (mode == Reading) {
    if (!readWholeFile(path, file_)) {
      file_ = FileBytes();
      return false;
    }
    input_ = file_;
    position_ = 0;
    open_ = true;
    return true;
  }

  output_.clear();
  if (!target_.prepare(path)) return false;
  open_ = true;
  return true;
}

void MidiStream::openBytes(std::span<const uint8_t> bytes) {
  discard();
  mode_ = Reading;
  input_ = bytes;
  position_ = 0;
  open_ = true;
}

void MidiStream::openMemory() {
  discard();
  mode_ = Writing;
  output_.clear();
  open_ = true;
}

bool MidiStream::closeWith(std::span<const uint8_t> content) {
  if (!open_) return true;
  if (mode_ == Reading || !target_.isPrepared()) {
    discard();
    return true;
  }
  const bool written = target_.commit(content);
  discard();
  return written;
}

void MidiStream::discard() {
  target_.abandon();
  open_ = false;
  file_ = FileBytes();
  input_ = {};
  position_ = 0;
}

uint32_t MidiStream::read(uint8_t* buffer, uint32_t count) {
  if (!open_ || mode_ != Reading) return 0;
  size_t piece = std::min<size_t>(count, input_.size() - position_);
  if (piece > 0) std::memcpy(buffer, input_.data() + position_, piece);
  position_ += piece;
  return static_cast<uint32_t>(piece);
}

uint32_t MidiStream::skip(uint32_t count) {
  if (!open_ || mode_ != Reading) return 0;
  size_t piece = std::min<size_t>(count, input_.size() - position_);
  position_ += piece;
  return static_cast<uint32_t>(piece);
}

bool MidiStream::seek(int64_t offset, Origin origin) {
  if (!open_ || mode_ != Reading) return false;
  // Within the data both the position and the size fit an int64.
  int64_t base = origin == FromStart ? 0 : static_cast<int64_t>(position_);
  int64_t size = static_cast<int64_t>(input_.size());
  if (offset < -base || offset > size - base) return false;
  position_ = static_cast<size_t>(base + offset);
  return true;
}

void MidiStream::write(const uint8_t* buffer, uint32_t count) {
  if (!open_ || mode_ != Writing) return;
  if (count == 1) {
    output_.push_back(buffer[0]);  // most fields are single bytes
  } else if (count > 0) {
    output_.insert(output_.end(), buffer, buffer + count);
  }
}

void MidiStream::overwrite(uint64_t at, const uint8_t* buffer, uint32_t count) {
  if (!open_ || mode_ != Writing || at > output_.size() || count > output_.size() - at) return;
  std::memcpy(output_.data() + at, buffer, count);
}

void MidiStream::reserve(uint64_t count) {
  if (open_ && mode_ == Writing && count <= output_.max_size() - output_.size()) {
    output_.reserve(output_.size() + static_cast<size_t>(count));
  }
}

}  // namespace reshaper
