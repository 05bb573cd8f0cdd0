// A temporary folder per test, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace test_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Path of a file in the folder (not created).
  std::string Path(std::string_view name) const;
  // Writes a file in the folder and returns its path.
  std::string Write(std::string_view name, std::string_view bytes) const;

 private:
  std::filesystem::path root_;
};

std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
// Names of the entries of a folder, sorted.
std::string ListFolder(const std::string& path);
// Every entry below a folder, as paths relative to it, sorted.
std::string ListTree(const std::string& path);

}  // namespace test_support
