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
// into: those of the loaded TMidiFile, or a TEventBytes an export made.
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

// New data for an event, owned: what an export builds when it replaces the
// data of an event it writes (a scaled tempo, a changed text):
//
//   TEventBytes tempo(new_tempo_bytes);
//   TMidiEvent changed = *event;
//   changed.DataBytes = tempo;  // valid while `tempo` lives
//
// It cannot be copied or moved, so views of it stay valid for its lifetime.
class TEventBytes {
 public:
  // Data longer than 4 GiB - 1 bytes cannot be a MIDI event's data: std::length_error.
  explicit TEventBytes(ByteView data);
  TEventBytes(const TEventBytes&) = delete;
  TEventBytes& operator=(const TEventBytes&) = delete;

  TEventData Data() const { return TEventData(stored_.data()); }
  operator TEventData() const { return Data(); }

 private:
  ByteString stored_;  // length field, then the data
};

}  // namespace midifile
