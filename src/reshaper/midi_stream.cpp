#include "reshaper/midi_stream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>

#if defined(_WIN32)
#include <share.h>
#endif

namespace reshaper {

namespace {

namespace fs = std::filesystem;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

std::FILE* openFile(const char* path, const char* mode) {
#if defined(_WIN32)
  // Other programs may open the file in any way while the converter has it.
  return _fsopen(path, mode, _SH_DENYNO);
#else
  return std::fopen(path, mode);
#endif
}

bool readWholeFile(const char* path, std::vector<uint8_t>& content) {
  FilePointer file(openFile(path, "rb"));
  if (file == nullptr) return false;
  content.clear();
  uint8_t block[64 * 1024];
  size_t got = 0;
  while ((got = std::fread(block, 1, sizeof block, file.get())) > 0) content.insert(content.end(), block, block + got);
  return std::ferror(file.get()) == 0;
}

// A fresh name beside the target: the target's name, a random part, ".tmp".
// Created exclusively, so an existing file is never taken over.
FilePointer createTemporary(const std::string& target, std::string& name) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::random_device seed;
  std::mt19937_64 random((uint64_t{seed()} << 32) ^ seed());
  for (int attempt = 0; attempt < 16; ++attempt) {
    name = target + ".";
    uint64_t value = random();
    for (int i = 0; i < 12; ++i, value >>= 4) name.push_back(kDigits[value & 15]);
    name += ".tmp";
    if (FilePointer file{openFile(name.c_str(), "wbx")}) return file;
    std::error_code error;
    if (!fs::exists(fs::path(name), error)) break;  // the folder refuses it, not a name clash
  }
  name.clear();
  return nullptr;
}

}  // namespace

bool MidiStream::open(const char* path, Mode mode) {
  discard();
  if (path == nullptr || path[0] == '\0') return false;
  std::error_code error;
  fs::file_status status = fs::status(fs::path(path), error);
  // Some systems open a folder for reading; it is never a MIDI file.
  if (fs::is_directory(status)) return false;
  mode_ = mode;
  if (mode == Reading) {
    if (!readWholeFile(path, file_)) {
      file_ = {};
      return false;
    }
    input_ = file_;
    position_ = 0;
    open_ = true;
    return true;
  }

  output_.clear();
  target_ = path;
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    // A device or a pipe: nothing to replace, the bytes go straight in.
    FilePointer device(openFile(path, "wb"));
    if (device == nullptr) return false;
    open_ = true;
    return true;
  }
  if (fs::exists(status)) {
    // An existing file that may not be written stays as it is.
    FilePointer existing(openFile(path, "r+b"));
    if (existing == nullptr) return false;
    // Through a link, the file it names is the one replaced.
    fs::path resolved = fs::canonical(fs::path(path), error);
    if (!error) target_ = resolved.string();
  }
  FilePointer temporary = createTemporary(target_, temporary_);
  if (temporary == nullptr) return false;
  if (fs::exists(status)) {
    fs::permissions(fs::path(temporary_), status.permissions(), error);  // keeps the target's access rights
  }
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

bool MidiStream::close() {
  if (!open_) return true;
  if (mode_ == Reading || target_.empty()) {
    discard();
    return true;
  }
  bool written = false;
  std::string destination = temporary_.empty() ? target_ : temporary_;
  if (FilePointer file{openFile(destination.c_str(), "wb")}) {
    written = output_.empty() || std::fwrite(output_.data(), 1, output_.size(), file.get()) == output_.size();
    written = std::fflush(file.get()) == 0 && written;
    written = std::fclose(file.release()) == 0 && written;
  }
  if (written && !temporary_.empty()) {
    std::error_code error;
    fs::rename(fs::path(temporary_), fs::path(target_), error);
    written = !error;
    if (written) temporary_.clear();
  }
  discard();
  return written;
}

void MidiStream::discard() {
  if (!temporary_.empty()) {
    std::error_code ignored;
    fs::remove(fs::path(temporary_), ignored);
    temporary_.clear();
  }
  open_ = false;
  file_ = {};
  input_ = {};
  position_ = 0;
  target_.clear();
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
