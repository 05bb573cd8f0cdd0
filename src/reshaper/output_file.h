// The file a conversion writes. Its bytes go to a temporary file beside the
// target, are flushed to the disk, and the temporary file is renamed over
// the target, whose folder is flushed in turn: a failure, even a power
// loss, leaves the target as it was or holding the whole new file. A file
// replaced passes its access rights (and its owner, where the process may
// set it) to the new one. A device or a pipe is written in place.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace reshaper {

class OutputFile {
 public:
  OutputFile() = default;
  // A file never committed leaves its target alone.
  ~OutputFile() { abandon(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Makes sure the target can be written, before anything is converted:
  // creates the temporary file, or opens a device. False, with the target
  // untouched, for a null or empty path, a folder, an existing file that may
  // not be written, or a folder that refuses the temporary file.
  bool prepare(const char* path);
  // Puts the content into the target. False when that fails (a short write,
  // disk full, a failed flush, close or rename); the target then keeps what
  // it held before.
  bool commit(std::span<const uint8_t> content);
  // Leaves the target as it was and removes the temporary file.
  void abandon();
  bool isPrepared() const { return !target_.empty(); }

 private:
  std::string target_;     // the file replaced on commit
  std::string temporary_;  // the temporary file beside it; empty for a device
};

// True when both paths name one existing file, however they spell it: the
// same device and inode (on Windows, the same volume and file index).
bool sameFile(const char* first, const char* second);

}  // namespace reshaper
