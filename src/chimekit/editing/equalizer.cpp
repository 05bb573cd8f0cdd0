#include "chimekit/editing/equalizer.h"

#include "chimekit/editing/drums.h"
#include "chimekit/editing/rewrite.h"

namespace chimekit {
namespace {

constexpr uint8_t kStartLevel = 64;

class EqualizerStep {
 public:
  explicit EqualizerStep(const EqualizerLevels& levels) : levels_(levels) {}

  bool operator()(WalkEvent& event, TrackOutput& out) {
    drums_.See(event);
    // The input's channel volume and channel pressure give way to the
    // inserted levels; their deltas pass on.
    if (event.IsControl(7) || event.Kind() == 0xD0) return false;
    if (event.Kind() == 0x90 || event.Kind() == 0xA0) {
      uint8_t level = drums_.IsDrum(event) ? levels_.drums : levels_.bands[(event.data1 & 0x7F) >> 4];
      level &= 0x7F;
      if (level != level_) {
        level_ = level;
        out.ChannelEvent(event.delta, static_cast<uint8_t>(0xB0 | event.Channel()), 7, level);
        event.delta = 0;
      }
    }
    return true;
  }

 private:
  const EqualizerLevels& levels_;
  DrumRule drums_;
  uint8_t level_ = kStartLevel;  // the level last set in the track
};

}  // namespace

midifile::ByteString Equalize(const LoadedInput& input, const EqualizerLevels& levels) {
  return RewriteFile(input, [&](const midifile::TMidiTrack& track, int32_t, TrackOutput& out) {
    WalkTrack(track, out, EqualizerStep(levels));
  });
}

}  // namespace chimekit
