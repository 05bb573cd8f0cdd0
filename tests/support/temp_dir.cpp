#include "support/temp_dir.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <vector>

namespace test_support {

TempDir::TempDir() {
  std::random_device seed;
  auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("chimekit-test-" + std::to_string(seed()));
    if (std::filesystem::create_directory(candidate)) {
      root_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string TempDir::Path(std::string_view name) const { return (root_ / std::string(name)).string(); }

std::string TempDir::Write(std::string_view name, std::string_view bytes) const {
  std::string path = Path(name);
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

namespace {

// One name a line, sorted.
std::string SortedLines(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  std::string out;
  for (const std::string& name : names) out += name + "\n";
  return out;
}

}  // namespace

std::string ListFolder(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path)) names.push_back(entry.path().filename().string());
  return SortedLines(std::move(names));
}

std::string ListTree(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
    names.push_back(entry.path().lexically_relative(path).string());
  }
  return SortedLines(std::move(names));
}

}  // namespace test_support
