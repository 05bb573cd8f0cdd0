#include "midifile/file_io.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

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
// Outputs are written through plain descriptors: one write of the whole
// output, no stream buffer.

// What an output path names.
enum class Target { replaceable, directory, device };

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

bool IsExistingFile(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The size of an open regular file, a hint for reading it; 0 for anything
// else.
size_t SizeOf(std::FILE* file) {
  struct _stat64 info {};
  if (_fstat64(_fileno(file), &info) != 0 || (info.st_mode & _S_IFREG) == 0) return 0;
  return static_cast<size_t>(info.st_size);
}

Target InspectTarget(std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  bool directory = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return directory ? Target::directory : Target::replaceable;
}

uint64_t ProcessId() { return GetCurrentProcessId(); }

// Creates a new file for writing: a descriptor, or -1 with errno set
// (EEXIST when the name is taken).
int CreateExclusive(const char* path) {
  int descriptor = -1;
  errno = _sopen_s(&descriptor, path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _SH_DENYNO, _S_IREAD | _S_IWRITE);
  return descriptor;
}

int WritePiece(int descriptor, const char* data, size_t size) {
  return _write(descriptor, data, static_cast<unsigned>(size));
}

int CloseDescriptor(int descriptor) { return _close(descriptor); }

int RemoveFile(const char* path) { return _unlink(path); }

// Replaces the target by the file at `from`; 0 or an errno value.
int ReplaceFile(const char* from, const char* to) {
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
  return ErrnoFromWindows(GetLastError());
}

#else

bool IsExistingFile(const char* path) {
  struct stat info {};
  return stat(path, &info) == 0 && !S_ISDIR(info.st_mode);
}

size_t SizeOf(std::FILE* file) {
  struct stat info {};
  if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
  return static_cast<size_t>(info.st_size);
}

// Through a symbolic link, the file it names is the one replaced: `path`
// becomes that file's path (a dangling link is replaced itself). An
// existing output that is no regular file (a terminal, /dev/null, a pipe)
// cannot be replaced: it is written directly.
Target InspectTarget(std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return Target::replaceable;
  if (S_ISLNK(info.st_mode)) {
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
    if (!resolved) return Target::replaceable;
    path = resolved.get();
    if (stat(path.c_str(), &info) != 0) return Target::replaceable;
  }
  if (S_ISDIR(info.st_mode)) return Target::directory;
  return S_ISREG(info.st_mode) ? Target::replaceable : Target::device;
}

uint64_t ProcessId() { return static_cast<uint64_t>(getpid()); }

int CreateExclusive(const char* path) { return open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }

ssize_t WritePiece(int descriptor, const char* data, size_t size) { return write(descriptor, data, size); }

int CloseDescriptor(int descriptor) { return close(descriptor); }

int RemoveFile(const char* path) { return unlink(path); }

int ReplaceFile(const char* from, const char* to) { return std::rename(from, to) == 0 ? 0 : errno; }

#endif

// Writes all bytes; 0 or an errno value.
int WriteAll(int descriptor, ByteView bytes) {
  while (!bytes.empty()) {
    errno = 0;
    auto written = WritePiece(descriptor, bytes.data(), std::min<size_t>(bytes.size(), size_t{1} << 30));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return errno != 0 ? errno : EIO;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return 0;
}

// Names beside the target for the output in the making. They only need to
// differ between calls that run at the same time: the exclusive create
// refuses a name that is taken, and the next one is tried. The clock, the
// process and an address on the calling thread's stack start the sequence.
class TemporaryNames {
 public:
  explicit TemporaryNames(const std::string& path) : path_(path) {
    state_ = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
             (ProcessId() << 40) ^ static_cast<uint64_t>(reinterpret_cast<uintptr_t>(this));
  }

  std::string Next() {
    // SplitMix64: every state gives a well-mixed value.
    state_ += 0x9E3779B97F4A7C15u;
    uint64_t value = state_;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9u;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBu;
    value ^= value >> 31;
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name = path_ + ".";
    for (int i = 0; i < 12; ++i) {
      name.push_back(kDigits[value & 15]);
      value >>= 4;
    }
    return name + ".tmp";
  }

 private:
  const std::string& path_;
  uint64_t state_;
};

}  // namespace

bool InputExists(const char* path) {
  if (path == nullptr || *path == '\0') return false;
  return IsExistingFile(path);
}

ByteString ReadWholeFile(const std::string& path) {
  FilePtr file = OpenForReading(path);
  // The bytes go straight into place, with room for the size the file has
  // now; a file that grows meanwhile is still read to its end.
  const size_t expected = SizeOf(file.get());
  ByteString content(expected, '\0');
  size_t got = std::fread(content.data(), 1, expected, file.get());
  content.resize(got);
  if (got == expected) {
    char block[65536];
    for (;;) {
      size_t more = std::fread(block, 1, sizeof block, file.get());
      content.append(block, more);
      if (more < sizeof block) break;
    }
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
  std::string path = requested_path;
  switch (InspectTarget(path)) {
    case Target::directory:
      throw InOutError::FromErrno(EISDIR);
    case Target::device:
      return WriteInPlace(requested_path, bytes);
    case Target::replaceable:
      break;
  }
  TemporaryNames names(path);
  std::string temporary;
  int descriptor = -1;
  for (int attempt = 0; attempt < 16 && descriptor < 0; ++attempt) {
    temporary = names.Next();
    errno = 0;
    descriptor = CreateExclusive(temporary.c_str());
    if (descriptor < 0 && errno != EEXIST) throw InOutError::FromErrno(errno != 0 ? errno : EIO);
  }
  if (descriptor < 0) throw InOutError::FromErrno(EEXIST);

  int error_number = WriteAll(descriptor, bytes);
  errno = 0;
  if (CloseDescriptor(descriptor) != 0 && error_number == 0) error_number = errno != 0 ? errno : EIO;
  if (error_number == 0) error_number = ReplaceFile(temporary.c_str(), path.c_str());
  if (error_number != 0) {
    RemoveFile(temporary.c_str());
    throw InOutError::FromErrno(error_number);
  }
}

}  // namespace midifile
