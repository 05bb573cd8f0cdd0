#include "reshaper/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>

#include "reshaper/file_system.h"

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

namespace reshaper {

namespace {

// The file-system calls of the output alone that differ between the
// platforms (those the input shares are in file_system.h). Paths are byte
// strings in the system code page, so Windows gets its narrow ("A") calls.
#if defined(_WIN32)

// A new file; null with errno EEXIST when the name is taken.
bool createExclusive(const char* path) {
  int descriptor = -1;
  errno = _sopen_s(&descriptor, path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _SH_DENYNO, _S_IREAD | _S_IWRITE);
  if (descriptor < 0) return false;
  _close(descriptor);
  return true;
}

std::string resolveLinks(const std::string& path) { return path; }

// The replacement inherits its folder's access rules, as the replaced file did.
void keepAttributes(const char*, const char*) {}

bool flushToDisk(std::FILE* file) { return _commit(_fileno(file)) == 0; }

// The move is flushed before the call returns.
bool replaceFile(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
void flushFolderOf(const std::string&) {}

bool identityOf(const char* path, BY_HANDLE_FILE_INFORMATION& info) {
  HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool known = GetFileInformationByHandle(file, &info) != 0;
  CloseHandle(file);
  return known;
}

bool isSameFile(const char* first, const char* second) {
  BY_HANDLE_FILE_INFORMATION a{}, b{};
  return identityOf(first, a) && identityOf(second, b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
         a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

#else

bool createExclusive(const char* path) {
  int descriptor = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (descriptor < 0) return false;
  ::close(descriptor);
  return true;
}

// Through a symbolic link, the file it names is the one replaced.
std::string resolveLinks(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : path;
}

// The replacement gets the replaced file's owner where the process may set
// it (a privileged process; the group alone where the caller belongs to it),
// then its access rights; the set-id bits only together with the owner.
void keepAttributes(const char* replaced, const char* replacement) {
  struct stat info {};
  if (stat(replaced, &info) != 0) return;
  mode_t mode = info.st_mode & 0777;
  if (chown(replacement, info.st_uid, info.st_gid) == 0) {
    mode = info.st_mode & 07777;
  } else if (chown(replacement, static_cast<uid_t>(-1), info.st_gid) != 0) {
    // Neither may be set: the replacement stays the caller's.
  }
  chmod(replacement, mode);
}

// A file system that cannot flush (EINVAL) has nothing to put on a disk.
bool flushToDisk(std::FILE* file) { return fsync(fileno(file)) == 0 || errno == EINVAL; }

bool replaceFile(const char* from, const char* to) { return std::rename(from, to) == 0; }

// The folder's new entry on the disk. The output is in place by then: a
// folder that cannot be flushed changes nothing of that.
void flushFolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return;
  fsync(descriptor);
  ::close(descriptor);
}

bool isSameFile(const char* first, const char* second) {
  struct stat a {}, b {};
  return stat(first, &a) == 0 && stat(second, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

#endif

// A fresh name beside the target: the target's name, a random part, ".tmp".
// Created exclusively, so an existing file is never taken over.
bool createTemporary(const std::string& target, std::string& name) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::random_device seed;
  std::mt19937_64 random((uint64_t{seed()} << 32) ^ seed());
  for (int attempt = 0; attempt < 16; ++attempt) {
    name = target + ".";
    uint64_t value = random();
    for (int i = 0; i < 12; ++i, value >>= 4) name.push_back(kDigits[value & 15]);
    name += ".tmp";
    errno = 0;
    if (createExclusive(name.c_str())) return true;
    if (errno != EEXIST) break;  // the folder refuses it, not a name clash
  }
  name.clear();
  return false;
}

}  // namespace

bool OutputFile::prepare(const char* path) {
  abandon();
  if (path == nullptr || path[0] == '\0') return false;
  const PathKind kind = pathKind(path);
  if (kind == PathKind::Folder) return false;
  if (kind == PathKind::Other) {
    // A device or a pipe: nothing to replace, the bytes go straight in.
    if (FilePointer device = openFile(path, "wb"); device == nullptr) return false;
    target_ = path;
    return true;
  }
  std::string target = path;
  if (kind == PathKind::RegularFile) {
    // An existing file that may not be written stays as it is.
    if (FilePointer existing = openFile(path, "r+b"); existing == nullptr) return false;
    target = resolveLinks(target);
  }
  if (!createTemporary(target, temporary_)) return false;
  if (kind == PathKind::RegularFile) keepAttributes(target.c_str(), temporary_.c_str());
  target_ = std::move(target);
  return true;
}

bool OutputFile::commit(std::span<const uint8_t> content) {
  if (target_.empty()) return false;
  const bool replacing = !temporary_.empty();
  bool written = false;
  if (FilePointer file = openFile(replacing ? temporary_.c_str() : target_.c_str(), "wb")) {
    written = content.empty() || std::fwrite(content.data(), 1, content.size(), file.get()) == content.size();
    written = std::fflush(file.get()) == 0 && written;
    // On the disk before it takes the target's name.
    written = written && (!replacing || flushToDisk(file.get()));
    written = std::fclose(file.release()) == 0 && written;
  }
  if (written && replacing) {
    written = replaceFile(temporary_.c_str(), target_.c_str());
    if (written) {
      temporary_.clear();
      flushFolderOf(target_);
    }
  }
  abandon();
  return written;
}

void OutputFile::abandon() {
  if (!temporary_.empty()) {
    std::remove(temporary_.c_str());
    temporary_.clear();
  }
  target_.clear();
}

bool sameFile(const char* first, const char* second) {
  if (first == nullptr || second == nullptr || first[0] == '\0' || second[0] == '\0') return false;
  return isSameFile(first, second);
}

}  // namespace reshaper
