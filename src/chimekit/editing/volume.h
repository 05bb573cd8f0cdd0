// Volume: the channel-volume (controller 7) levels and note keys of a file,
// measured and shifted. Velocities are not read or changed.
#pragma once

#include <cstdint>

#include "chimekit/editing/song_output.h"
#include "chimekit/frame/frame.h"
#include "midifile/bytes.h"
#include "midifile/midi_file.h"

namespace chimekit {

struct VolumeLevels {
  uint8_t max_volume = 0;   // 127 when the file has no channel volume
  uint8_t mean_volume = 0;  // 127 when the file has no channel volume
  uint8_t mean_key = 0;     // 0 when the file has no note-on
};

// The largest and the mean channel volume and the mean note-on key over
// every track, each up to its first end of track. Means round halves to
// even and keep their low 7 bits; a mean or largest volume of 0 reads 127.
VolumeLevels MeasureVolume(const midifile::TMidiFile& file);

struct VolumeShift {
  int32_t volume = 0;  // -128 .. 127; -128 counts as -127
  int32_t key = 0;     // -128 .. 127; -128 counts as -127
  bool drums_too = false;
};

struct ShiftedFile {
  midifile::ByteString bytes;
  VolumeShift applied;  // the shifts after they were reduced to fit
};

// The input rewritten with every channel volume moved by the volume shift
// and every note key (note-on, note-off, key pressure) by the key shift.
// Both shifts are first reduced so that no value leaves 0 to 127; a file
// without channel volume gets instead, in each track, one channel-volume
// event before its first shifted note-on. Drum events (channels 9 and 15,
// and every event of a track after an odd bank select until an even one)
// stay as they are unless drums_too.
ShiftedFile ShiftVolume(const LoadedInput& input, VolumeShift shift);

struct ShiftedSong {
  Song song;
  VolumeShift applied;
};

// The same in memory, into a song whose header carries `division`.
ShiftedSong ShiftVolume(const Song& song, uint16_t division, VolumeShift shift);

}  // namespace chimekit
