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
  ParsedArguments parsed = Parse(arguments, {"--library-timing", "--tempo-map"});
  ExpectPositional(parsed, 1, 1);
  if (parsed.Has("--library-timing") && parsed.Has("--tempo-map")) {
    throw UsageError("--library-timing and --tempo-map exclude each other");
  }
  midifile::TMidiFile file = LoadInput(parsed.positional[0]);
  const uint64_t played = midifile::TTempoMap(file).PlayedMs();
  const int32_t library = file.SongLengthMs();
  const bool library_timing = parsed.Has("--library-timing");
  std::printf("%lld\n", library_timing ? static_cast<long long>(library) : static_cast<long long>(played));
  // More than 1% of the figure printed apart: the song changes tempo (or
  // ticks wrapped 32 bits).
  const double shown = library_timing ? std::max<double>(library, 0) : static_cast<double>(played);
  if (std::abs(static_cast<double>(played) - library) * 100 > shown) {
    std::fflush(stdout);
    if (library_timing) {
      std::fprintf(stderr, "the song changes tempo: %llu ms as it plays (without --library-timing)\n",
                   static_cast<unsigned long long>(played));
    } else {
      std::fprintf(stderr, "the song changes tempo: %d ms at its last tempo, as MIDIGetLengthMs times it (--library-timing)\n",
                   library);
    }
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
