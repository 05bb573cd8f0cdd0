// The ringtone subcommand: the whole job of making a ringtone from a MIDI
// file people have: merged, re-timed, a window of it cut, its volume
// shifted, the notes sounding at once on a channel limited, converted to
// SMAF.
#include "ringtone_command.h"

#include "command.h"
#include "smaf_command.h"
#include "support.h"

namespace cli {
namespace {

// The longest time in seconds whose milliseconds fit 32 bits.
constexpr uint32_t kMostMs = 0xFFFFFFFF;

}  // namespace

int RunRingtone(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {"--allow-empty", "--library-timing"},
                                 {"--start", "--length", "--limit", "--volume", "--title", "--copyright"});
  ExpectPositional(parsed, 2, 2);
  chimekit::RingtoneOptions options;
  options.timing = TimingOption(parsed);
  options.window = chimekit::RingtoneWindow{};
  if (const std::string* value = parsed.Value("--start")) options.window->start_ms = ParseSeconds(*value, 0, kMostMs, "--start");
  if (const std::string* value = parsed.Value("--length")) {
    options.window->length_ms = ParseSeconds(*value, 1, kMostMs, "--length");
  }
  if (const std::string* value = parsed.Value("--limit")) {
    options.note_limit = static_cast<uint8_t>(ParseInteger(*value, 0, 255, "--limit"));
  }
  if (const std::string* value = parsed.Value("--volume")) {
    options.volume_shift = static_cast<int32_t>(ParseInteger(*value, -127, 127, "--volume"));
  }
  TitleOptions(parsed, parsed.positional[0], options);
  const std::string& output = parsed.positional[1];
  return WriteRingtone(parsed.positional[0], output, options, parsed.Has("--allow-empty"),
                       output == "-" ? stderr : stdout);
}

}  // namespace cli
