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
  RefuseOutputOverInput(OptionalPositional(parsed, 1), parsed.positional[0], "the report", "MIDI file");
  midifile::TMidiFile file = LoadInput(parsed.positional[0]);
  WriteOutput(OptionalPositional(parsed, 1), chimekit::UsedChannelsReport(file));
  return kExitOk;
}

int RunDump(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {"--notes", "--library-channels"});
  ExpectPositional(parsed, 1, 2);
  const std::string output = OptionalPositional(parsed, 1);
  RefuseOutputOverInput(output, parsed.positional[0], "the listing", "MIDI file");
  midifile::TMidiFile file = LoadInput(parsed.positional[0]);
  const bool verbose = !parsed.Has("--notes");
  // The tool's listing counts channels as the tool does everywhere, from
  // 1; the export's file counts them from 0.
  const chimekit::ChannelNumbers numbers =
      parsed.Has("--library-channels") ? chimekit::ChannelNumbers::from_zero : chimekit::ChannelNumbers::from_one;
  WriteOutput(output, chimekit::DumpText(file, verbose, numbers));
  return kExitOk;
}

}  // namespace cli
