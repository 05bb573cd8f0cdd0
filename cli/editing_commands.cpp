// Subcommands that write a changed MIDI file: trim and set-volume, with the
// volume report beside them.
#include <algorithm>
#include <cstdio>
#include <optional>

#include "chimekit/editing/trim.h"
#include "chimekit/editing/volume.h"
#include "chimekit/ringtone/retime.h"
#include "command.h"
#include "editing_commands.h"
#include "midifile/errors.h"
#include "midifile/tempo_map.h"
#include "support.h"

namespace cli {

namespace {

// The value of an option as a whole number within [least, most], if given.
template <class Number>
void ReadOption(const ParsedArguments& parsed, const char* name, int64_t least, int64_t most, Number& into) {
  const std::string* value = parsed.Value(name);
  if (value != nullptr) into = static_cast<Number>(ParseInteger(*value, least, most, name));
}

// The note-ons of velocity above 0 in a MIDI file's bytes.
uint64_t SoundingNotes(midifile::ByteView bytes) {
  midifile::TMidiFile file;
  file.ReadBytes(bytes);
  uint64_t notes = 0;
  for (int32_t t = 0; t < file.NumberOfTracks(); ++t) {
    for (const midifile::TMidiEvent& event : file.GetTrack(t).Events()) {
      notes += (event.Status & 0xF0) == 0x90 && event.Data2 > 0 ? 1 : 0;
    }
  }
  return notes;
}

}  // namespace

int RunTrim(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {"--library-timing", "--tempo-map", "--allow-empty"},
                                 {"--start", "--end", "--start-percent", "--end-percent"});
  ExpectPositional(parsed, 2, 2);
  const std::string& path = parsed.positional[0];
  const bool library_timing = parsed.Has("--library-timing");
  if (library_timing && parsed.Has("--tempo-map")) throw UsageError("--library-timing and --tempo-map exclude each other");
  const bool in_seconds = parsed.Value("--start") != nullptr || parsed.Value("--end") != nullptr;
  const bool in_percent = parsed.Value("--start-percent") != nullptr || parsed.Value("--end-percent") != nullptr;
  if (in_seconds && in_percent) throw UsageError("give the range in seconds or in percent, not both");
  chimekit::TrimRange range{0, in_percent ? 100u : 0xFFFFFFFFu, !in_percent};
  if (const std::string* value = parsed.Value("--start")) range.start = ParseSeconds(*value, 0, 0xFFFFFFFF, "--start");
  if (const std::string* value = parsed.Value("--end")) range.end = ParseSeconds(*value, 0, 0xFFFFFFFF, "--end");
  ReadOption(parsed, "--start-percent", 0, 100, range.start);
  ReadOption(parsed, "--end-percent", 0, 100, range.end);
  if (const char* problem = chimekit::RangeProblem(range)) throw UsageError(std::string("bad range: ") + problem);

  chimekit::LoadedInput input = LoadRewriteInput(path);
  uint64_t song_ms = static_cast<uint64_t>(std::max(input.file.SongLengthMs(), 0));
  if (!library_timing) {
    // Re-timed to whole milliseconds at one tempo, the song's ticks are its
    // milliseconds as it plays.
    input = NamingInput(path, [&] {
      song_ms = midifile::TTempoMap(input.file).PlayedMs();
      return chimekit::ParseForRewrite(chimekit::RetimedFile(std::move(input.file), 1));
    });
  }
  std::optional<midifile::ByteString> trimmed = NamingInput(path, [&] { return chimekit::TrimSong(input, range); });
  if (!trimmed) throw midifile::ChimeError(path + ": the song is 0 ms long, there is nothing to trim");

  std::string past_end;
  if (range.in_ms && range.start > song_ms) {
    past_end = "the range starts at " + ExactSecondsText(range.start) + " s, after the song's end at " +
               ExactSecondsText(song_ms) + " s";
  }
  if (!parsed.Has("--allow-empty") && SoundingNotes(*trimmed) == 0) {
    throw midifile::ChimeError("no note: the trimmed song would be silent, so nothing was written" +
                               (past_end.empty() ? std::string() : "; " + past_end) +
                               " (--allow-empty writes it anyway)");
  }
  WriteOutput(parsed.positional[1], *trimmed);
  if (!past_end.empty()) {
    std::fprintf(stderr, "%s\n", past_end.c_str());
  } else if (parsed.Value("--end") != nullptr && range.end > song_ms) {
    std::fprintf(stderr, "the song ends at %s s, before the range's end at %s s\n", ExactSecondsText(song_ms).c_str(),
                 ExactSecondsText(range.end).c_str());
  }
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
