// The pieces of the SMAF listing: the line log that puts each problem in
// its place (before the first line of a later offset), and the listings of
// a track's chunks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chimekit/smafread/listing.h"
#include "chimekit/smafread/score.h"
#include "midifile/bytes.h"

namespace chimekit::smafread::listing {

class LineLog {
 public:
  LineLog(SmafListing& result, const std::vector<Problem>& problems);

  // A line about the bytes at `at`, `depth` levels in; the problems found
  // before `at` come first, at the same depth.
  void Line(uint32_t at, uint8_t depth, const std::string& text);
  // The problems not listed yet, at depth 0.
  void Rest();

 private:
  void Flush(uint32_t before, uint8_t depth);

  SmafListing& result_;
  std::vector<const Problem*> problems_;  // by offset, in the order found at one offset
  size_t next_ = 0;
};

struct SequenceCounts {
  uint64_t events = 0;
  uint64_t notes = 0;
  uint64_t units = 0;
};

// The line of a setup chunk's messages.
void ListVoices(midifile::ByteView file, const std::vector<Voice>& voices, uint8_t depth, LineLog& log);
// The events of a score track's sequence chunk; compressed tracks list
// theirs at the chunk body's offset.
SequenceCounts ListScoreEvents(const ScoreTrack& track, const ChunkFact& chunk, uint8_t depth, LineLog& log);
SequenceCounts ListAudioEvents(const AudioTrack& track, uint8_t depth, LineLog& log);
std::string WaveText(const Wave& wave);

}  // namespace chimekit::smafread::listing
