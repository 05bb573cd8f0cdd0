// Subcommands that write a text report on a MIDI file.
#include "chimekit/inspection/channels.h"
#include "chimekit/inspection/dump.h"
#include "command.h"
#include "report_commands.h"
#include "support.h"

namespace cli {

int RunChannels(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {});
  ExpectPositional(parsed, 1, 2);
  midifile::TMidiFile file = LoadInput(parsed.positional[0]);
  WriteOutput(OptionalPositional(parsed, 1), chimekit::UsedChannelsReport(file));
  return kExitOk;
}

int RunDump(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {"--notes"});
  ExpectPositional(parsed, 1, 2);
  midifile::TMidiFile file = LoadInput(parsed.positional[0]);
  bool verbose = !parsed.Has("--notes");
  WriteOutput(OptionalPositional(parsed, 1), chimekit::DumpText(file, verbose));
  return kExitOk;
}

}  // namespace cli
