// durable_copy IN OUT: copies a file as the tool writes its outputs, for the
// durable floor of bench/compare: the input read in one call into memory of
// its size, the bytes written to a temporary file beside OUT, flushed to the
// disk, renamed over OUT, and OUT's folder flushed in turn. Nothing else:
// what a whole `chimekit reshape IN OUT` process takes beyond it is the
// conversion's own. POSIX only.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

int Fail(const std::string& what) {
  std::fprintf(stderr, "durable_copy: %s: %s\n", what.c_str(), std::strerror(errno));
  return 1;
}

bool WriteAll(int descriptor, const char* bytes, size_t size) {
  while (size > 0) {
    ssize_t written = write(descriptor, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: durable_copy IN OUT\n");
    return 2;
  }
  const std::string input = argv[1];
  const std::string output = argv[2];
  int in = open(input.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (in < 0 || fstat(in, &info) != 0) return Fail(input);
  const auto size = static_cast<size_t>(info.st_size);
  std::unique_ptr<char[]> bytes(new char[size > 0 ? size : 1]);
  size_t got = 0;
  while (got < size) {
    ssize_t now = read(in, bytes.get() + got, size - got);
    if (now < 0 && errno == EINTR) continue;
    if (now <= 0) break;
    got += static_cast<size_t>(now);
  }
  close(in);

  const std::string temporary = output + ".durable_copy.tmp";
  int out = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (out < 0) return Fail(temporary);
  if (!WriteAll(out, bytes.get(), got) || fsync(out) != 0 || close(out) != 0) {
    unlink(temporary.c_str());
    return Fail(temporary);
  }
  if (rename(temporary.c_str(), output.c_str()) != 0) {
    unlink(temporary.c_str());
    return Fail(output);
  }
  const size_t slash = output.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : output.substr(0, slash);
  int directory = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory < 0 || fsync(directory) != 0) return Fail(folder);
  close(directory);
  return 0;
}
