#include "midifile/file_io.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>

#include "midifile/errors.h"

namespace midifile {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr OpenForReading(const std::string& path) {
  errno = 0;
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) throw InOutError::FromErrno(errno != 0 ? errno : EIO);
  return file;
}

// A name beside the target that no other file uses yet.
std::string TemporaryNameFor(const std::string& path, std::mt19937_64& random) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string name = path + ".";
  uint64_t value = random();
  for (int i = 0; i < 12; ++i) {
    name.push_back(kDigits[value & 15]);
    value >>= 4;
  }
  return name + ".tmp";
}

}  // namespace

bool InputExists(const char* path) {
  if (path == nullptr || *path == '\0') return false;
  std::error_code error;
  auto status = std::filesystem::status(std::filesystem::path(path), error);
  if (error) return false;
  return std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

ByteString ReadWholeFile(const std::string& path) {
  FilePtr file = OpenForReading(path);
  ByteString content;
  char block[65536];
  for (;;) {
    size_t got = std::fread(block, 1, sizeof block, file.get());
    content.append(block, got);
    if (got < sizeof block) break;
  }
  if (std::ferror(file.get())) throw InOutError::FromErrno(errno != 0 ? errno : EIO);
  return content;
}

ByteString ReadDivisionBytes(const std::string& path) {
  FilePtr file = OpenForReading(path);
  char head[14];
  size_t got = std::fread(head, 1, sizeof head, file.get());
  if (got < sizeof head) {
    if (std::ferror(file.get())) throw InOutError::FromErrno(errno != 0 ? errno : EIO);
    throw InOutError::ReadBeyondEnd();
  }
  return ByteString(head + 12, 2);
}

void WriteFileAtomically(const std::string& path, ByteView bytes) {
  if (path.empty()) throw InOutError::FromErrno(ENOENT);
  std::error_code status_error;
  if (std::filesystem::is_directory(std::filesystem::path(path), status_error)) {
    throw InOutError::FromErrno(EISDIR);
  }
  std::random_device seed;
  std::mt19937_64 random((static_cast<uint64_t>(seed()) << 32) ^ seed());
  std::string temporary;
  FilePtr file;
  for (int attempt = 0; attempt < 16 && !file; ++attempt) {
    temporary = TemporaryNameFor(path, random);
    errno = 0;
    file.reset(std::fopen(temporary.c_str(), "wbx"));  // x: fail if it exists
    if (!file && errno != EEXIST) throw InOutError::FromErrno(errno != 0 ? errno : EIO);
  }
  if (!file) throw InOutError::FromErrno(EEXIST);

  auto discard = [&](int error_number) {
    file.reset();
    std::remove(temporary.c_str());
    throw InOutError::FromErrno(error_number != 0 ? error_number : EIO);
  };
  errno = 0;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) discard(errno);
  errno = 0;
  if (std::fflush(file.get()) != 0) discard(errno);
  errno = 0;
  int close_result = std::fclose(file.release());
  if (close_result != 0) {
    int error_number = errno;
    std::remove(temporary.c_str());
    throw InOutError::FromErrno(error_number != 0 ? error_number : EIO);
  }
  std::error_code rename_error;
  std::filesystem::rename(std::filesystem::path(temporary), std::filesystem::path(path), rename_error);
  if (rename_error) {
    std::remove(temporary.c_str());
    throw InOutError::FromErrno(rename_error.value());
  }
}

}  // namespace midifile
