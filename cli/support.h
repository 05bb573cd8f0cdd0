// Small helpers shared by the subcommands.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "midifile/bytes.h"
#include "midifile/midi_file.h"

namespace cli {

// Throws a ChimeError "File not found: PATH" unless the path names an
// existing file that is not a directory.
void RequireInput(const std::string& path);

// RequireInput, then the loaded MIDI file.
midifile::TMidiFile LoadInput(const std::string& path);

// Writes an output to the named file (in one piece, through a temporary
// file) or, for "-" or an empty name, to standard output.
void WriteOutput(const std::string& path, midifile::ByteView bytes);

// Splits the arguments into positional ones and flags (words that start with
// "--", "-" alone is positional). Unknown flags are a UsageError.
struct ParsedArguments {
  std::vector<std::string> positional;
  std::vector<std::string> flags;
  bool Has(std::string_view flag) const;
};
ParsedArguments Parse(const std::vector<std::string>& arguments, const std::vector<std::string>& known_flags);

// Checks the number of positional arguments.
void ExpectPositional(const ParsedArguments& parsed, size_t least, size_t most);

// The positional argument at an index, or "" (standard output) when absent.
std::string OptionalPositional(const ParsedArguments& parsed, size_t index);

}  // namespace cli
