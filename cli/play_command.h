// The play subcommand: renders a SMAF ringtone (or a MIDI file, converted
// first) to a WAV file to listen to.
#pragma once

#include <string>
#include <vector>

namespace cli {

int RunPlay(const std::vector<std::string>& arguments);

}  // namespace cli
