#include "inspect_command.h"

#include <cstdio>

#include "chimekit/smafread/listing.h"
#include "chimekit/smafread/read.h"
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
  const midifile::ByteString bytes = RequireSmaf(path, ReadInput(path));
  const chimekit::smafread::SmafListing inspection =
      chimekit::smafread::ListSmaf(bytes, chimekit::smafread::ReadSmafScore(bytes));
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
