#include "midifile/file_io.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
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

// The file-system calls that differ between the platforms. Paths are byte
// strings in the system code page, so Windows gets its narrow ("A") calls.
// Files are read and written through plain descriptors: whole blocks go
// straight between the caller's bytes and the system, with no stream
// buffer between them. Every call returns -1 (or false) with errno set on
// failure.

// What an output path names.
enum class Target { replaceable, directory, device };

int ErrorNumber() { return errno != 0 ? errno : EIO; }

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

int Open(const char* path, int flags) {
  int descriptor = -1;
  errno = _sopen_s(&descriptor, path, flags | _O_BINARY, _SH_DENYNO, _S_IREAD | _S_IWRITE);
  return descriptor;
}
int OpenForReading(const char* path) { return Open(path, _O_RDONLY); }
int OpenForWriting(const char* path) { return Open(path, _O_WRONLY | _O_CREAT | _O_TRUNC); }
// A new file; fails with EEXIST when the name is taken.
int CreateExclusive(const char* path) { return Open(path, _O_WRONLY | _O_CREAT | _O_EXCL); }

// The size of an open regular file, a hint for reading it; 0 for anything
// else.
size_t SizeOf(int descriptor) {
  struct _stat64 info {};
  if (_fstat64(descriptor, &info) != 0 || (info.st_mode & _S_IFREG) == 0) return 0;
  return static_cast<size_t>(info.st_size);
}

int ReadPiece(int descriptor, char* data, size_t size) { return _read(descriptor, data, static_cast<unsigned>(size)); }
int WritePiece(int descriptor, const char* data, size_t size) {
  return _write(descriptor, data, static_cast<unsigned>(size));
}
int CloseDescriptor(int descriptor) { return _close(descriptor); }
int RemoveFile(const char* path) { return _unlink(path); }
// Puts what was written on the disk; 0 or an errno value.
int FlushToDisk(int descriptor) { return _commit(descriptor) == 0 ? 0 : ErrorNumber(); }

// Replaces the target by the file at `from`; 0 or an errno value. The
// system flushes the move before it returns.
int ReplaceFile(const char* from, const char* to) {
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
  return ErrnoFromWindows(GetLastError());
}
void FlushFolderOf(const std::string&) {}

// The replacement inherits its folder's access rules, as the file it
// replaces did; there is nothing of the old file to carry over.
struct Replaced {};
void KeepAttributes(int, const Replaced&) {}

Target InspectTarget(std::string& path, std::optional<Replaced>& replaced) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Target::replaceable;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Target::directory;
  replaced.emplace();
  return Target::replaceable;
}

bool IdentityOf(const char* path, BY_HANDLE_FILE_INFORMATION& info) {
  HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool known = GetFileInformationByHandle(file, &info) != 0;
  CloseHandle(file);
  return known;
}

bool IsSameFile(const char* first, const char* second) {
  BY_HANDLE_FILE_INFORMATION a{}, b{};
  return IdentityOf(first, a) && IdentityOf(second, b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
         a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

#else

bool IsExistingFile(const char* path) {
  struct stat info {};
  return stat(path, &info) == 0 && !S_ISDIR(info.st_mode);
}

int OpenForReading(const char* path) { return open(path, O_RDONLY | O_CLOEXEC); }
int OpenForWriting(const char* path) { return open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666); }
int CreateExclusive(const char* path) { return open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }

size_t SizeOf(int descriptor) {
  struct stat info {};
  if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) return 0;
  return static_cast<size_t>(info.st_size);
}

ssize_t ReadPiece(int descriptor, char* data, size_t size) { return read(descriptor, data, size); }
ssize_t WritePiece(int descriptor, const char* data, size_t size) { return write(descriptor, data, size); }
int CloseDescriptor(int descriptor) { return close(descriptor); }
int RemoveFile(const char* path) { return unlink(path); }

// Puts what was written on the disk; 0 or an errno value. A file system
// that cannot flush (EINVAL) has nothing to put there.
int FlushToDisk(int descriptor) {
  errno = 0;
  if (fsync(descriptor) == 0 || errno == EINVAL) return 0;
  return ErrorNumber();
}

int ReplaceFile(const char* from, const char* to) { return std::rename(from, to) == 0 ? 0 : errno; }

// Puts the folder's new entry on the disk, so that after a power loss the
// name holds the old file or the new one. The output is in place by then:
// a folder that cannot be flushed changes nothing of that.
void FlushFolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return;
  fsync(descriptor);
  close(descriptor);
}

// The access rights and owner of the file being replaced.
struct Replaced {
  mode_t mode = 0;
  uid_t owner = 0;
  gid_t group = 0;
};

// The replacement gets the replaced file's owner where the process may set
// it (only a privileged one may give a file away; the group where the
// caller belongs to it), then its access rights. The set-id bits are kept
// only with the owner.
void KeepAttributes(int descriptor, const Replaced& replaced) {
  mode_t mode = replaced.mode & 0777;
  if (fchown(descriptor, replaced.owner, replaced.group) == 0) {
    mode = replaced.mode & 07777;
  } else if (fchown(descriptor, static_cast<uid_t>(-1), replaced.group) != 0) {
    // Neither may be set: the replacement stays the caller's.
  }
  fchmod(descriptor, mode);
}

// Through a symbolic link, the file it names is the one replaced: `path`
// becomes that file's path (a dangling link is replaced itself). An
// existing output that is no regular file (a terminal, /dev/null, a pipe)
// cannot be replaced: it is written directly. `replaced` receives what an
// existing file has.
Target InspectTarget(std::string& path, std::optional<Replaced>& replaced) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return Target::replaceable;
  if (S_ISLNK(info.st_mode)) {
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
    if (!resolved) return Target::replaceable;
    path = resolved.get();
    if (stat(path.c_str(), &info) != 0) return Target::replaceable;
  }
  if (S_ISDIR(info.st_mode)) return Target::directory;
  if (!S_ISREG(info.st_mode)) return Target::device;
  replaced = Replaced{info.st_mode, info.st_uid, info.st_gid};
  return Target::replaceable;
}

bool IsSameFile(const char* first, const char* second) {
  struct stat a {}, b {};
  return stat(first, &a) == 0 && stat(second, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

#endif

// An open input, closed when it goes out of scope.
class InputFile {
 public:
  explicit InputFile(const std::string& path) {
    errno = 0;
    descriptor_ = OpenForReading(path.c_str());
    if (descriptor_ < 0) throw InOutError::FromErrno(ErrorNumber());
  }
  ~InputFile() { CloseDescriptor(descriptor_); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  size_t SizeHint() const { return SizeOf(descriptor_); }
  // Reads up to `size` bytes; fewer only at the end of the file.
  size_t Read(char* data, size_t size) {
    size_t got = 0;
    while (got < size) {
      errno = 0;
      auto piece = ReadPiece(descriptor_, data + got, std::min<size_t>(size - got, size_t{1} << 30));
      if (piece < 0 && errno == EINTR) continue;
      if (piece < 0) throw InOutError::FromErrno(ErrorNumber());
      if (piece == 0) break;
      got += static_cast<size_t>(piece);
    }
    return got;
  }

 private:
  int descriptor_ = -1;
};

// Writes all bytes; 0 or an errno value.
int WriteAll(int descriptor, ByteView bytes) {
  while (!bytes.empty()) {
    errno = 0;
    auto written = WritePiece(descriptor, bytes.data(), std::min<size_t>(bytes.size(), size_t{1} << 30));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return ErrorNumber();
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return 0;
}

// A device or pipe as output: opened, written and closed in place.
void WriteInPlace(const std::string& path, ByteView bytes) {
  errno = 0;
  int descriptor = OpenForWriting(path.c_str());
  if (descriptor < 0) throw InOutError::FromErrno(ErrorNumber());
  int error_number = WriteAll(descriptor, bytes);
  errno = 0;
  if (CloseDescriptor(descriptor) != 0 && error_number == 0) error_number = ErrorNumber();
  if (error_number != 0) throw InOutError::FromErrno(error_number);
}

constexpr char kDigits[] = "0123456789abcdef";

// Names beside the target for the output in the making. They only need to
// differ between calls that run at the same time: the exclusive create
// refuses a name that is taken, and the next one is tried. The clock, an
// address on the calling thread's stack and the library's place in memory
// (which differs between processes) start the sequence.
class TemporaryNames {
 public:
  explicit TemporaryNames(const std::string& path) : path_(path) {
    state_ = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
             (static_cast<uint64_t>(reinterpret_cast<uintptr_t>(this)) << 16) ^
             static_cast<uint64_t>(reinterpret_cast<uintptr_t>(kDigits));
  }

  std::string Next() {
    // SplitMix64: every state gives a well-mixed value.
    state_ += 0x9E3779B97F4A7C15u;
    uint64_t value = state_;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9u;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBu;
    value ^= value >> 31;
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
  InputFile file(path);
  // The bytes go straight into place: a file that tells its size is read
  // as it stood when it was opened, in one call and without asking again
  // for the end; one that tells no size (a pipe, a device) is read to its
  // end in blocks.
  ByteString content(file.SizeHint(), '\0');
  const size_t got = file.Read(content.data(), content.size());
  if (!content.empty()) {
    content.resize(got);
    return content;
  }
  char block[65536];
  while (size_t more = file.Read(block, sizeof block)) content.append(block, more);
  return content;
}

ByteString ReadDivisionBytes(const std::string& path) {
  InputFile file(path);
  char head[14];
  if (file.Read(head, sizeof head) < sizeof head) throw InOutError::ReadBeyondEnd();
  return ByteString(head + 12, 2);
}

bool SameFile(const std::string& first, const std::string& second) {
  if (first.empty() || second.empty()) return false;
  return IsSameFile(first.c_str(), second.c_str());
}

void WriteFileAtomically(const std::string& requested_path, ByteView bytes) {
  if (requested_path.empty()) throw InOutError::FromErrno(ENOENT);
  std::string path = requested_path;
  std::optional<Replaced> replaced;
  switch (InspectTarget(path, replaced)) {
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
    if (descriptor < 0 && errno != EEXIST) throw InOutError::FromErrno(ErrorNumber());
  }
  if (descriptor < 0) throw InOutError::FromErrno(EEXIST);

  int error_number = WriteAll(descriptor, bytes);
  if (replaced) KeepAttributes(descriptor, *replaced);
  // On the disk before it takes the target's name: after a power loss the
  // target holds the old bytes or all of the new ones.
  if (error_number == 0) error_number = FlushToDisk(descriptor);
  errno = 0;
  if (CloseDescriptor(descriptor) != 0 && error_number == 0) error_number = ErrorNumber();
  if (error_number == 0) error_number = ReplaceFile(temporary.c_str(), path.c_str());
  if (error_number != 0) {
    RemoveFile(temporary.c_str());
    throw InOutError::FromErrno(error_number);
  }
  FlushFolderOf(path);
}

}  // namespace midifile
