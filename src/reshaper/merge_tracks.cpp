#include "reshaper/merge_tracks.h"

#include <algorithm>
#include <cstring>

#include "reshaper/merge_tree.h"

namespace reshaper {

namespace {

constexpr uint32_t kChunkHeaderBytes = 8;
constexpr uint32_t kFileHeaderBytes = kChunkHeaderBytes + 6;

uint8_t* writeBigEndian(uint8_t* out, uint32_t value, int bytes) {
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) *out++ = static_cast<uint8_t>(value >> shift);
  return out;
}

uint8_t* writeId(uint8_t* out, const char (&id)[5]) {
  std::memcpy(out, id, 4);
  return out + 4;
}

// Writes the merged track's events one after the other into memory that
// has room for them.
class MergedTrackWriter {
 public:
  explicit MergedTrackWriter(uint8_t* out) : out_(out) {}

  // A delta time that would need more than four bytes (only possible behind
  // an End of Track, whose ticks pass without an event written) is
  // shortened to the largest one.
  void write(uint64_t time, uint8_t status, const EventBody& body) {
    uint64_t gap = time > lastTime_ ? time - lastTime_ : 0;
    lastTime_ = std::max(lastTime_, time);
    out_ = writeQuantity(out_, static_cast<uint32_t>(std::min<uint64_t>(gap, kMaxQuantity)));
    // Only a channel status is left out, behind an event of the same status,
    // and not before a first data byte with its top bit set (kept from a
    // damaged input), which a reader would take for a status.
    if (status >= 0xF0 || status != lastStatus_ || body.fixed[0] >= 0x80) *out_++ = status;
    lastStatus_ = status;
    for (uint32_t i = 0; i < body.fixedCount; ++i) *out_++ = body.fixed[i];
    if (body.hasBlock) {
      out_ = writeQuantity(out_, body.blockLength);
      if (body.blockLength > 0) std::memcpy(out_, body.block, body.blockLength);
      out_ += body.blockLength;
    }
  }

  uint8_t* end() const { return out_; }

 private:
  uint8_t* out_;
  uint64_t lastTime_ = 0;
  uint8_t lastStatus_ = 0;
};

// The End of Track added when no track has one.
constexpr uint8_t kEndOfTrackBody[] = {kEndOfTrackType, 0x00};

}  // namespace

uint64_t mergedFileBound(const SourceSong& source) {
  // Delta, status and body of the End of Track come on top of the events.
  return kFileHeaderBytes + kChunkHeaderBytes + source.mergedEventBytes + 4 + 1 + source.endOfTrackBody;
}

MergedFile mergeTracks(SourceSong& source, uint8_t* out) {
  uint8_t* const file = out;
  out = writeId(out, "MThd");
  out = writeBigEndian(out, 6, 4);
  out = writeBigEndian(out, 0, 2);  // format 0
  out = writeBigEndian(out, 1, 2);  // one track
  out = writeBigEndian(out, source.division, 2);
  out = writeId(out, "MTrk");
  uint8_t* lengthField = out;
  MergedTrackWriter writer(out + 4);

  std::vector<uint64_t> firstTimes;
  firstTimes.reserve(source.tracks.size());
  for (TrackCursor& track : source.tracks) firstTimes.push_back(track.advance() ? track.time : MergeTree::kDone);
  MergeTree tree(firstTimes);

  MergedFile merged{source.trackCount, 0, 0};
  EventBody endOfTrack{kEndOfTrackBody, nullptr, 0, 1, true};
  uint64_t endOfTrackTime = 0;
  while (tree.top().time != MergeTree::kDone) {
    TrackCursor& track = source.tracks[tree.top().track];
    EventBody body = track.takeBody();
    if (body.isEndOfTrack(track.status)) {
      // Withheld; the last one taken ends the merged track.
      endOfTrack = body;
      endOfTrackTime = track.time;
    } else {
      writer.write(track.time, track.status, body);
      ++merged.events;
    }
    tree.replaceTop(track.advance() ? track.time : MergeTree::kDone);
  }
  writer.write(endOfTrackTime, kMetaStatus, endOfTrack);
  ++merged.events;

  uint8_t* trackStart = lengthField + 4;
  writeBigEndian(lengthField, static_cast<uint32_t>(writer.end() - trackStart), 4);
  merged.size = static_cast<size_t>(writer.end() - file);
  return merged;
}

}  // namespace reshaper
