#include "support/mido_check.h"

#include "support/load_midi.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace test_support {

std::string MidoSummary(const std::vector<std::string>& paths) {
  std::vector<std::string> arguments = {CHIMEKIT_TESTS_DIR "/support/mido_summary.py"};
  arguments.insert(arguments.end(), paths.begin(), paths.end());
  CommandResult result = RunProgram("/usr/bin/python3", arguments);
  return result.exit_code == 0 ? result.out : "mido failed: " + result.err;
}

std::string OwnSummary(const std::vector<std::string>& paths) {
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
