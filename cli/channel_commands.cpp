// equalize, copy-channel, remove-channel, merge and combine: a MIDI file
// (or two) in, a changed MIDI file out.
#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "channel_commands.h"
#include "chimekit/editing/channel_edit.h"
#include "chimekit/editing/equalizer.h"
#include "chimekit/editing/join.h"
#include "command.h"
#include "support.h"

namespace cli {

namespace {

// A channel as musicians count it, 1 to 16, as the core's 0 to 15.
uint8_t ChannelArgument(const std::string& text, const char* what) {
  return static_cast<uint8_t>(ParseInteger(text, 1, 16, what) - 1);
}

uint8_t Level(std::string_view text, const char* what) { return static_cast<uint8_t>(ParseInteger(text, 0, 127, what)); }

// Eight levels separated by commas.
std::array<uint8_t, 8> Bands(const std::string& text) {
  std::array<uint8_t, 8> bands{};
  size_t start = 0;
  for (size_t i = 0; i < bands.size(); ++i) {
    size_t comma = text.find(',', start);
    bool last = i + 1 == bands.size();
    if ((comma == std::string::npos) != last) throw UsageError("--bands needs eight levels separated by commas");
    bands[i] = Level(std::string_view(text).substr(start, comma - start), "each level of --bands");
    start = comma + 1;
  }
  return bands;
}

// The rewrite of one input into one output, both positional.
template <class Rewrite>
int RewriteCommand(const ParsedArguments& parsed, Rewrite&& rewrite) {
  WriteOutput(parsed.positional[1], rewrite(LoadRewriteInput(parsed.positional[0])));
  return kExitOk;
}

int RunJoin(const std::vector<std::string>& arguments, bool sequential) {
  ParsedArguments parsed = Parse(arguments, {});
  ExpectPositional(parsed, 3, 3);
  chimekit::LoadedInput first = LoadRewriteInput(parsed.positional[0]);
  chimekit::LoadedInput second = LoadRewriteInput(parsed.positional[1]);
  chimekit::JoinedFile joined = chimekit::JoinInputs(first, second, sequential);
  const std::string& output = parsed.positional[2];
  WriteOutput(output, joined.bytes);
  std::fprintf(output == "-" ? stderr : stdout,
               "tracks: %d from the first file, %d from the second\n"
               "second file: starts at tick %s, %.6g of its ticks make one, tempos times %.6g\n",
               first.file.NumberOfTracks(), second.file.NumberOfTracks(), std::to_string(joined.second.offset).c_str(),
               joined.second.delta_scale, joined.second.tempo_factor);
  return kExitOk;
}

}  // namespace

int RunEqualize(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {}, {"--bands", "--drums"});
  ExpectPositional(parsed, 2, 2);
  const std::string* bands = parsed.Value("--bands");
  if (bands == nullptr) throw UsageError("--bands is required");
  const std::string* drums = parsed.Value("--drums");
  chimekit::EqualizerLevels levels{Bands(*bands), drums != nullptr ? Level(*drums, "--drums") : uint8_t{64}};
  return RewriteCommand(parsed, [&](const chimekit::LoadedInput& input) { return chimekit::Equalize(input, levels); });
}

int RunCopyChannel(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {});
  ExpectPositional(parsed, 4, 4);
  uint8_t from = ChannelArgument(parsed.positional[2], "FROM");
  uint8_t to = ChannelArgument(parsed.positional[3], "TO");
  return RewriteCommand(parsed,
                        [&](const chimekit::LoadedInput& input) { return chimekit::CopyChannel(input, from, to); });
}

int RunRemoveChannel(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {});
  ExpectPositional(parsed, 3, 3);
  uint8_t channel = ChannelArgument(parsed.positional[2], "CHANNEL");
  return RewriteCommand(parsed,
                        [&](const chimekit::LoadedInput& input) { return chimekit::RemoveChannel(input, channel); });
}

int RunMerge(const std::vector<std::string>& arguments) { return RunJoin(arguments, false); }

int RunCombine(const std::vector<std::string>& arguments) { return RunJoin(arguments, true); }

}  // namespace cli
