// A SMAF file's score as a Standard MIDI File: format 1, a conductor track
// (the title as the sequence name, the copyright, the artist as a text
// event, 120 BPM) and one track per score track the reader can read, at
// division 500, so that one tick is one millisecond and every onset and
// gate is exact.
//
// Channels: every channel of the score tracks that carries an event is a
// slot, taken in the order of the tracks in the file and of the channels
// in each. A slot whose channel status says rhythm plays on MIDI channel
// 10. A melody slot keeps its own number where it can: channel c of a
// Mobile Standard track is MIDI channel c + 1, channel c of Handyphone
// score track t (1 to 4) is MIDI channel 4 * (t - 1) + c + 1. Where that
// number is 10, or another melody slot has it already, the slot takes the
// lowest MIDI channel no slot has; when all fifteen are taken it shares its
// own number (channel 16 in place of 10). Melody never plays on channel 10.
//
// Each note is a note-on at its velocity (Handyphone notes: 127; a velocity
// of 0, which sounds in SMAF, becomes 1) and a note-off (velocity 64) gate
// milliseconds later; programs, controls (bank select, modulation, volume,
// pan, expression, RPN and the rest as the file gives them), pitch bend,
// pressure and exclusive messages are written as they come (a Handyphone
// control value above 127, such as the converter's volume 128, as 127;
// bank selects of drum banks, 0x80 and up, without their high bit). Octave
// settings are in the keys already; audio tracks have no MIDI form and are
// only counted.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "chimekit/smafread/score.h"
#include "midifile/bytes.h"

namespace chimekit::smafread {

inline constexpr uint32_t kMidiDivision = 500;  // ticks per quarter note at 120 BPM: one per millisecond

struct MidiSummary {
  uint32_t score_tracks = 0;  // written as MIDI tracks
  std::vector<std::string> formats;  // the sequence formats of those, each named once, in file order
  uint64_t notes = 0;
  uint32_t audio_tracks = 0;
  // "score tracks: 1 (Mobile Standard), notes: 1482, audio tracks: 0".
  std::string Text() const;
};

// The MIDI channel (0 to 15) of each channel of each readable score track,
// in the order of `score.score_tracks`; 0xFF for a channel without events.
using ChannelMap = std::vector<std::array<uint8_t, 16>>;
ChannelMap MapChannels(const SmafScore& score);

// The same one readable score track after another, in file order.
class ChannelMapper {
 public:
  std::array<uint8_t, 16> Map(const ScoreTrack& track);

 private:
  uint16_t taken_ = 0;  // MIDI channels a melody channel has
};

struct SmafMidi {
  midifile::ByteString bytes;
  MidiSummary summary;
  ChannelMap channels;
};

// Throws midifile::ConversionError when two events lie more than 2^28 - 1
// ms apart, which no delta time of a MIDI file holds. A score without a
// score track gives a file of the conductor track alone (the summary says
// so; the caller decides whether that is an output).
SmafMidi SmafToMidi(midifile::ByteView file, const SmafScore& score);

// The summary SmafToMidi gives of `score`, without writing the file.
MidiSummary SummariseMidi(const SmafScore& score);

// Reads `file` into `score` and writes its MIDI file one score track after
// another (ReadSmafScore with a sink): the same file as above, and what the
// conversion touches is its largest track, not all of them. `score` keeps
// its tracks without their events.
SmafMidi ReadSmafToMidi(midifile::ByteView file, SmafScore& score);

// The first text of a tag ("ST" title, "AN" artist, "CR" copyright): the
// optional data's entries before the content information's option text;
// empty when the file has none.
std::string TagText(midifile::ByteView file, const SmafScore& score, char first, char second);

// Why the MIDI file of `score` holds no note, in words: "no score track,
// only 1 audio track (recorded sound, which MIDI cannot hold)", "its 2
// score tracks hold no note", ...
std::string NoNoteText(const SmafScore& score, const MidiSummary& summary);

// Whether the reader reads a score track's sequence format.
bool IsReadable(const ScoreTrack& track);

}  // namespace chimekit::smafread
