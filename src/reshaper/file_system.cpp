#include "reshaper/file_system.h"

#if defined(_WIN32)
#include <share.h>
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace reshaper {

#if defined(_WIN32)

FilePointer openFile(const char* path, const char* mode) { return FilePointer(_fsopen(path, mode, _SH_DENYNO)); }

PathKind pathKind(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::Folder : PathKind::RegularFile;
}

#else

FilePointer openFile(const char* path, const char* mode) { return FilePointer(std::fopen(path, mode)); }

PathKind pathKind(const char* path) {
  struct stat info {};
  if (stat(path, &info) != 0) return PathKind::Missing;
  if (S_ISDIR(info.st_mode)) return PathKind::Folder;
  return S_ISREG(info.st_mode) ? PathKind::RegularFile : PathKind::Other;
}

#endif

}  // namespace reshaper
