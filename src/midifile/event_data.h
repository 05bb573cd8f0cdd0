// The data of a meta or system-exclusive event, held as a view so that an
// event stays small and copying it copies no bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "midifile/bytes.h"

namespace midifile {

// A view of an event's data. It points at the data's length field (a
// variable-length quantity) with the data right behind it, exactly as a
// MIDI file stores them, so that one pointer tells both where the data is
// and how long it is. A default TEventData is no data.
//
// Read the data as a ByteView: `ByteView data = event.DataBytes;` (or
// `.View()`, `.size()`). The view is valid as long as the bytes it points
// into: those of the loaded TMidiFile, or any bytes laid out the same way.
class TEventData {
 public:
  TEventData() = default;
  // `length_field` points at a variable-length quantity of at most five
  // bytes followed by at least as many bytes as it gives.
  explicit TEventData(const char* length_field) : length_field_(length_field) {}

  ByteView View() const {
    if (length_field_ == nullptr) return {};
    const char* at = length_field_;
    uint32_t length = 0;
    uint8_t byte = 0;
    do {
      byte = static_cast<uint8_t>(*at++);
      length = (length << 7) | (byte & 0x7Fu);
    } while (byte & 0x80);
    return ByteView(at, length);
  }
  operator ByteView() const { return View(); }
  size_t size() const { return View().size(); }
  bool empty() const { return View().empty(); }

 private:
  const char* length_field_ = nullptr;
};

}  // namespace midifile
