// libFuzzer target: the exports that rewrite one file through the rewrite
// walk (MIDISetTags, MIDISetVol, MIDIEqualizer, MIDISetInstrMap,
// MIDICopyChannel, MIDIRemoveChannel), from the bytes as their exports
// load them. Every output must read strictly, load in chimekit's reader
// with the same events, keep the input's header, and (but for the tags,
// which the walk turns into empty text) be its own rewrite.
//
// Input: an operation byte, its parameter bytes (MIDISetTags: the tag
// file, its length in two bytes), then the MIDI file.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "chimekit/editing/channel_edit.h"
#include "chimekit/editing/equalizer.h"
#include "chimekit/editing/instrument_map.h"
#include "chimekit/editing/tags.h"
#include "chimekit/editing/volume.h"
#include "written_midi.h"

namespace {

enum Operation : uint8_t { kSetTags, kSetVolume, kEqualizer, kInstrumentMap, kCopyChannel, kRemoveChannel, kCount };

size_t ParameterBytes(uint8_t operation) {
  switch (operation) {
    case kSetVolume: return 3;
    case kEqualizer: return 9;
    case kInstrumentMap: return 512;
    case kCopyChannel: return 2;
    case kRemoveChannel: return 1;
    default: return 0;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const uint8_t operation = input.Byte() % kCount;
  uint8_t p[512] = {};
  for (size_t i = 0; i < ParameterBytes(operation); ++i) p[i] = input.Byte();
  const std::string_view tag_file = operation == kSetTags ? input.Sized() : std::string_view();
  std::optional<chimekit::LoadedInput> song = fuzz::LoadSong(input.Rest());
  if (!song) return 0;

  midifile::ByteString output;
  try {
    switch (operation) {
      case kSetTags:
        output = chimekit::PlaceTags(*song, tag_file);
        fuzz::CheckWrittenMidi(output, fuzz::RewriteHeaderOf(*song), {.tags = true});
        return 0;
      case kSetVolume: {
        chimekit::ShiftedFile shifted =
            chimekit::ShiftVolume(*song, {static_cast<int8_t>(p[0]), static_cast<int8_t>(p[1]), (p[2] & 1) != 0});
        const chimekit::VolumeShift& applied = shifted.applied;
        fuzz::Check(applied.volume >= -127 && applied.volume <= 127 && applied.key >= -127 && applied.key <= 127,
                    "a shift applied beyond -127..127");
        output = std::move(shifted.bytes);
        break;
      }
      case kEqualizer:
        output = chimekit::Equalize(*song, {{p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]}, p[8]});
        break;
      case kInstrumentMap: {
        chimekit::InstrumentTables tables;
        std::copy_n(p, 256, tables.keep.begin());
        std::copy_n(p + 256, 256, tables.map.begin());
        output = chimekit::MapInstruments(*song, tables);
        break;
      }
      case kCopyChannel:
        output = chimekit::CopyChannel(*song, p[0], p[1]);
        break;
      default:
        output = chimekit::RemoveChannel(*song, p[0]);
        break;
    }
  } catch (const midifile::ConversionError&) {
    return 0;  // left-out deltas adding up beyond 2^31 - 1: the exports' status 1
  }
  fuzz::CheckWrittenMidi(output, fuzz::RewriteHeaderOf(*song), {});
  fuzz::CheckWalkGivesItBack(output);
  return 0;
}
