#include "chimekit/editing/channel_edit.h"

#include "chimekit/editing/rewrite.h"

namespace chimekit {
namespace {

bool IsChannelEvent(const WalkEvent& event) { return event.status >= 0x80 && event.status < 0xF0; }

// Writes, after each channel event of one channel, its copy on another.
class CopyStep {
 public:
  CopyStep(uint8_t from, uint8_t to) : from_(from), to_(to) {}

  bool operator()(WalkEvent&, TrackOutput&) const { return true; }
  void After(const WalkEvent& event, TrackOutput& out) const {
    if (from_ == to_ || !IsChannelEvent(event) || event.Channel() != from_) return;
    out.ChannelEvent(0, static_cast<uint8_t>(event.Kind() | to_), event.data1, event.data2);
  }

 private:
  uint8_t from_;
  uint8_t to_;
};

}  // namespace

midifile::ByteString CopyChannel(const LoadedInput& input, uint8_t from, uint8_t to) {
  CopyStep step(from & 0x0F, to & 0x0F);
  return RewriteFile(input, [&](const midifile::TMidiTrack& track, int32_t, TrackOutput& out) {
    WalkTrack(track, out, step);
  });
}

midifile::ByteString RemoveChannel(const LoadedInput& input, uint8_t channel) {
  channel &= 0x0F;
  return RewriteFile(input, [&](const midifile::TMidiTrack& track, int32_t, TrackOutput& out) {
    WalkTrack(track, out, [&](WalkEvent& event, TrackOutput&) {
      return !(IsChannelEvent(event) && event.Channel() == channel);
    });
  });
}

}  // namespace chimekit
