#include "midifile/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <memory>
#include <random>

#include "midifile/errors.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// The file-system calls that differ between the platforms. Paths are byte
// strings in the system code page, so Windows gets its narrow ("A") calls.
#if defined(_WIN32)

int ErrnoFromWindows(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    default:
      return static_cast<int>(error);
  }
}

bool IsDirectory(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsExistingFile(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Creates a new file for writing; fails with EEXIST when the name is taken.
std::FILE* CreateExclusive(const char* path) {
  int descriptor = -1;
  errno = _sopen_s(&descriptor, path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _SH_DENYNO, _S_IREAD | _S_IWRITE);
  if (descriptor < 0) return nullptr;
  std::FILE* file = _fdopen(descriptor, "wb");
  if (file == nullptr) _close(descriptor);
  return file;
}

// Replaces the target by the file at `from`; 0 or an errno value.
int ReplaceFile(const char* from, const char* to) {
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
  return ErrnoFromWindows(GetLastError());
}

bool IsDeviceOrPipe(const char*) { return false; }

std::string ResolveLinks(const std::string& path) { return path; }

#else

bool IsDirectory(const char* path) {
  struct stat info {};
  return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsExistingFile(const char* path) {
  struct stat info {};
  return stat(path, &info) == 0 && !S_ISDIR(info.st_mode);
}

std::FILE* CreateExclusive(const char* path) {
  int descriptor = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (descriptor < 0) return nullptr;
  std::FILE* file = fdopen(descriptor, "wb");
  if (file == nullptr) close(descriptor);
  return file;
}

int ReplaceFile(const char* from, const char* to) { return std::rename(from, to) == 0 ? 0 : errno; }

// An existing output that is no regular file (a terminal, /dev/null, a
// pipe) cannot be replaced: it is written directly.
bool IsDeviceOrPipe(const char* path) {
  struct stat info {};
  return stat(path, &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

// Through a symbolic link, the file it names is the one replaced.
std::string ResolveLinks(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : path;
}

#endif

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
  return IsExistingFile(path);
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

namespace {

void WriteInPlace(const std::string& path, ByteView bytes) {
  errno = 0;
  FilePtr file(std::fopen(path.c_str(), "wb"));
  if (!file) throw InOutError::FromErrno(errno != 0 ? errno : EIO);
  errno = 0;
  bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  written = std::fflush(file.get()) == 0 && written;
  if (!written) throw InOutError::FromErrno(errno != 0 ? errno : EIO);
}

}  // namespace

void WriteFileAtomically(const std::string& requested_path, ByteView bytes) {
  if (requested_path.empty()) throw InOutError::FromErrno(ENOENT);
  if (IsDirectory(requested_path.c_str())) throw InOutError::FromErrno(EISDIR);
  if (IsDeviceOrPipe(requested_path.c_str())) return WriteInPlace(requested_path, bytes);
  const std::string path = ResolveLinks(requested_path);
  std::random_device seed;
  std::mt19937_64 random((static_cast<uint64_t>(seed()) << 32) ^ seed());
  std::string temporary;
  FilePtr file;
  for (int attempt = 0; attempt < 16 && !file; ++attempt) {
    temporary = TemporaryNameFor(path, random);
    errno = 0;
    file.reset(CreateExclusive(temporary.c_str()));
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
  if (int error_number = ReplaceFile(temporary.c_str(), path.c_str()); error_number != 0) {
    std::remove(temporary.c_str());
    throw InOutError::FromErrno(error_number);
  }
}

}  // namespace midifile
