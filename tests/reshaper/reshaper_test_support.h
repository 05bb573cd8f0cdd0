// Helpers of the Reshaper tests: streams over bytes kept in temporary files,
// tracks read from bytes, and whole conversions.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "reshaper/convert_midi.h"
#include "reshaper/midi_stream.h"
#include "reshaper/midi_track.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace reshaper_test {

// A reading stream over the given bytes.
class StreamOver {
 public:
  explicit StreamOver(std::string_view bytes) : path_(dir_.Write("in.bin", bytes)) {
    stream.open(path_.c_str(), reshaper::MidiStream::Reading);
  }
  reshaper::MidiStream stream;

 private:
  test_support::TempDir dir_;
  std::string path_;
};

// The bytes that body writes to a stream.
template <class Body>
std::string Written(Body&& body) {
  test_support::TempDir dir;
  std::string path = dir.Path("out.bin");
  reshaper::MidiStream stream;
  stream.open(path.c_str(), reshaper::MidiStream::Writing);
  body(stream);
  stream.close();
  return test_support::ReadFileBytes(path);
}

// One MTrk chunk with the given content, read as a track; null when the
// read fails.
inline std::unique_ptr<reshaper::MidiTrack> ReadTrack(std::string_view chunk) {
  StreamOver input(chunk);
  auto track = std::make_unique<reshaper::MidiTrack>(1);
  if (!track->read(input.stream)) return nullptr;
  return track;
}

inline std::string WrittenTrack(reshaper::MidiTrack& track) {
  track.computeLength();
  return Written([&](reshaper::MidiStream& stream) { track.write(stream); });
}

struct Conversion {
  int32_t status = 0;
  bool outputExists = false;
  std::string output;
};

inline Conversion Convert(std::string_view input) {
  test_support::TempDir dir;
  std::string in = dir.Write("in.mid", input);
  std::string out = dir.Path("out.mid");
  Conversion result;
  result.status = reshaper::convertMidi(in.c_str(), out.c_str());
  result.outputExists = test_support::FileExists(out);
  if (result.outputExists) result.output = test_support::ReadFileBytes(out);
  return result;
}

// The format 0 file the converter writes around one merged track.
inline std::string Format0(int division, const std::string& track) {
  return test_support::Header(0, 1, division) + test_support::Chunk("MTrk", track);
}

}  // namespace reshaper_test
