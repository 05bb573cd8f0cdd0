#include "midifile/errors.h"

#include <cerrno>

namespace midifile {

InOutError InOutError::FromErrno(int error_number) {
  switch (error_number) {
    case ENOENT:
    case ENOTDIR:
      return InOutError("File not found", error_number);
    case EACCES:
    case EPERM:
    case EROFS:
      return InOutError("File access denied", error_number);
    case ENOSPC:
      return InOutError("Disk full", error_number);
    default:
      return InOutError("I/O error " + std::to_string(error_number), error_number);
  }
}

InOutError InOutError::ReadBeyondEnd() { return InOutError("Read beyond end of file"); }

ListIndexError::ListIndexError(int32_t index)
    : ChimeError("List index out of bounds (" + std::to_string(index) + ")") {}

}  // namespace midifile
