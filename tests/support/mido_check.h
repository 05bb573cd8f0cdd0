// MIDI outputs read back by two readers: chimekit's own and python3-mido.
#pragma once

#include <string>
#include <vector>

#include "support/load_midi.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace test_support {

// For each file a line "TYPE N1 N2 ...": the header's format, then the
// events of each track, as mido reads them; mido's complaint when it
// refuses a file.
inline std::string MidoSummary(const std::vector<std::string>& paths) {
  std::vector<std::string> arguments = {CHIMEKIT_TESTS_DIR "/support/mido_summary.py"};
  arguments.insert(arguments.end(), paths.begin(), paths.end());
  CommandResult result = RunProgram("/usr/bin/python3", arguments);
  return result.exit_code == 0 ? result.out : "mido failed: " + result.err;
}

// The same lines as chimekit's reader sees the files.
inline std::string OwnSummary(const std::vector<std::string>& paths) {
  std::string lines;
  for (const std::string& path : paths) {
    std::string bytes = ReadFileBytes(path);
    midifile::TMidiFile file = LoadMidi(bytes);
    lines += std::to_string(bytes.size() > 9 ? static_cast<unsigned char>(bytes[9]) : 0);
    for (int32_t t = 0; t < file.NumberOfTracks(); ++t) lines += " " + std::to_string(file.GetTrack(t).EventCount());
    lines += "\n";
  }
  return lines;
}

}  // namespace test_support
