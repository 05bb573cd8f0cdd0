#include "reshaper/merge_tracks.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>
#include <new>
#include <vector>

#include "reshaper/event_bytes.h"
#include "reshaper/tick_wheel.h"
#include "reshaper/track_cursor.h"

// Why the merged events fit mergedFileBound: a merged event's delta time
// counts the ticks since the event written before it, which is no earlier
// than the event before it in its own track unless that one was an End of
// Track; then the delta is at most the sum of the two, which takes no more
// bytes than both did, and the End of Track itself is left out. The one
// written at the end is one of those left out, with at most four bytes more.
// So only an event that repeated its status in the source grows: by its
// status byte, which is at most half its size.

// The rare kinds of event are written apart from the loop of the common
// one, so that the loop keeps its values in registers.
#if defined(__GNUC__)
#define RESHAPER_OUT_OF_LINE __attribute__((noinline, cold))
#elif defined(_MSC_VER)
#define RESHAPER_OUT_OF_LINE __declspec(noinline)
#else
#define RESHAPER_OUT_OF_LINE
#endif

namespace reshaper {

namespace {

constexpr uint32_t kChunkHeaderBytes = 8;
constexpr uint32_t kFileHeaderBytes = kChunkHeaderBytes + 6;
// Data bytes of a channel message by the high half of its status.
constexpr uint8_t kDataBytes[16] = {0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 2, 2, 1, 1, 2, 0};

// Asks the processor to fetch the bytes at a into its cache: a track's next
// event is read a while later, when the other tracks had their turn, by
// which time its bytes have arrived.
inline void prefetch(const uint8_t* at) {
#if defined(__GNUC__)
  __builtin_prefetch(at);
#else
  (void)at;
#endif
}

uint8_t* writeBigEndian(uint8_t* out, uint32_t value, int bytes) {
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) *out++ = static_cast<uint8_t>(value >> shift);
  return out;
}

// The End of Track that ends the merged track: the one taken last.
struct FinalEnd {
  const uint8_t* body = nullptr;  // its type byte; null while none was taken
  uint64_t time = 0;
};

// One event taken the careful way, and the next event's delta time.
struct Step {
  enum Outcome : uint8_t { Next, Ended, Failed };
  const uint8_t* at;  // the next event behind its delta time
  uint8_t* out;
  uint32_t status;  // the event's status
  uint32_t delta;   // the next event's delta time
  bool written;     // false for an End of Track, which is withheld
  Outcome outcome;  // Ended: the event was the track's last
};

// Any event, read by the reading rules with every check of its track's end,
// and written with its status byte wherever running status does not apply;
// then the next event's delta time. at is the event behind its delta time,
// status the status before it, gap its delta time in the merged track.
// Failed when the event or the delta time behind it runs past the track's
// end, the event has no status, or it would not fit the memory.
RESHAPER_OUT_OF_LINE Step takeEvent(const uint8_t* at, const uint8_t* end, uint32_t status, uint32_t gap,
                                    uint8_t* out, const uint8_t* roomEnd, uint32_t lastStatus, uint64_t now,
                                    FinalEnd& finalEnd) {
  Step step{at, out, status, 0, false, Step::Failed};
  if (at >= end) return step;
  if (*at >= 0x80) {
    status = *at++;
  } else if (status == 0) {
    return step;
  }
  step.status = status;
  const uint8_t* const bodyStart = at;
  EventBody body;
  if (!readEventBody(at, end, static_cast<uint8_t>(status), body)) return step;
  if (body.isEndOfTrack(static_cast<uint8_t>(status))) {
    finalEnd = {bodyStart, now};  // withheld; the one taken last ends the merged track
  } else {
    if (static_cast<uint64_t>(roomEnd - out) < uint64_t{11} + body.blockLength) return step;
    out = writeQuantity(out, gap);
    // Only a channel status is left out, behind an event of the same status,
    // and not before a first data byte with its top bit set (kept from a
    // damaged input), which a reader would take for a status.
    if (status >= 0xF0 || status != lastStatus || body.fixed[0] >= 0x80) *out++ = static_cast<uint8_t>(status);
    for (uint32_t i = 0; i < body.fixedCount; ++i) *out++ = body.fixed[i];
    if (body.hasBlock) {
      out = writeQuantity(out, body.blockLength);
      if (body.blockLength > 0) std::memcpy(out, body.block, body.blockLength);
      out += body.blockLength;
    }
    step.out = out;
    step.written = true;
  }
  step.at = at;
  if (at == end) {
    step.outcome = Step::Ended;
    return step;
  }
  // An event must follow the delta time inside the track.
  if (!readQuantity(at, end, step.delta) || at == end) return step;
  step.at = at;
  step.outcome = Step::Next;
  return step;
}

// The merge of tracks whose ends may come from their chunk lengths: false
// when the events show otherwise, or when out has no room left.
//
// The loop below is the whole cost of a conversion, and is written for it:
// a channel message with a delta time of one or two bytes behind it (the
// common event) is read with one 8-byte load and written with one 8-byte
// store, with arithmetic in place of branches wherever the bytes decide
// (running status in the track and in the merged track, one or two data
// bytes, the length of the delta time), as a song of several tracks makes
// them unforeseeable. Everything else takes the careful way, takeEvent.
bool tryMerge(const SourceSong& source, uint8_t* out, uint64_t room, MergedFile& merged) {
  uint8_t* const file = out;
  std::memcpy(out, "MThd", 4);
  out = writeBigEndian(out + 4, 6, 4);
  out = writeBigEndian(out, 0, 2);  // format 0
  out = writeBigEndian(out, 1, 2);  // one track
  out = writeBigEndian(out, source.division, 2);
  std::memcpy(out, "MTrk", 4);
  uint8_t* const lengthField = out + 4;
  out = lengthField + 4;
  const uint8_t* const roomEnd = file + room;
  // A channel message takes at most eleven bytes of room: the head of a long
  // delta time, then eight bytes stored at once.
  const uint8_t* const roomLimit = roomEnd - 16;

  const auto count = static_cast<uint32_t>(source.tracks.size());
  std::vector<TrackCursor> cursors;
  cursors.reserve(count);
  TickWheel wheel(count);
  TickWheel::Hand hand = wheel.hand();
  for (uint32_t index = 0; index < count; ++index) {
    const SourceTrack& track = source.tracks[index];
    // Every track's first delta time; its first event must carry a status.
    const uint8_t* at = track.begin;
    uint32_t delta = 0;
    if (!readQuantity(at, track.end, delta) || at == track.end || *at < 0x80) return false;
    cursors.push_back({at, track.end - at > 7 ? track.end - 7 : at, track.end});
    hand.add(index, delta);
  }

  TrackCursor* const tracks = cursors.data();
  FinalEnd finalEnd;
  uint64_t lastTime = 0;    // of the event written last
  uint32_t lastStatus = 0;  // of the event written last; 0 before the first
  uint32_t events = 0;      // written, End of Track not counted
  for (bool more = count > 0; more; more = hand.next()) {
    // The first event written at this tick gets the ticks since the one
    // before; a delta too long for four bytes (only possible behind an End
    // of Track, whose ticks pass without an event written) is shortened.
    auto gap = static_cast<uint32_t>(std::min<uint64_t>(hand.now - lastTime, kMaxQuantity));
    const uint32_t written = events;
    // The tracks of this tick, in track order: a summary word, the words of
    // the bit set it marks, the bits of each.
    const uint32_t slot = hand.takeSlot();
    uint64_t* const summary = hand.summaries + size_t{slot} * hand.summaryWords;
    uint64_t* const set = hand.tracks + size_t{slot} * hand.words;
    for (uint32_t summaryWord = 0; summaryWord < hand.summaryWords; ++summaryWord) {
      uint64_t marks = summary[summaryWord];
      summary[summaryWord] = 0;
      for (; marks != 0; marks &= marks - 1) {
        const uint32_t word = summaryWord * 64 + static_cast<uint32_t>(std::countr_zero(marks));
        uint64_t bits = set[word];
        set[word] = 0;
        for (; bits != 0; bits &= bits - 1) {
          const uint32_t index = word * 64 + static_cast<uint32_t>(std::countr_zero(bits));
          TrackCursor& cursor = tracks[index];
          const uint8_t* at = cursor.at;
          uint32_t status = cursor.status;
          uint32_t delta = 0;
          bool ended = false;
          // The track's events at this tick.
          for (;;) {
            if (at < cursor.fastEnd && out <= roomLimit) {
              const uint64_t bytes = loadLittleEndian64(at);
              const auto first = static_cast<uint32_t>(bytes & 0xFF);
              const uint32_t statusBytes = first >> 7;  // 1 for a status byte, 0 where it repeats the last one
              const uint32_t eventStatus = statusBytes != 0 ? first : status;
              if (eventStatus < 0xF0) {
                // A channel message: its data bytes, then the merged track's
                // delta time, status (left out where running status applies,
                // as the careful way does) and data bytes, stored at once;
                // the bytes stored behind them are overwritten later.
                const uint64_t data = bytes >> (8 * statusBytes);
                const uint32_t dataBytes = kDataBytes[eventStatus >> 4];
                const uint32_t statusKept = ((eventStatus ^ lastStatus) | (data & 0x80)) != 0;
                if (gap > 0x7F) {
                  out = writeQuantity(out, gap) - 1;  // the last byte is stored again below
                  gap &= 0x7F;
                }
                const uint64_t message = (eventStatus | (data << 8)) >> (8 * (statusKept ^ 1));
                storeLittleEndian64(out, gap | (message << 8));
                out += 1 + statusKept + dataBytes;
                gap = 0;
                lastStatus = eventStatus;
                status = eventStatus;
                ++events;
                // The next event's delta time, inside the eight bytes read.
                const uint32_t eventBytes = statusBytes + dataBytes;
                at += eventBytes;
                const uint64_t following = bytes >> (8 * eventBytes);
                if ((following & 0x8080) != 0x8080) {
                  uint32_t deltaBytes = 0;
                  delta = shortQuantity(following, deltaBytes);
                  at += deltaBytes;
                } else {
                  readQuantity(at, cursor.end, delta);
                }
                if (delta != 0) break;
                continue;
              }
            }
            const Step step = takeEvent(at, cursor.end, status, gap, out, roomEnd, lastStatus, hand.now, finalEnd);
            if (step.outcome == Step::Failed) return false;
            if (step.written) {
              out = step.out;
              lastStatus = step.status;
              gap = 0;
              ++events;
            }
            at = step.at;
            status = step.status;
            delta = step.delta;
            ended = step.outcome == Step::Ended;
            if (ended || delta != 0) break;
          }
          cursor.at = at;
          cursor.status = status;
          if (!ended) {
            hand.add(index, hand.now + delta);
            prefetch(at + 7);
          }
        }
      }
    }
    if (events != written) lastTime = hand.now;
  }

  // The End of Track taken last, or one of no data, ends the track.
  static constexpr uint8_t kEmptyEndOfTrack[] = {kEndOfTrackType, 0x00};
  const uint8_t* endBody = finalEnd.body != nullptr ? finalEnd.body : kEmptyEndOfTrack;
  const uint8_t* endBodyEnd = endBody;
  EventBody endOfTrack;
  readEventBody(endBodyEnd, finalEnd.body != nullptr ? source.fileEnd : std::end(kEmptyEndOfTrack), kMetaStatus,
                endOfTrack);  // read once already
  if (static_cast<uint64_t>(roomEnd - out) < 6 + static_cast<uint64_t>(endBodyEnd - endBody)) return false;
  uint64_t endTime = std::max(finalEnd.time, lastTime);
  out = writeQuantity(out, static_cast<uint32_t>(std::min<uint64_t>(endTime - lastTime, kMaxQuantity)));
  *out++ = kMetaStatus;
  *out++ = endOfTrack.fixed[0];
  out = writeQuantity(out, endOfTrack.blockLength);
  if (endOfTrack.blockLength > 0) std::memcpy(out, endOfTrack.block, endOfTrack.blockLength);
  out += endOfTrack.blockLength;

  writeBigEndian(lengthField, static_cast<uint32_t>(out - (lengthField + 4)), 4);
  merged = {source.trackCount, events + 1, static_cast<size_t>(out - file)};
  return true;
}

}  // namespace

uint64_t mergedFileBound(const SourceSong& source) {
  auto events = static_cast<uint64_t>(source.fileEnd - source.tracksBegin);
  return kFileHeaderBytes + kChunkHeaderBytes + events + events / 2 + 32;
}

MergedFile mergeTracks(SourceSong& source, uint8_t* out) {
  uint64_t room = mergedFileBound(source);
  MergedFile merged;
  if (tryMerge(source, out, room, merged)) return merged;
  if (!source.scanned) {
    scanTracks(source);
    if (tryMerge(source, out, room, merged)) return merged;
  }
  // Scanned tracks end where their last event does, and the room is what
  // mergedFileBound proves enough: this is never reached.
  throw std::bad_alloc();
}

}  // namespace reshaper
