#include "support.h"

#include <charconv>
#include <system_error>

#include "command.h"

namespace cli {

bool ParsedArguments::Has(std::string_view flag) const {
  for (const std::string& f : flags) {
    if (f == flag) return true;
  }
  return false;
}

const std::string* ParsedArguments::Value(std::string_view option) const {
  const std::string* value = nullptr;
  for (const auto& [name, text] : options) {
    if (name == option) value = &text;
  }
  return value;
}

namespace {

bool Listed(const std::vector<std::string>& names, std::string_view name) {
  for (const std::string& listed : names) {
    if (listed == name) return true;
  }
  return false;
}

}  // namespace

ParsedArguments Parse(const std::vector<std::string>& arguments, const std::vector<std::string>& known_flags,
                      const std::vector<std::string>& known_options) {
  ParsedArguments parsed;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    bool named = argument.size() > 1 && argument[0] == '-' && !(argument[1] >= '0' && argument[1] <= '9');
    if (!named) {
      parsed.positional.push_back(argument);
      continue;
    }
    size_t equals = argument.find('=');
    std::string name = argument.substr(0, equals);
    if (Listed(known_options, name)) {
      if (equals != std::string::npos) {
        parsed.options.emplace_back(name, argument.substr(equals + 1));
      } else if (i + 1 < arguments.size()) {
        parsed.options.emplace_back(name, arguments[++i]);
      } else {
        throw UsageError("option " + name + " needs a value");
      }
    } else if (equals == std::string::npos && Listed(known_flags, argument)) {
      parsed.flags.push_back(argument);
    } else {
      throw UsageError("unknown option " + argument);
    }
  }
  return parsed;
}

int64_t ParseInteger(std::string_view text, int64_t least, int64_t most, std::string_view what) {
  int64_t value = 0;
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(begin, end, value);
  if (text.empty() || error != std::errc() || stop != end || value < least || value > most) {
    throw UsageError(std::string(what) + " must be a whole number from " + std::to_string(least) + " to " +
                     std::to_string(most) + ", not '" + std::string(text) + "'");
  }
  return value;
}

std::string ExactSecondsText(uint64_t ms) {
  std::string text = std::to_string(ms / 1000);
  if (ms % 1000 == 0) return text;
  std::string fraction = std::to_string(1000 + ms % 1000).substr(1);
  return text + "." + fraction.substr(0, fraction.find_last_not_of('0') + 1);
}

uint32_t ParseSeconds(std::string_view text, uint32_t least_ms, uint32_t most_ms, std::string_view what) {
  const size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  bool good = !whole.empty() && whole.size() <= 10 && fraction.size() <= 3 &&
              (point == std::string_view::npos || !fraction.empty());
  uint64_t ms = 0;
  for (char c : whole) {
    good = good && c >= '0' && c <= '9';
    ms = ms * 10 + static_cast<uint64_t>(c - '0');
  }
  ms *= 1000;
  uint64_t scale = 100;
  for (size_t i = 0; i < fraction.size(); ++i, scale /= 10) {
    good = good && fraction[i] >= '0' && fraction[i] <= '9';
    ms += static_cast<uint64_t>(fraction[i] - '0') * scale;
  }
  if (!good || ms < least_ms || ms > most_ms) {
    throw UsageError(std::string(what) + " must be a number of seconds from " + ExactSecondsText(least_ms) + " to " +
                     ExactSecondsText(most_ms) + " (up to three decimals), not '" + std::string(text) + "'");
  }
  return static_cast<uint32_t>(ms);
}

void ExpectPositional(const ParsedArguments& parsed, size_t least, size_t most) {
  if (parsed.positional.size() < least) throw UsageError("missing argument");
  if (parsed.positional.size() > most) throw UsageError("too many arguments");
}

std::string OptionalPositional(const ParsedArguments& parsed, size_t index) {
  return index < parsed.positional.size() ? parsed.positional[index] : std::string();
}

}  // namespace cli
