// The sp subcommand: MIDI2SP from the shell.
#include "sp_command.h"

#include <cstdio>

#include "chimekit/sp/sp_convert.h"
#include "command.h"
#include "support.h"

namespace cli {

int RunSp(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {"--drums"}, {"--order", "--limit"});
  ExpectPositional(parsed, 2, 2);
  const std::string* order = parsed.Value("--order");
  const chimekit::OrderCompletion completion =
      chimekit::CompleteChannelOrder(order != nullptr ? order->c_str() : nullptr, parsed.Has("--drums"));
  if (!completion.map) throw UsageError("bad channel order: " + completion.problem);
  uint8_t limit = 0;
  if (const std::string* value = parsed.Value("--limit")) {
    limit = static_cast<uint8_t>(ParseInteger(*value, 0, 255, "--limit"));
  }

  const chimekit::SpConversion sp =
      chimekit::ConvertToSp(LoadRewriteInput(parsed.positional[0]), *completion.map, limit);
  const std::string& output = parsed.positional[1];
  WriteOutput(output, sp.bytes);
  std::fprintf(output == "-" ? stderr : stdout,
               "channel order: %s\n"
               "note limit: %u\n"
               "note-ons dropped: %s\n",
               chimekit::OrderText(*completion.map).c_str(), unsigned{chimekit::EffectiveNoteLimit(limit)},
               chimekit::DroppedText(sp.dropped).c_str());
  return kExitOk;
}

}  // namespace cli
