// The smaf subcommand: converts a MIDI file into a SMAF ringtone and
// reports what the conversion did.
#include "smaf_command.h"

#include <cstdio>

#include "chimekit/smaf/convert.h"
#include "command.h"
#include "support.h"

namespace cli {

int RunSmaf(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {});
  ExpectPositional(parsed, 2, 2);
  const std::string& input = parsed.positional[0];
  const std::string& output = parsed.positional[1];
  midifile::TMidiFile file = LoadInput(input);
  chimekit::smaf::TSmafConversion smaf = chimekit::smaf::ConvertToSmaf(file);
  WriteOutput(output, smaf.bytes);

  const chimekit::smaf::TSmafSummary& summary = smaf.summary;
  std::FILE* report = output == "-" ? stderr : stdout;
  std::fprintf(report,
               "timebase: %d ms (code 0x%02X)\n"
               "score tracks: %d\n"
               "voices: %d\n"
               "notes converted: %d\n"
               "notes dropped (no free slot): %d\n",
               summary.timebase_ms, summary.timebase_code, summary.score_tracks, summary.voices,
               summary.notes_converted, summary.notes_without_slot);
  return kExitOk;
}

}  // namespace cli
