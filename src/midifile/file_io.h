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
// A file replaced passes its access rights (and, where the process may set
// it, its owner) to the new one. The file is flushed to the disk before the
// rename and its folder after it, so a power loss too leaves the old file
// or the whole new one. Throws InOutError.
void WriteFileAtomically(const std::string& path, ByteView bytes);

// True when both paths name one existing file, however they spell it
// (links, "./", case on Windows): the same device and inode, or on Windows
// the same volume and file index.
bool SameFile(const std::string& first, const std::string& second);

}  // namespace midifile
