#include "midifile/event_data.h"

#include <stdexcept>

#include "midifile/smf_writer.h"

namespace midifile {

TEventBytes::TEventBytes(ByteView data) {
  if (data.size() > UINT32_MAX) throw std::length_error("event data longer than a length field can tell");
  AppendDataLength(stored_, static_cast<uint32_t>(data.size()));
  stored_.append(data);
}

}  // namespace midifile
