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
#include "reshaper/midi_stream.h"
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
  // The input is read as the library reads a file: into memory that is not
  // zero-filled first and takes large pages, so that a song of megabytes
  // costs a handful of page faults rather than one per 4 KiB; standard
  // input, and a file that cannot be read (whose fault ReadInput puts in
  // words), as every command reads its input.
  reshaper::MidiStream file;
  midifile::ByteString read;
  std::span<const uint8_t> bytes;
  if (input != "-" && file.open(input.c_str(), reshaper::MidiStream::Reading)) {
    bytes = file.data();
  } else {
    read = ReadInput(input);
    bytes = {reinterpret_cast<const uint8_t*>(read.data()), read.size()};
  }
  // Converted in memory (into the same kind of memory) and written as every
  // output of the tool is: a file that is not converted leaves no output
  // and the existing one as it was.
  reshaper::FileBytes converted;
  const reshaper::ConversionResult result = reshaper::convertBytes(bytes, converted);
  if (result.status == reshaper::kOutOfMemory) throw std::bad_alloc();
  if (result.status != reshaper::kConverted) {
    throw midifile::ChimeError(NotFormat1(input, {reinterpret_cast<const char*>(bytes.data()), bytes.size()}));
  }
  WriteOutput(output, midifile::ByteView(reinterpret_cast<const char*>(converted.data()), converted.size()));

  std::fprintf(output == "-" ? stderr : stdout,
               "tracks merged: %u\n"
               "events written: %u\n",
               static_cast<unsigned>(result.tracksMerged), static_cast<unsigned>(result.eventsWritten));
  return kExitOk;
}

}  // namespace cli
