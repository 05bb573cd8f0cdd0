// The promises every MIDI file that chimekit writes keeps, checked by the
// fuzz targets of the editing exports: it reads strictly (strict_smf.h),
// chimekit's own reader loads it without a complaint and finds the same
// events, and its header is the one its input calls for.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "chimekit/editing/channel_edit.h"
#include "chimekit/frame/frame.h"
#include "fuzz_input.h"
#include "midifile/errors.h"
#include "midifile/midi_file.h"
#include "strict_smf.h"

namespace fuzz {

// The input as the editing exports load it; no value where they fail with
// status 1. Only the core's own typed failures are caught: anything else
// escapes and stops the run.
inline std::optional<chimekit::LoadedInput> LoadSong(std::string_view bytes) {
  try {
    return chimekit::ParseForRewrite(midifile::ByteString(bytes));
  } catch (const midifile::ChimeError&) {
    return std::nullopt;
  }
}

// What the header of a written file must say.
struct ExpectedHeader {
  uint16_t format = 0;
  int32_t tracks = 0;
  std::string_view division;  // the two bytes as stored
};

// The header that the rewrite of one loaded input writes: its format (0, 2,
// or 1 for anything else), its tracks and its stored division.
inline ExpectedHeader RewriteHeaderOf(const chimekit::LoadedInput& input) {
  auto format = input.file.FileFormat();
  uint16_t number = format == midifile::TFileFormat::single ? 0 : format == midifile::TFileFormat::multi_asynch ? 2 : 1;
  return {number, input.file.NumberOfTracks(), input.division};
}

inline void CheckWrittenMidi(std::string_view file, const ExpectedHeader& header, const Vocabulary& words) {
  StrictFile strict;
  if (const char* problem = ReadStrictly(file, words, strict)) Broken("written MIDI file:", problem);
  Check(strict.format == header.format, "written MIDI file: the format");
  Check(static_cast<int64_t>(strict.tracks.size()) == header.tracks, "written MIDI file: the number of tracks");
  Check(file.substr(12, 2) == header.division, "written MIDI file: the division bytes");

  midifile::TMidiFile loaded;
  try {
    loaded.ReadBytes(file);
  } catch (const midifile::ChimeError& error) {
    Broken("written MIDI file: chimekit's reader refuses it:", error.what());
  }
  Check(loaded.NumberOfTracks() == header.tracks, "written MIDI file: chimekit's reader counts other tracks");
  for (int32_t t = 0; t < loaded.NumberOfTracks(); ++t) {
    const midifile::TMidiTrack& track = loaded.GetTrack(t);
    const std::vector<StrictEvent>& events = strict.tracks[static_cast<size_t>(t)];
    Check(static_cast<size_t>(track.EventCount()) == events.size(), "written MIDI file: chimekit reads other events");
    for (size_t i = 0; i < events.size(); ++i) {
      const midifile::TMidiEvent& event = *track.GetEvent(static_cast<int32_t>(i));
      Check(event.Status == events[i].status && event.Data1 == events[i].data1 &&
                (event.Status >= 0xF0 || event.Data2 == events[i].data2) &&
                static_cast<uint32_t>(event.DeltaTime) == events[i].delta,
            "written MIDI file: chimekit reads an event otherwise");
    }
  }
}

// A file made only of what the rewrite walk writes is its own rewrite: the
// walk with no change (a channel copied onto itself) gives it back byte for
// byte.
inline void CheckWalkGivesItBack(std::string_view file) {
  chimekit::LoadedInput again = chimekit::ParseForRewrite(midifile::ByteString(file));
  Check(chimekit::CopyChannel(again, 0, 0) == file, "the rewrite walk does not give a rewritten file back");
}

}  // namespace fuzz
