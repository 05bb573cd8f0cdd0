// Subcommands that write a changed MIDI file: trim and set-volume, with the
// volume report beside them.
#include <cstdio>
#include <optional>

#include "chimekit/editing/trim.h"
#include "chimekit/editing/volume.h"
#include "chimekit/ringtone/retime.h"
#include "command.h"
#include "editing_commands.h"
#include "midifile/errors.h"
#include "support.h"

namespace cli {

namespace {

// The value of an option as a whole number within [least, most], if given.
template <class Number>
void ReadOption(const ParsedArguments& parsed, const char* name, int64_t least, int64_t most, Number& into) {
  const std::string* value = parsed.Value(name);
  if (value != nullptr) into = static_cast<Number>(ParseInteger(*value, least, most, name));
}

}  // namespace

int RunTrim(const std::vector<std::string>& arguments) {
  ParsedArguments parsed =
      Parse(arguments, {"--tempo-map"}, {"--start", "--end", "--start-percent", "--end-percent"});
  ExpectPositional(parsed, 2, 2);
  bool in_ms = parsed.Value("--start") != nullptr || parsed.Value("--end") != nullptr;
  bool in_percent = parsed.Value("--start-percent") != nullptr || parsed.Value("--end-percent") != nullptr;
  if (in_ms && in_percent) throw UsageError("give the range in milliseconds or in percent, not both");
  chimekit::TrimRange range{0, in_percent ? 100u : 0xFFFFFFFFu, !in_percent};
  ReadOption(parsed, "--start", 0, 0xFFFFFFFF, range.start);
  ReadOption(parsed, "--end", 0, 0xFFFFFFFF, range.end);
  ReadOption(parsed, "--start-percent", 0, 100, range.start);
  ReadOption(parsed, "--end-percent", 0, 100, range.end);
  if (const char* problem = chimekit::RangeProblem(range)) throw UsageError(std::string("bad range: ") + problem);

  chimekit::LoadedInput input = LoadRewriteInput(parsed.positional[0]);
  // Re-timed to whole milliseconds at one tempo, the song's ticks are its
  // milliseconds as it plays.
  if (parsed.Has("--tempo-map")) input = chimekit::ParseForRewrite(chimekit::RetimedFile(std::move(input.file), 1));
  std::optional<midifile::ByteString> trimmed = chimekit::TrimSong(input, range);
  if (!trimmed) throw midifile::ChimeError("bad range: the song is 0 ms long, there is nothing to trim");
  WriteOutput(parsed.positional[1], *trimmed);
  return kExitOk;
}

int RunVolume(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {});
  ExpectPositional(parsed, 1, 1);
  chimekit::VolumeLevels levels = chimekit::MeasureVolume(LoadInput(parsed.positional[0]));
  std::printf("max volume: %u\nmean volume: %u\nmean key: %u\n", unsigned{levels.max_volume},
              unsigned{levels.mean_volume}, unsigned{levels.mean_key});
  return kExitOk;
}

int RunSetVolume(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {"--drums"}, {"--volume", "--key"});
  ExpectPositional(parsed, 2, 2);
  chimekit::VolumeShift shift;
  ReadOption(parsed, "--volume", -128, 127, shift.volume);
  ReadOption(parsed, "--key", -128, 127, shift.key);
  shift.drums_too = parsed.Has("--drums");

  chimekit::ShiftedFile shifted = chimekit::ShiftVolume(LoadRewriteInput(parsed.positional[0]), shift);
  const std::string& output = parsed.positional[1];
  WriteOutput(output, shifted.bytes);
  std::fprintf(output == "-" ? stderr : stdout, "volume shift: %+d\nkey shift: %+d\n", shifted.applied.volume,
               shifted.applied.key);
  return kExitOk;
}

}  // namespace cli
