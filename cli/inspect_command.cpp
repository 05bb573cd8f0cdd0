#include "inspect_command.h"

#include <cstdio>

#include "chimekit/smaf/inspect.h"
#include "command.h"
#include "midifile/errors.h"
#include "support.h"

namespace cli {
namespace {

void PrintLine(std::FILE* out, const std::string& prefix, const std::string& line) {
  std::fwrite(prefix.data(), 1, prefix.size(), out);
  std::fwrite(line.data(), 1, line.size(), out);
  std::fputc('\n', out);
}

}  // namespace

int RunInspect(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {"--quiet"});
  ExpectPositional(parsed, 1, 1);
  const std::string& path = parsed.positional[0];
  const midifile::ByteString bytes = ReadInput(path);
  if (SniffFileKind(bytes) == FileKind::midi) {
    throw midifile::ChimeError(InputName(path) + ": a MIDI file, not a SMAF file ('chimekit smaf' makes one of it)");
  }
  const chimekit::smaf::SmafInspection inspection = chimekit::smaf::InspectSmaf(bytes);
  if (parsed.Has("--quiet")) {
    for (const std::string& problem : inspection.problems) PrintLine(stdout, "problem: ", problem);
    PrintLine(stdout, "", inspection.summary);
  } else {
    for (const std::string& line : inspection.lines) PrintLine(stdout, "", line);
  }
  if (std::fflush(stdout) != 0) throw midifile::InOutError("standard output: cannot be written");
  for (const std::string& problem : inspection.problems) PrintLine(stderr, "damaged SMAF file: ", problem);
  return inspection.ok ? kExitOk : kExitFailure;
}

}  // namespace cli
