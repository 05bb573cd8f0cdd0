// Reading any SMAF file into its neutral score (score.h): the chunk walk
// with the content information, the optional data and the CRC, the score
// tracks of every sequence format the reader knows (Handyphone Standard,
// Mobile Standard compressed and not) with their voices, stream PCM and
// seek and phrase information, and the audio tracks with their waves.
#pragma once

#include <functional>
#include <string>

#include "chimekit/smafread/score.h"
#include "midifile/bytes.h"

namespace chimekit::smafread {

// Never throws for any content of `file` (only std::bad_alloc); reads no
// byte outside it, allocates nothing from a length before checking it
// against the bytes present, and takes time linear in the file's size (a
// compressed sequence decodes to at most eight bytes per byte of it). The
// score's byte ranges point into `file`.
SmafScore ReadSmafScore(midifile::ByteView file);

// The same, handing each score track to `sink` as soon as it is read; the
// score keeps the track without its events, whose storage the next track
// reuses (what converts a large file touches is then its largest track,
// not all of them).
using ScoreTrackSink = std::function<void(const ScoreTrack& track)>;
SmafScore ReadSmafScore(midifile::ByteView file, const ScoreTrackSink& sink);

// The content information and the optional data alone, nothing else read
// or checked: the texts that go ahead of the score.
SmafScore ReadSmafTexts(midifile::ByteView file);

// The bytes of a range of `file` (an empty view for a range outside it).
midifile::ByteView BytesOf(midifile::ByteView file, const ByteRange& range);

// An option text value without its escapes: a backslash stands for the
// byte after it.
std::string OptionValue(midifile::ByteView file, const ByteRange& value);

}  // namespace chimekit::smafread
