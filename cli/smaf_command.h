#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "midifile/midi_file.h"

namespace cli {

// chimekit smaf IN.mid OUT.mmf [--first-track] [--allow-empty]: converts
// and prints a summary.
int RunSmaf(const std::vector<std::string>& arguments);

// Converts the first track of a MIDI file to a SMAF ringtone, writes it and
// prints the conversion's summary on `report`. A ringtone without a note is
// refused unless allow_empty: nothing is written and the failure says why
// (`hint`, when not empty, is added to it).
int WriteRingtone(const midifile::TMidiFile& file, const std::string& output, bool allow_empty, const std::string& hint,
                  std::FILE* report);

}  // namespace cli
