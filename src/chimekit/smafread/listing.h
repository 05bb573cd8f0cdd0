// The listing of a SMAF file in words: every chunk, text, voice, wave and
// event of its score in file order, indented by nesting, with each problem
// in its place as a "problem: at 0x....: ..." line, and a summary line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chimekit/smafread/score.h"
#include "midifile/bytes.h"

namespace chimekit::smafread {

struct SmafListing {
  bool ok = false;                    // no problem found
  std::vector<std::string> lines;     // the listing, the summary last
  std::vector<std::string> problems;  // "at 0x<offset>: <text>", in file order
  std::string summary;
  uint32_t timebase_ms = 0;  // of the first score track; 0 when unknown or absent
  uint32_t score_tracks = 0;
  uint32_t audio_tracks = 0;
  uint32_t voices = 0;  // voice messages of the first score track's setup
  uint64_t notes = 0;   // of all score tracks
};

// A score track's sequence format in words: "Handyphone Standard",
// "Mobile Standard, compressed", "Mobile Standard", "32 channels, not
// read" (format type 3), "not read".
const char* FormatName(SequenceFormat format, uint8_t code);

// A wave's samples (per channel); 0 when its format, bits or rate are not
// known.
uint64_t SampleCount(const Wave& wave);

// A problem as the listing gives it: "at 0x<offset>: <text>".
std::string ProblemText(const Problem& problem);

// The problems in file order, as the listing gives them (those of one
// offset in the order found).
std::vector<const Problem*> InFileOrder(const std::vector<Problem>& problems);

// `file` is the file `score` was read from. Time and output grow linearly
// with the score.
SmafListing ListSmaf(midifile::ByteView file, const SmafScore& score);

}  // namespace chimekit::smafread
