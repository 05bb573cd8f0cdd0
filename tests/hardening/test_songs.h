// The songs that the hardening tests hand to every export, and arguments
// that every export takes with them.
#pragma once

#include <string>

#include "export_calls.h"

namespace hardening {

// A format 1 song of three tracks: tempo and tags, a melody with
// controllers and a program change, drums. Each variant has other notes,
// so that the outputs of different variants differ.
std::string TestSong(int variant);

// Arguments with which every export succeeds on a TestSong (paths left
// null): a trim of 0 to 100 (ms and percent), shifts, levels, channels, an
// order text and instrument tables.
ExportArguments ValidArguments();

}  // namespace hardening
