// File-system access of the chimekit core: existence tests, whole-file reads
// and outputs that appear in one piece or not at all.
#pragma once

#include <string>

#include "midifile/bytes.h"

namespace midifile {

// True when the path names an existing file that is not a directory.
// A null or empty path names nothing.
bool InputExists(const char* path);

// Reads the whole file. Throws InOutError.
ByteString ReadWholeFile(const std::string& path);

// Reads the first 14 bytes of a file and returns bytes 12 and 13 (the
// division field of an SMF header, exactly as stored). A shorter file is
// "Read beyond end of file".
ByteString ReadDivisionBytes(const std::string& path);

// Writes the bytes to a temporary file in the target's folder and renames it
// over the target, so that a failure never leaves a partial output and never
// damages an existing file. The target may be the input of the same call.
// Throws InOutError.
void WriteFileAtomically(const std::string& path, ByteView bytes);

}  // namespace midifile
