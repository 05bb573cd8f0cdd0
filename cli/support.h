// Small helpers shared by the subcommands: the arguments, and (files.h) the
// inputs and outputs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files.h"

namespace cli {

// Splits the arguments into positional ones, flags and options with a value
// (words that start with "-" and a letter; "-" alone and negative numbers
// are positional). An option takes the next word as its value, or the text
// after "=" in "--name=value". Unknown flags and options, and an option
// without a value, are a UsageError.
struct ParsedArguments {
  std::vector<std::string> positional;
  std::vector<std::string> flags;
  std::vector<std::pair<std::string, std::string>> options;  // in command-line order
  bool Has(std::string_view flag) const;
  // The value of the last occurrence of an option, or null when absent.
  const std::string* Value(std::string_view option) const;
};
ParsedArguments Parse(const std::vector<std::string>& arguments, const std::vector<std::string>& known_flags,
                      const std::vector<std::string>& known_options = {});

// A whole decimal number within [least, most]; anything else is a
// UsageError naming the option or argument.
int64_t ParseInteger(std::string_view text, int64_t least, int64_t most, std::string_view what);

// A time in seconds, whole or with up to three decimals ("12", "2.5"), as
// milliseconds within [least_ms, most_ms]; anything else is a UsageError.
uint32_t ParseSeconds(std::string_view text, uint32_t least_ms, uint32_t most_ms, std::string_view what);

// Milliseconds as seconds, as ParseSeconds takes them: "2", "2.5", "0.001".
std::string ExactSecondsText(uint64_t ms);

// Checks the number of positional arguments.
void ExpectPositional(const ParsedArguments& parsed, size_t least, size_t most);

// The positional argument at an index, or "" (standard output) when absent.
std::string OptionalPositional(const ParsedArguments& parsed, size_t index);

}  // namespace cli
