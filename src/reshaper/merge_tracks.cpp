#include "reshaper/merge_tracks.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>
#include <new>

#include "reshaper/event_bytes.h"
#include "reshaper/tick_wheel.h"

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
constexpr uint64_t kNever = UINT64_MAX;
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

// The merged track as far as it is written.
struct MergedTrack {
  uint8_t* out;                         // where the next event goes
  uint8_t* roomEnd;                     // the end of the memory for the file
  uint32_t lastStatus = 0;              // of the event written last; 0 before the first
  uint32_t events = 0;                  // written, End of Track not counted
  uint64_t lastTime = 0;                // of the event written last
  const uint8_t* endOfTrack = nullptr;  // the type byte of the End of Track taken last
  uint64_t endOfTrackTime = 0;
};

// How writeAnyEvent went: behind is null when the event runs past its
// track's end, has no status, or would not fit the memory.
struct AnyEvent {
  const uint8_t* behind;  // the bytes behind the event
  const uint8_t* body;    // the event behind its status
  uint8_t* out;
  uint32_t status;
  bool written;  // false for an End of Track, which is not written
};

// Any event, read by the reading rules and written with its status byte
// wherever running status does not apply: at is the event behind its delta
// time, status the status before it, gap its delta time in the merged track.
RESHAPER_OUT_OF_LINE AnyEvent writeAnyEvent(const uint8_t* at, const uint8_t* end, uint32_t status, uint32_t gap,
                                            uint8_t* out, const uint8_t* roomEnd, uint32_t lastStatus) {
  AnyEvent result{nullptr, nullptr, out, status, false};
  if (at >= end) return result;
  if (*at >= 0x80) {
    status = *at++;
  } else if (status == 0) {
    return result;
  }
  result.status = status;
  result.body = at;
  EventBody body;
  const uint8_t* behind = at;
  if (!readEventBody(behind, end, static_cast<uint8_t>(status), body)) return result;
  if (body.isEndOfTrack(static_cast<uint8_t>(status))) {
    result.behind = behind;
    return result;
  }
  if (static_cast<uint64_t>(roomEnd - out) < uint64_t{11} + body.blockLength) return result;
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
  return {behind, result.body, out, status, true};
}

// Writes the events of one source track at tick now into the merged track
// and moves the cursor to the track's next event (time kNever behind its
// last one). gap is the delta time of the next event written at this tick.
// Eight bytes can be read from any position before safeEnd. False when an
// event runs past the track's end or the memory would not hold the next
// event.
inline bool writeEventsAt(TrackCursor& cursor, uint64_t now, uint32_t& gap, const uint8_t* safeEnd,
                          MergedTrack& track) {
  const uint8_t* at = cursor.at;
  const uint8_t* const end = cursor.end;
  uint32_t status = cursor.status;
  uint8_t* out = track.out;
  uint32_t lastStatus = track.lastStatus;
  uint32_t events = track.events;
  // A channel message takes at most seven bytes: delta, status, two data bytes.
  const uint8_t* const roomLimit = track.roomEnd - 8;
  bool result = true;
  for (;;) {
    if (out > roomLimit) {
      result = false;
      break;
    }
    uint32_t eventBytes = 0;  // behind the delta time
    uint32_t following = 0;   // the bytes behind the event: the next delta time
    bool near = at < safeEnd;
    uint64_t bytes = near ? loadLittleEndian64(at) : 0;
    uint32_t first = static_cast<uint32_t>(bytes & 0xFF);
    // A status byte, or the status it repeats: selected by arithmetic, as
    // running status comes and goes unforeseeably.
    uint32_t statusBytes = first >> 7;
    uint32_t eventStatus = status ^ ((status ^ first) & (0u - statusBytes));
    if (near && eventStatus < 0xF0) {
      // A channel message, the common case, without a branch on its bytes:
      // the status byte is written, and passed over when running status
      // applies; then both data bytes, of which the second is overwritten
      // when the message has one only.
      uint32_t data = static_cast<uint32_t>(bytes >> (8 * statusBytes));
      uint32_t dataBytes = kDataBytes[eventStatus >> 4];
      if (gap < 0x80) {
        *out++ = static_cast<uint8_t>(gap);
      } else {
        out = writeQuantity(out, gap);
      }
      gap = 0;
      *out = static_cast<uint8_t>(eventStatus);
      out += ((eventStatus ^ lastStatus) | (data & 0x80)) != 0;
      out[0] = static_cast<uint8_t>(data);
      out[1] = static_cast<uint8_t>(data >> 8);
      out += dataBytes;
      lastStatus = eventStatus;
      status = eventStatus;
      ++events;
      eventBytes = statusBytes + dataBytes;
      following = static_cast<uint32_t>(bytes >> (8 * eventBytes));
    } else {
      AnyEvent any = writeAnyEvent(at, end, status, gap, out, track.roomEnd, lastStatus);
      if (any.behind == nullptr) {
        result = false;
        break;
      }
      status = any.status;
      if (any.written) {
        out = any.out;
        lastStatus = status;
        gap = 0;
        ++events;
      } else {
        // Withheld; the End of Track taken last ends the merged track.
        track.endOfTrack = any.body;
        track.endOfTrackTime = now;
      }
      eventBytes = static_cast<uint32_t>(any.behind - at);
      for (uint32_t i = 0; i < 4 && any.behind + i < end; ++i) following |= uint32_t{any.behind[i]} << (8 * i);
    }
    at += eventBytes;
    if (at >= end) {
      result = at == end;
      cursor.time = kNever;
      break;
    }
    uint32_t delta = 0;
    if ((following & 0x8080) != 0x8080) {
      uint32_t deltaBytes = 0;
      delta = shortQuantity(following, deltaBytes);
      if (deltaBytes >= static_cast<uint64_t>(end - at)) {
        result = false;  // the next event would run past the track's end
        break;
      }
      at += deltaBytes;
    } else if (!readQuantity(at, end, delta)) {
      result = false;
      break;
    }
    if (delta != 0) {
      cursor.time = now + delta;
      break;
    }
  }
  cursor.at = at;
  cursor.status = status;
  track.out = out;
  track.lastStatus = lastStatus;
  track.events = events;
  return result;
}

// The merge of tracks whose ends may come from their chunk lengths: false
// when the events show otherwise, or when out has no room left.
bool tryMerge(SourceSong& source, uint8_t* out, uint64_t room, MergedFile& merged) {
  uint8_t* const file = out;
  std::memcpy(out, "MThd", 4);
  out = writeBigEndian(out + 4, 6, 4);
  out = writeBigEndian(out, 0, 2);  // format 0
  out = writeBigEndian(out, 1, 2);  // one track
  out = writeBigEndian(out, source.division, 2);
  std::memcpy(out, "MTrk", 4);
  uint8_t* const lengthField = out + 4;
  MergedTrack track{lengthField + 4, file + room};

  // Every track's first delta time; its first event must carry a status.
  for (TrackCursor& cursor : source.tracks) {
    uint32_t delta = 0;
    if (!readQuantity(cursor.at, cursor.end, delta) || cursor.at == cursor.end || *cursor.at < 0x80) return false;
    cursor.time = delta;
    cursor.status = 0;
  }
  TrackCursor* const tracks = source.tracks.data();
  const auto count = static_cast<uint32_t>(source.tracks.size());
  TickWheel wheel(tracks, count);
  TickWheel::Hand hand = wheel.hand();
  uint64_t* const ready = wheel.readyWords();
  const uint8_t* safeEnd = source.fileEnd - source.tracksBegin >= 8 ? source.fileEnd - 7 : source.tracksBegin;
  for (bool more = count > 0; more; more = hand.next()) {
    // The first event written at this tick gets the ticks since the one
    // before; a delta too long for four bytes (only possible behind an End
    // of Track, whose ticks pass without an event written) is shortened.
    auto gap = static_cast<uint32_t>(std::min<uint64_t>(hand.now - track.lastTime, kMaxQuantity));
    uint32_t written = track.events;
    // The tracks of this tick as a bit set, a word at a time; a track alone
    // at its tick (the common case when few tracks meet) needs no more.
    uint32_t first = hand.take();
    size_t word = first >> 6;
    size_t lastWord = word;
    uint64_t bits = uint64_t{1} << (first & 63);
    if (hand.links[first] != TickWheel::kNone) {
      TickWheel::Words words = wheel.makeReady(first);
      word = words.first;
      lastWord = words.last;
      bits = ready[word];
      ready[word] = 0;
    }
    for (;;) {
      for (; bits != 0; bits &= bits - 1) {
        auto index = static_cast<uint32_t>(word * 64 + static_cast<size_t>(std::countr_zero(bits)));
        TrackCursor& cursor = tracks[index];
        if (!writeEventsAt(cursor, hand.now, gap, safeEnd, track)) return false;
        if (cursor.time != kNever) {
          hand.add(index, cursor.time);
          prefetch(cursor.at);
        }
      }
      if (++word > lastWord) break;
      bits = ready[word];
      ready[word] = 0;
    }
    if (track.events != written) track.lastTime = hand.now;
  }

  // The End of Track taken last, or one of no data, ends the track.
  static constexpr uint8_t kEmptyEndOfTrack[] = {kEndOfTrackType, 0x00};
  const uint8_t* endBody = track.endOfTrack != nullptr ? track.endOfTrack : kEmptyEndOfTrack;
  const uint8_t* endBodyEnd = endBody;
  EventBody endOfTrack;
  readEventBody(endBodyEnd, track.endOfTrack != nullptr ? source.fileEnd : std::end(kEmptyEndOfTrack), kMetaStatus,
                endOfTrack);  // read once already
  if (static_cast<uint64_t>(track.roomEnd - track.out) < 6 + static_cast<uint64_t>(endBodyEnd - endBody)) return false;
  uint64_t endTime = std::max(track.endOfTrackTime, track.lastTime);
  out = writeQuantity(track.out, static_cast<uint32_t>(std::min<uint64_t>(endTime - track.lastTime, kMaxQuantity)));
  *out++ = kMetaStatus;
  *out++ = endOfTrack.fixed[0];
  out = writeQuantity(out, endOfTrack.blockLength);
  if (endOfTrack.blockLength > 0) std::memcpy(out, endOfTrack.block, endOfTrack.blockLength);
  out += endOfTrack.blockLength;

  writeBigEndian(lengthField, static_cast<uint32_t>(out - (lengthField + 4)), 4);
  merged = {source.trackCount, track.events + 1, static_cast<size_t>(out - file)};
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
