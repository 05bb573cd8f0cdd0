// chimekit midi: a SMAF file's score as a Standard MIDI File.
#pragma once

#include <string>
#include <vector>

namespace cli {

int RunMidi(const std::vector<std::string>& arguments);

}  // namespace cli
