#include "support.h"

#include <cstdio>

#include "chimekit/frame/frame.h"
#include "command.h"
#include "midifile/errors.h"
#include "midifile/file_io.h"

namespace cli {

void RequireInput(const std::string& path) {
  if (!midifile::InputExists(path.c_str())) throw midifile::InOutError("File not found: " + path);
}

midifile::TMidiFile LoadInput(const std::string& path) {
  RequireInput(path);
  return chimekit::LoadMidiFile(path);
}

void WriteOutput(const std::string& path, midifile::ByteView bytes) {
  if (path.empty() || path == "-") {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
      throw midifile::InOutError("Cannot write to standard output");
    }
    return;
  }
  midifile::WriteFileAtomically(path, bytes);
}

bool ParsedArguments::Has(std::string_view flag) const {
  for (const std::string& f : flags) {
    if (f == flag) return true;
  }
  return false;
}

ParsedArguments Parse(const std::vector<std::string>& arguments, const std::vector<std::string>& known_flags) {
  ParsedArguments parsed;
  for (const std::string& argument : arguments) {
    if (argument.size() > 1 && argument[0] == '-' && !(argument[1] >= '0' && argument[1] <= '9')) {
      bool known = false;
      for (const std::string& flag : known_flags) known = known || flag == argument;
      if (!known) throw UsageError("unknown option " + argument);
      parsed.flags.push_back(argument);
    } else {
      parsed.positional.push_back(argument);
    }
  }
  return parsed;
}

void ExpectPositional(const ParsedArguments& parsed, size_t least, size_t most) {
  if (parsed.positional.size() < least) throw UsageError("missing argument");
  if (parsed.positional.size() > most) throw UsageError("too many arguments");
}

std::string OptionalPositional(const ParsedArguments& parsed, size_t index) {
  return index < parsed.positional.size() ? parsed.positional[index] : std::string();
}

}  // namespace cli
