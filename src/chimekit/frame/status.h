// Status codes of the chimekit exports.
#pragma once

#include <cstdint>

namespace chimekit {

enum Status : uint8_t {
  kDone = 0,
  // The library's error: any failure after the existence tests.
  kLibraryError = 1,
  kMissingInput = 2,
  kBadRange = 3,
  kBadChannelOrder = 4,
};

}  // namespace chimekit
