// The reshape subcommand: a format 1 MIDI file becomes a format 0 file with
// one track, by the same conversion as the Reshaper library's ConvertMidi.
#include "reshape_command.h"

#include <cstdio>
#include <new>
#include <span>
#include <vector>

#include "command.h"
#include "midifile/errors.h"
#include "reshaper/convert_midi.h"
#include "support.h"

namespace cli {

namespace {

// Why a file was not converted, in words.
std::string NotFormat1(const std::string& path, midifile::ByteView bytes) {
  const std::string input = InputName(path);
  const FileKind kind = SniffFileKind(bytes);
  if (kind != FileKind::midi) return WrongKindText(path, kind);
  if (bytes.starts_with("MThd") && bytes.size() >= 10) {
    const unsigned format = (static_cast<uint8_t>(bytes[8]) << 8) | static_cast<uint8_t>(bytes[9]);
    if (format == 0) return input + ": not a format 1 MIDI file: it is format 0, one track already";
    return input + ": not a format 1 MIDI file: it is format " + std::to_string(format);
  }
  return input + ": not a format 1 MIDI file";
}

}  // namespace

int RunReshape(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {});
  ExpectPositional(parsed, 2, 2);
  const std::string& input = parsed.positional[0];
  const std::string& output = parsed.positional[1];
  // Converted in memory and written as every output of the tool is: a file
  // that is not converted leaves no output and the existing one as it was.
  const midifile::ByteString bytes = ReadInput(input);
  std::vector<uint8_t> converted;
  const reshaper::ConversionResult result = reshaper::convertBytes(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), converted);
  if (result.status == reshaper::kOutOfMemory) throw std::bad_alloc();
  if (result.status != reshaper::kConverted) throw midifile::ChimeError(NotFormat1(input, bytes));
  WriteOutput(output, midifile::ByteView(reinterpret_cast<const char*>(converted.data()), converted.size()));

  std::fprintf(output == "-" ? stderr : stdout,
               "tracks merged: %u\n"
               "events written: %u\n",
               static_cast<unsigned>(result.tracksMerged), static_cast<unsigned>(result.eventsWritten));
  return kExitOk;
}

}  // namespace cli
