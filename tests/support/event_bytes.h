// New data for an event, owned: bytes that a TEventData can point at (the
// length field, then the data), as a file holds them.
#pragma once

#include <stdexcept>
#include <string>

#include "midifile/event_data.h"
#include "midifile/smf_writer.h"

namespace test_support {

// It cannot be copied or moved, so views of it stay valid for its lifetime.
class TEventBytes {
 public:
  explicit TEventBytes(midifile::ByteView data) {
    if (data.size() > UINT32_MAX) throw std::length_error("event data longer than a length field can tell");
    midifile::AppendDataLength(stored_, static_cast<uint32_t>(data.size()));
    stored_.append(data);
  }
  TEventBytes(const TEventBytes&) = delete;
  TEventBytes& operator=(const TEventBytes&) = delete;

  midifile::TEventData Data() const { return midifile::TEventData(stored_.data()); }
  operator midifile::TEventData() const { return Data(); }

 private:
  std::string stored_;
};

}  // namespace test_support
