// The whole conversion: a format 1 MIDI file, plain or in a RIFF RMID form,
// becomes a plain format 0 file with one track.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "reshaper/file_buffer.h"

namespace reshaper {

// Statuses of a conversion.
constexpr int32_t kConverted = 0;
// The input could not be read (a null or empty path, a missing file, a
// folder) or the output could not be created (a null or empty path, a
// folder, a missing folder, a file that may not be written).
constexpr int32_t kFileFailure = -1;
// The input's header does not read as format 1. The output is left empty,
// unless it is the input file, which is then left as it was.
constexpr int32_t kNotFormat1 = -4;
// The output could not be written in full (disk full, a short write, a
// failed close or rename). The target keeps what it held before.
constexpr int32_t kWriteFailure = -5;
// Memory ran out. The target keeps what it held before.
constexpr int32_t kOutOfMemory = -6;

// Which file a kFileFailure is about.
enum class FailedFile : uint8_t { None, Input, Output };

struct ConversionResult {
  int32_t status = kConverted;
  uint32_t tracksMerged = 0;   // tracks read from the input, empty ones included
  uint32_t eventsWritten = 0;  // events of the output's track, its End of Track included
  FailedFile failedFile = FailedFile::None;
};

// Converts the bytes of a file in memory. output receives the format 0 file
// (empty unless the status is kConverted). Never throws. A std::vector is
// zero-filled up to the most the file can take before the merge writes it;
// FileBytes is not, and takes large pages where it is large.
ConversionResult convertBytes(std::span<const uint8_t> input, std::vector<uint8_t>& output) noexcept;
ConversionResult convertBytes(std::span<const uint8_t> input, FileBytes& output) noexcept;

// Converts a file into another. The input is read whole before the output
// is touched, so both may name the same file. With kNotFormat1 the output
// is an empty file, unless it names the input file (compared by device and
// inode, not by spelling), which every failure leaves as it was; after any
// other failure the output is as it was. A file replaced keeps its access
// rights and, where the process may set it, its owner; the output is
// flushed to the disk before it replaces the target. Never throws.
ConversionResult convertFile(const char* inputPath, const char* outputPath) noexcept;

// convertFile's status alone.
int32_t convertMidi(const char* inputPath, const char* outputPath) noexcept;

}  // namespace reshaper
