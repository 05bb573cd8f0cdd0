// Small helpers shared by the subcommands.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "midifile/bytes.h"

namespace cli {

// Throws a ChimeError "File not found: PATH" unless the path names an
// existing file that is not a directory.
void RequireInput(const std::string& path);

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

// A whole number in the range of int64; UsageError otherwise.
int64_t ParseInteger(const std::string& text, const char* what);

}  // namespace cli
