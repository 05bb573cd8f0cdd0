// The file-system calls that the converter's input and its output share and
// that differ between the platforms. Paths are byte strings in the system
// code page, so Windows gets its narrow ("A") calls.
#pragma once

#include <cstdio>
#include <memory>

namespace reshaper {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

// Opens path in an fopen mode; null when that fails. On Windows other
// programs may open the file in any way while the converter has it.
FilePointer openFile(const char* path, const char* mode);

// What a path names. Windows tells only folders from files.
enum class PathKind { Missing, Folder, RegularFile, Other };
PathKind pathKind(const char* path);

}  // namespace reshaper
