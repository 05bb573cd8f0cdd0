// Subcommands that read a MIDI file and report on it.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "chimekit/inspection/length.h"
#include "command.h"
#include "inspection_commands.h"
#include "midifile/tempo_map.h"
#include "support.h"

namespace cli {

int RunLength(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {"--tempo-map"});
  ExpectPositional(parsed, 1, 1);
  midifile::TMidiFile file = LoadInput(parsed.positional[0]);
  const uint64_t played = midifile::TTempoMap(file).PlayedMs();
  if (parsed.Has("--tempo-map")) {
    std::printf("%llu\n", static_cast<unsigned long long>(played));
    return kExitOk;
  }
  const int32_t length = file.SongLengthMs();
  std::printf("%d\n", length);
  // More than 1% apart: the song changes tempo (or ticks wrapped 32 bits).
  if (std::abs(static_cast<double>(played) - length) * 100 > std::max<double>(length, 0)) {
    std::fflush(stdout);
    std::fprintf(stderr, "the song changes tempo: %llu ms as it plays; --tempo-map gives that\n",
                 static_cast<unsigned long long>(played));
  }
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
