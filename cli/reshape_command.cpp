// The reshape subcommand: a format 1 MIDI file becomes a format 0 file with
// one track, by the same conversion as the Reshaper library's ConvertMidi.
#include "reshape_command.h"

#include <cstdio>
#include <stdexcept>

#include "command.h"
#include "midifile/file_io.h"
#include "reshaper/convert_midi.h"
#include "support.h"

namespace cli {

namespace {

// The failure of a conversion in words.
std::string Explain(const reshaper::ConversionResult& result, const std::string& input, const std::string& output) {
  switch (result.status) {
    case reshaper::kFileFailure:
      if (result.failedFile == reshaper::FailedFile::Input) return "Cannot read the input file: " + input;
      return "Cannot create the output file: " + output;
    case reshaper::kNotFormat1:
      return "Not a format 1 MIDI file: " + input + (output == "-" ? "" : " (the output was left empty)");
    case reshaper::kWriteFailure:
      return "Cannot write the output file: " + output + " (disk full or a write error); it was left as it was";
    case reshaper::kOutOfMemory:
      return "Out of memory";
    default:
      return "Conversion failed with status " + std::to_string(result.status);
  }
}

}  // namespace

int RunReshape(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {});
  ExpectPositional(parsed, 2, 2);
  const std::string& input = parsed.positional[0];
  const std::string& output = parsed.positional[1];
  RequireInput(input);

  reshaper::ConversionResult result;
  if (output == "-") {
    midifile::ByteString bytes = midifile::ReadWholeFile(input);
    std::vector<uint8_t> converted;
    result = reshaper::convertBytes(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), converted);
    if (result.status == reshaper::kConverted) {
      WriteOutput(output, midifile::ByteView(reinterpret_cast<const char*>(converted.data()), converted.size()));
    }
  } else {
    result = reshaper::convertFile(input.c_str(), output.c_str());
  }
  if (result.status != reshaper::kConverted) throw std::runtime_error(Explain(result, input, output));

  std::fprintf(output == "-" ? stderr : stdout,
               "tracks merged: %u\n"
               "events written: %u\n",
               static_cast<unsigned>(result.tracksMerged), static_cast<unsigned>(result.eventsWritten));
  return kExitOk;
}

}  // namespace cli
