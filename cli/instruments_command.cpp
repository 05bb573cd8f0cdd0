// instruments: the program changes of a MIDI file listed per channel, or
// replaced through a map file a person writes:
//
//   # piano becomes electric piano, the standard kit the room kit
//   melodic 0 -> 4
//   drums 0 -> 8
//
// Programs are 0 to 127 as stored in the file. `melodic` entries apply to
// program changes on melodic channels, `drums` entries to those on drum
// channels (MIDI channels 10 and 16, and a track after an odd bank select);
// programs not named are kept. A later entry for the same program wins.
#include <cstdio>
#include <sstream>
#include <string>

#include "channel_commands.h"
#include "chimekit/editing/instrument_map.h"
#include "command.h"
#include "midifile/errors.h"
#include "support.h"

namespace cli {

namespace {

// A program number of the map file, 0 to 127.
bool ReadProgram(std::istringstream& words, int& program) {
  return static_cast<bool>(words >> program) && program >= 0 && program <= 127;
}

// The two tables a map file stands for: every entry kept unless named.
chimekit::InstrumentTables ReadMapFile(const std::string& path) {
  chimekit::InstrumentTables tables;
  for (size_t i = 0; i < tables.keep.size(); ++i) tables.keep[i] = tables.map[i] = static_cast<uint8_t>(i & 0x7F);
  std::istringstream lines(ReadInput(path));
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    line = line.substr(0, line.find('#'));
    // "24->25" reads as "24 -> 25".
    for (size_t arrow = line.find("->"); arrow != std::string::npos; arrow = line.find("->", arrow + 4)) {
      line.replace(arrow, 2, " -> ");
    }
    std::istringstream words(line);
    std::string kind, arrow, rest;
    int from = 0, to = 0;
    if (!(words >> kind)) continue;  // an empty line or a comment
    bool good = (kind == "melodic" || kind == "drums") && ReadProgram(words, from) && (words >> arrow) &&
                arrow == "->" && ReadProgram(words, to) && !(words >> rest);
    if (!good) {
      throw midifile::ChimeError(path + " line " + std::to_string(number) +
                                 ": expected 'melodic P -> Q' or 'drums P -> Q' with programs 0 to 127");
    }
    uint8_t index = chimekit::InstrumentIndex(static_cast<uint8_t>(from), kind == "drums");
    tables.keep[index] = 0xFF;  // never a program's value: the entry is always replaced
    tables.map[index] = static_cast<uint8_t>(to);
  }
  return tables;
}

void PrintPrograms(const char* kind, const std::vector<uint8_t>& programs, bool& first) {
  if (programs.empty()) return;
  std::printf("%s%s", first ? " " : "; ", kind);
  for (size_t i = 0; i < programs.size(); ++i) std::printf("%s%u", i == 0 ? " " : ", ", unsigned{programs[i]});
  first = false;
}

int ListPrograms(const std::string& path) {
  std::array<chimekit::ChannelPrograms, 16> programs = chimekit::ProgramsByChannel(LoadInput(path));
  bool any = false;
  for (size_t channel = 0; channel < programs.size(); ++channel) {
    if (programs[channel].melodic.empty() && programs[channel].drums.empty()) continue;
    std::printf("channel %u:", static_cast<unsigned>(channel + 1));
    bool first = true;
    PrintPrograms("melodic", programs[channel].melodic, first);
    PrintPrograms("drums", programs[channel].drums, first);
    std::printf("\n");
    any = true;
  }
  if (!any) std::printf("no program changes\n");
  return kExitOk;
}

}  // namespace

int RunInstruments(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {}, {"--map"});
  const std::string* map = parsed.Value("--map");
  ExpectPositional(parsed, map != nullptr ? 2 : 1, map != nullptr ? 2 : 1);
  if (map == nullptr) return ListPrograms(parsed.positional[0]);
  RefuseOutputOverInput(parsed.positional[1], *map, "the MIDI file", "map file");
  chimekit::LoadedInput input = LoadRewriteInput(parsed.positional[0]);
  WriteOutput(parsed.positional[1], chimekit::MapInstruments(input, ReadMapFile(*map)));
  return kExitOk;
}

}  // namespace cli
