// Subcommands that read a MIDI file and report on it.
#include <cstdio>

#include "chimekit/inspection/length.h"
#include "command.h"
#include "inspection_commands.h"
#include "support.h"

namespace cli {

int RunLength(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {});
  ExpectPositional(parsed, 1, 1);
  midifile::TMidiFile file = LoadInput(parsed.positional[0]);
  std::printf("%d\n", file.SongLengthMs());
  return kExitOk;
}

int RunFirstNote(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {});
  ExpectPositional(parsed, 1, 1);
  midifile::TMidiFile file = LoadInput(parsed.positional[0]);
  std::printf("%d\n", chimekit::FirstNoteTime(file));
  return kExitOk;
}

}  // namespace cli
