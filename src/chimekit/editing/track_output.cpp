#include "chimekit/editing/track_output.h"

#include "midifile/errors.h"
#include "midifile/smf_writer.h"

namespace chimekit {

using midifile::AppendByte;

TrackOutput::TrackOutput(midifile::ByteString& file) : file_(file), start_(midifile::BeginTrackChunk(file)) {}

void TrackOutput::Carry(int32_t delta) { carried_ += delta; }

int32_t TrackOutput::TakeDelta(int32_t delta) {
  // Left-out events whose deltas add up beyond 2^31 - 1 refuse the rewrite.
  const int32_t total = midifile::CheckedDeltaTime(carried_ + delta);
  carried_ = 0;
  return total;
}

void TrackOutput::ChannelEvent(int32_t delta, uint8_t status, uint8_t data1, uint8_t data2, bool with_status) {
  // One append per event: the delta, the status and the data bytes.
  char bytes[midifile::kMaxVarLength + 3];
  size_t count = midifile::EncodeVarLength(TakeDelta(delta), bytes);
  // A first data byte with its top bit set (kept from a damaged input)
  // would be read as a status byte: the status goes before it.
  if (with_status || data1 >= 0x80) bytes[count++] = static_cast<char>(status);
  bytes[count++] = static_cast<char>(data1);
  uint8_t kind = status & 0xF0;
  if (kind != 0xC0 && kind != 0xD0) bytes[count++] = static_cast<char>(data2);
  file_.append(bytes, count);
}

void TrackOutput::ChannelEventAtLast(uint8_t status, uint8_t data1, uint8_t data2) {
  const int64_t carried = carried_;
  carried_ = 0;
  ChannelEvent(0, status, data1, data2);
  carried_ = carried;
}

void TrackOutput::MetaEvent(int32_t delta, uint8_t type, uint8_t length, midifile::ByteView data) {
  midifile::AppendMetaEvent(file_, TakeDelta(delta), 0xFF, type, length, data);
  if (type == 0x2F) ended_ = true;
}

void TrackOutput::TextEvent(int32_t delta, uint8_t type, midifile::ByteView text) {
  midifile::AppendVarLength(file_, TakeDelta(delta));
  AppendByte(file_, 0xFF);
  AppendByte(file_, type);
  if (text.size() > 0x7FFFFFFFu) throw midifile::ConversionError("Tag text too long for a MIDI file");
  midifile::AppendVarLength(file_, static_cast<int32_t>(text.size()));
  file_.append(text);
}

void TrackOutput::Finish() {
  if (!ended_) MetaEvent(0, 0x2F, 0, {});
  midifile::EndTrackChunk(file_, start_);
}

}  // namespace chimekit
