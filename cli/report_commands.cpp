// Subcommands that write a text report on a MIDI file.
#include "chimekit/frame/frame.h"
#include "chimekit/inspection/channels.h"
#include "chimekit/inspection/dump.h"
#include "command.h"
#include "report_commands.h"
#include "support.h"

namespace cli {

int RunChannels(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {});
  ExpectPositional(parsed, 1, 2);
  RequireInput(parsed.positional[0]);
  midifile::TMidiFile file = chimekit::LoadMidiFile(parsed.positional[0]);
  WriteOutput(parsed.positional.size() > 1 ? parsed.positional[1] : "", chimekit::UsedChannelsReport(file));
  return kExitOk;
}

int RunDump(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {"--notes"});
  ExpectPositional(parsed, 1, 2);
  RequireInput(parsed.positional[0]);
  midifile::TMidiFile file = chimekit::LoadMidiFile(parsed.positional[0]);
  bool verbose = !parsed.Has("--notes");
  WriteOutput(parsed.positional.size() > 1 ? parsed.positional[1] : "", chimekit::DumpText(file, verbose));
  return kExitOk;
}

}  // namespace cli
