#include "chimekit/editing/volume.h"

#include <algorithm>

#include "chimekit/editing/drums.h"
#include "chimekit/editing/rewrite.h"
#include "chimekit/editing/song_output.h"
#include "midifile/rounding.h"

namespace chimekit {
namespace {

// Calls visit(event) for every event of every track up to and including
// its first end of track.
template <class Visit>
void ForEachEventUpToEnd(const midifile::TMidiFile& file, Visit&& visit) {
  for (int32_t t = 0; t < file.NumberOfTracks(); ++t) {
    for (const midifile::TMidiEvent& event : file.GetTrack(t).ToEndOfTrack()) visit(event);
  }
}

bool IsChannelVolume(const midifile::TMidiEvent& event) { return (event.Status & 0xF0) == 0xB0 && event.Data1 == 7; }

// Mean of a sum over a count, rounded halves to even, low 7 bits.
uint8_t Mean(uint64_t sum, uint64_t count) {
  return static_cast<uint8_t>(midifile::RoundEven64(static_cast<double>(sum) / static_cast<double>(count)) & 0x7F);
}

// The value range of a kind of data byte over the file; empty while
// max < min.
struct Range {
  int32_t min = 127;
  int32_t max = 0;
  void Add(uint8_t value) {
    min = std::min<int32_t>(min, value);
    max = std::max<int32_t>(max, value);
  }
};

// Reduces a shift so that value + shift stays within 0 to 127 for every
// value of the range (as far as the range allows).
int32_t Fit(int32_t shift, const Range& range) {
  shift = std::min(shift, 127 - range.max);
  return std::max(shift, -range.min);
}

// The step of one track: shifts keys and volumes of the events it may
// change and inserts the channel volume of a file that has none.
class ShiftStep {
 public:
  ShiftStep(const VolumeShift& shift, bool insertion_due) : shift_(shift), insertion_due_(insertion_due) {}

  bool operator()(WalkEvent& event, auto& out) {
    bool drum = drums_.IsDrum(event);
    drums_.See(event);
    if (drum && !shift_.drums_too) return true;
    uint8_t kind = event.Kind();
    if (kind == 0x90 && insertion_due_) {
      uint8_t level = static_cast<uint8_t>(shift_.volume >= 0 ? 127 : 127 + shift_.volume);
      // At delta 0: the note-on keeps its own time, carried deltas included.
      out.ChannelEventAtLast(static_cast<uint8_t>(0xB0 | event.Channel()), 7, level);
      insertion_due_ = false;
    }
    if (kind == 0x80 || kind == 0x90 || kind == 0xA0) event.data1 = Add8(event.data1, shift_.key);
    if (event.IsControl(7)) event.data2 = Add8(event.data2, shift_.volume);
    return true;
  }

 private:
  static uint8_t Add8(uint8_t value, int32_t shift) {
    return static_cast<uint8_t>((static_cast<uint32_t>(value) + static_cast<uint32_t>(shift)) & 0xFF);
  }

  const VolumeShift& shift_;
  bool insertion_due_;
  DrumRule drums_;
};

// The shifts reduced to fit (see ShiftVolume); insertion_due tells that the
// file has no channel volume.
VolumeShift FitVolumeShift(const midifile::TMidiFile& file, VolumeShift shift, bool& insertion_due) {
  shift.volume = std::clamp(shift.volume, -127, 127);
  shift.key = std::clamp(shift.key, -127, 127);
  Range keys, volumes;
  ForEachEventUpToEnd(file, [&](const midifile::TMidiEvent& event) {
    uint8_t kind = event.Status & 0xF0;
    if (kind == 0x80 || kind == 0x90 || kind == 0xA0) keys.Add(event.Data1);
    if (IsChannelVolume(event)) volumes.Add(event.Data2);
  });
  // Without any channel volume the volume shift stays and each track gets
  // a volume event instead; the keys are kept within 0 to 127 either way.
  insertion_due = volumes.max < volumes.min;
  if (!insertion_due) shift.volume = Fit(shift.volume, volumes);
  shift.key = Fit(shift.key, keys);
  return shift;
}

}  // namespace

VolumeLevels MeasureVolume(const midifile::TMidiFile& file) {
  uint64_t key_sum = 0, key_count = 0, volume_sum = 0, volume_count = 0;
  VolumeLevels levels;
  ForEachEventUpToEnd(file, [&](const midifile::TMidiEvent& event) {
    if (event.IsNoteOn()) {
      key_sum += event.Data1;
      ++key_count;
    }
    if (IsChannelVolume(event)) {
      volume_sum += event.Data2;
      ++volume_count;
      levels.max_volume = std::max(levels.max_volume, event.Data2);
    }
  });
  if (volume_count > 0) levels.mean_volume = Mean(volume_sum, volume_count);
  if (key_count > 0) levels.mean_key = Mean(key_sum, key_count);
  if (levels.mean_volume == 0) levels.mean_volume = 127;
  if (levels.max_volume == 0) levels.max_volume = 127;
  return levels;
}

ShiftedFile ShiftVolume(const LoadedInput& input, VolumeShift shift) {
  bool insertion_due = false;
  ShiftedFile shifted;
  shifted.applied = FitVolumeShift(input.file, shift, insertion_due);
  shifted.bytes = RewriteFile(input, [&](const midifile::TMidiTrack& track, int32_t, TrackOutput& out) {
    WalkTrack(track, out, ShiftStep(shifted.applied, insertion_due));
  });
  return shifted;
}

ShiftedSong ShiftVolume(const Song& song, uint16_t division, VolumeShift shift) {
  bool insertion_due = false;
  ShiftedSong shifted;
  shifted.applied = FitVolumeShift(song.file, shift, insertion_due);
  shifted.song = RewriteSong(song, division, [&](const midifile::TMidiTrack& track, int32_t, SongTrackOutput& out) {
    WalkTrack(track, out, ShiftStep(shifted.applied, insertion_due));
  });
  return shifted;
}

}  // namespace chimekit
