// Helpers of the Reshaper tests: streams over bytes in memory, tracks read
// from bytes, whole conversions, and a file size limit that makes writes
// fail the way a full disk does.
#pragma once

#include <signal.h>
#include <sys/resource.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reshaper/convert_midi.h"
#include "reshaper/midi_stream.h"
#include "reshaper/model/midi_track.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace reshaper_test {

inline std::span<const uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// A reading stream over a copy of the given bytes.
class StreamOver {
 public:
  explicit StreamOver(std::string_view bytes) : bytes_(bytes) { stream.openBytes(AsBytes(bytes_)); }
  reshaper::MidiStream stream;

 private:
  std::string bytes_;
};

// The bytes that body writes to a stream.
template <class Body>
std::string Written(Body&& body) {
  reshaper::MidiStream stream;
  stream.openMemory();
  body(stream);
  const std::vector<uint8_t>& bytes = stream.bytes();
  return std::string(bytes.begin(), bytes.end());
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

// A conversion from file to file in a fresh folder.
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

// A conversion in memory.
inline Conversion ConvertBytes(std::string_view input) {
  std::vector<uint8_t> output;
  Conversion result;
  result.status = reshaper::convertBytes(AsBytes(input), output).status;
  result.output.assign(output.begin(), output.end());
  return result;
}

// The format 0 file the converter writes around one merged track.
inline std::string Format0(int division, const std::string& track) {
  return test_support::Header(0, 1, division) + test_support::Chunk("MTrk", track);
}

// While it lives, no file of this process (or of a program it starts) can
// grow beyond the given size: writes past it fail as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
    savedSignal_ = signal(SIGXFSZ, SIG_IGN);  // a failed write instead of the end of the process
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, savedSignal_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*savedSignal_)(int) = SIG_DFL;
};

}  // namespace reshaper_test
