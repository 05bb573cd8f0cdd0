// The whole conversion: a format 1 MIDI file, plain or in a RIFF RMID form,
// becomes a plain format 0 file with one track.
#pragma once

#include <cstdint>

namespace reshaper {

// Statuses of a conversion.
constexpr int32_t kConverted = 0;
// The input or the output could not be opened (a null or empty path, a
// folder, the same file for both), or the output could not be written in
// full, or memory ran out.
constexpr int32_t kFileFailure = -1;
// The input's header does not read as format 1. The output is left empty.
constexpr int32_t kNotFormat1 = -4;

// Creates or empties the output before the input is read. Never throws.
int32_t convertMidi(const char* inputPath, const char* outputPath) noexcept;

}  // namespace reshaper
