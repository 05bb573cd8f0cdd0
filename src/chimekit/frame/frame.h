// The frame every chimekit export runs in: path arguments, existence tests,
// loading, and the one guard that keeps failures from crossing the C
// boundary.
#pragma once

#include <cstdint>
#include <string>

#include "chimekit/frame/status.h"
#include "midifile/bytes.h"
#include "midifile/file_io.h"
#include "midifile/midi_file.h"

namespace chimekit {

// A path argument as a byte string; a null pointer gives the empty path,
// which names no file.
inline std::string PathArgument(const char* path) { return path != nullptr ? std::string(path) : std::string(); }

// Only the low byte of an 8-bit argument travelling in a 32-bit slot counts.
inline uint8_t LowByte(uint32_t value) { return static_cast<uint8_t>(value & 0xFF); }
inline int8_t SignedLowByte(int32_t value) { return static_cast<int8_t>(static_cast<uint32_t>(value) & 0xFF); }

// Runs an export's body. Every failure it raises becomes status 1; nothing
// escapes to the host.
template <class Body>
uint8_t RunExport(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return kLibraryError;
  }
}

// Loads a MIDI file by path (reads it whole, then parses it).
midifile::TMidiFile LoadMidiFile(const std::string& path);

// The whole of an export that reads one MIDI file and writes one output:
// status 2 for a missing input, then load, build the output in memory with
// `build(file)` and write it in one piece.
template <class Build>
uint8_t RunFileToFileExport(const char* in_file, const char* out_file, Build&& build) noexcept {
  return RunExport([&]() -> uint8_t {
    if (!midifile::InputExists(in_file)) return kMissingInput;
    midifile::TMidiFile file = LoadMidiFile(PathArgument(in_file));
    midifile::WriteFileAtomically(PathArgument(out_file), build(file));
    return kDone;
  });
}

// An input read once for the exports that rewrite it: its raw bytes give the
// stored division, and the model is parsed from the same bytes.
struct LoadedInput {
  midifile::ByteString division;  // bytes 12 and 13 as stored
  midifile::TMidiFile file;
  size_t byte_count = 0;  // size of the input, a first guess at the output's
};
LoadedInput LoadForRewrite(const std::string& path);
// The same from bytes in memory, handed over to the loaded file ("Read
// beyond end of file" for fewer than 14).
LoadedInput ParseForRewrite(midifile::ByteString bytes);

// The whole of an export that rewrites one MIDI file: status 2 for a missing
// input, then load it with its stored division, build the output in memory
// with `build(input)` and write it in one piece.
template <class Build>
uint8_t RunRewriteExport(const char* in_file, const char* out_file, Build&& build) noexcept {
  return RunExport([&]() -> uint8_t {
    if (!midifile::InputExists(in_file)) return kMissingInput;
    LoadedInput input = LoadForRewrite(PathArgument(in_file));
    midifile::WriteFileAtomically(PathArgument(out_file), build(input));
    return kDone;
  });
}

}  // namespace chimekit
