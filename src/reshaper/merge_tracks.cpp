#include "reshaper/merge_tracks.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <new>
#include <vector>

#include "reshaper/event_bytes.h"
#include "reshaper/tick_wheel.h"
#include "reshaper/track_cursor.h"
#include "reshaper/track_writer.h"

// Why the merged events fit mergedFileBound: a merged event's delta time
// counts the ticks since the event written before it, which is no earlier
// than the event before it in its own track unless that one was an End of
// Track; then the delta is at most the sum of the two, which takes no more
// bytes than both did, and the End of Track itself is left out. The one
// written at the end is one of those left out, with at most four bytes more.
// So only an event that repeated its status in the source grows: by its
// status byte, which is at most half its size.

namespace reshaper {

namespace {

constexpr uint32_t kChunkHeaderBytes = 8;
constexpr uint32_t kFileHeaderBytes = kChunkHeaderBytes + 6;
// How many turns ahead of the one written a track's bytes are fetched.
constexpr ptrdiff_t kTurnsAhead = 4;
// Up to this many tracks, the track whose event comes next is found by a
// look at every track; with more, the tick wheel holds them.
constexpr uint32_t kScannedTracks = 12;

// Asks the processor to fetch the bytes at `at` into its cache, to be read a
// while later, by which time they have arrived.
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

using Turn = TickWheel::Hand::Turn;

// The merged track as far as it is written, and the tick whose events are
// being written.
struct MergedTrack {
  TrackWriter writer;
  uint64_t now = 0;  // the tick the events are written at
  uint32_t gap = 0;  // the delta time of the next event written at it
  FinalEnd finalEnd;
};

// Writes the events at the current tick of the tracks of turns, in order,
// and files each track again in the wheel under its next event's tick. False
// when an event or a delta time runs past its track's end, an event has no
// status, or the memory would not hold it.
//
// This is the whole cost of a conversion, and is written for it: a channel
// message (the common event) and the delta time of one or two bytes behind
// it are read and written with arithmetic in place of branches wherever
// the bytes decide (running status in the track and in the merged track,
// one or two data bytes, the length of the delta time), as a song of
// several tracks makes them unforeseeable; nothing of it checks the track's
// end, as at least eight bytes of the track lie ahead. Everything else
// takes the careful way, takeEvent. The tracks are filed once all of them
// are written, with the values of the writing out of the registers.
RESHAPER_NOT_INLINED bool writeTick(Turn* const turns, Turn* const turnsEnd, TrackCursor* const tracks,
                                     MergedTrack& track, TickWheel::Hand& hand) {
  Turn* turn = turns;
  uint8_t* out = track.writer.out;
  const uint8_t* const roomLimit = track.writer.roomLimit;
  uint32_t gap = track.gap;
  uint32_t lastStatus = track.writer.lastStatus;
  uint32_t events = track.writer.events;
  for (; turn != turnsEnd; ++turn) {
    // The bytes of a track a few turns ahead are fetched while this one is
    // written: with thousands of tracks, few of them are still in the cache.
    if (turnsEnd - turn > kTurnsAhead) prefetch(tracks[turn[kTurnsAhead].track].at);
    TrackCursor& cursor = tracks[turn->track];
    const uint8_t* at = cursor.at;
    uint32_t status = cursor.status;
    uint32_t delta = 0;
    // The track's events at this tick.
    for (;;) {
      if (at < cursor.fastEnd && out <= roomLimit) {
        const uint32_t first = at[0];
        const uint32_t statusBytes = first >> 7;  // 1 for a status byte, 0 where it repeats the last one
        const uint32_t eventStatus = statusBytes != 0 ? first : status;
        const uint8_t* const data = at + statusBytes;
        // A channel message whose first data byte is one (a damaged file
        // may have another byte there, which the careful way keeps).
        if (eventStatus < 0xF0 && data[0] < 0x80) {
          // The merged track's delta time and status (left out where
          // running status applies), then both data bytes, of which the
          // second is overwritten by the next event where the message has
          // one only.
          const uint32_t dataBytes = dataCountOf(static_cast<uint8_t>(eventStatus));
          const uint32_t statusKept = eventStatus != lastStatus;
          out[0] = static_cast<uint8_t>(gap);
          out[1] = static_cast<uint8_t>(eventStatus);
          std::memcpy(out + 1 + statusKept, data, 2);
          out += 1 + statusKept + dataBytes;
          gap = 0;
          lastStatus = eventStatus;
          status = eventStatus;
          ++events;
          at = data + dataBytes;
          delta = readShortDelta(at, cursor.end);
          if (delta != 0) break;
          continue;
        }
      }
      const Step step =
          takeEvent(at, cursor.end, status, gap, out, track.writer.roomEnd, lastStatus, track.now, track.finalEnd);
      if (step.outcome == Step::Failed) return false;
      if (step.written) {
        out = step.out;
        lastStatus = step.status;
        gap = 0;
        ++events;
      }
      at = step.at;
      status = step.status;
      delta = step.outcome == Step::Ended ? 0 : step.delta;
      if (delta != 0 || step.outcome == Step::Ended) break;
    }
    // And the bytes of the track's next event: the first ones in another
    // cache line are fetched now, long before its tick.
    prefetch(at < cursor.fastEnd ? at + 8 : at);
    cursor.at = at;
    cursor.status = status;
    turn->delta = delta;
  }
  track.writer.out = out;
  track.gap = gap;
  track.writer.lastStatus = lastStatus;
  track.writer.events = events;
  hand.addEach(turns, turnsEnd);
  return true;
}

// The merge of a few tracks, whose next events lie at the ticks of
// nextTicks (UINT64_MAX for none), one event at a time: the track whose
// event comes first (the first such track where several tie) is found by a
// look at every track's next tick, without a branch. The tracks of a song
// of few tracks take turns at random, and a tick mostly holds one or two
// events: the wheel's work at every tick, and its branches on how many
// tracks the tick holds, would cost more than the event.
RESHAPER_NOT_INLINED bool mergeByScan(std::vector<uint64_t>& nextTicks, TrackCursor* const cursors,
                                      MergedTrack& track) {
  const auto count = static_cast<uint32_t>(nextTicks.size());
  uint64_t* const next = nextTicks.data();
  TrackWriter writer = track.writer;
  while (count > 0) {
    uint64_t now = next[0];
    uint32_t chosen = 0;
    for (uint32_t index = 1; index < count; ++index) {
      const bool earlier = next[index] < now;
      now = earlier ? next[index] : now;
      chosen = earlier ? index : chosen;
    }
    if (now == UINT64_MAX) break;
    TrackCursor& cursor = cursors[chosen];
    const Step step = writeEvent(cursor.at, cursor.status, cursor, now, writer, track.finalEnd);
    if (step.outcome == Step::Failed) return false;
    cursor.at = step.at;
    cursor.status = step.status;
    next[chosen] = step.outcome == Step::Ended ? UINT64_MAX : now + step.delta;
  }
  track.writer = writer;
  return true;
}

// The merge of many tracks, whose first events lie at the ticks of
// firstTicks, in a song of songBytes: the tick wheel holds each track under
// its next event's tick.
bool mergeByWheel(const std::vector<uint64_t>& firstTicks, size_t songBytes, TrackCursor* const cursors,
                  MergedTrack& track) {
  const auto count = static_cast<uint32_t>(firstTicks.size());
  TickWheel wheel(count, songBytes);
  TickWheel::Hand hand = wheel.hand();
  for (uint32_t index = 0; index < count; ++index) hand.add(index, firstTicks[index]);
  // The tracks of the current tick, and their next events' delta times.
  std::vector<Turn> turns(count);
  for (bool more = count > 0; more; more = hand.next()) {
    // The first event written at this tick gets the ticks since the one
    // before; a delta too long for four bytes (only possible behind an End
    // of Track, whose ticks pass without an event written) is shortened.
    // Of a delta of two bytes or more, all but the last byte are written
    // now, and taken back if no event follows them at this tick.
    track.now = hand.now;
    track.gap = static_cast<uint32_t>(std::min<uint64_t>(hand.now - track.writer.lastTime, kMaxQuantity));
    uint32_t gapHead = 0;
    if (track.gap > 0x7F && track.writer.out <= track.writer.roomLimit) {
      gapHead = static_cast<uint32_t>(writeQuantity(track.writer.out, track.gap) - 1 - track.writer.out);
      track.writer.out += gapHead;
      track.gap &= 0x7F;
    }
    const uint32_t written = track.writer.events;
    Turn* const turnsEnd = turns.data() + hand.take(turns.data());
    if (!writeTick(turns.data(), turnsEnd, cursors, track, hand)) return false;
    if (track.writer.events != written) {
      track.writer.lastTime = hand.now;
    } else {
      track.writer.out -= gapHead;
    }
  }
  return true;
}

// The merge of tracks whose ends may come from their chunk lengths: false
// when the events show otherwise, or when out has no room left.
bool tryMerge(const SourceSong& source, uint8_t* out, uint64_t room, MergedFile& merged) {
  uint8_t* const file = out;
  std::memcpy(out, "MThd", 4);
  out = writeBigEndian(out + 4, 6, 4);
  out = writeBigEndian(out, 0, 2);  // format 0
  out = writeBigEndian(out, 1, 2);  // one track
  out = writeBigEndian(out, source.division, 2);
  std::memcpy(out, "MTrk", 4);
  uint8_t* const lengthField = out + 4;
  // A channel message written the fast way takes at most seven bytes: the
  // head of a long delta time, then four.
  MergedTrack track{{lengthField + 4, file + room, file + room - 16}, 0, 0, {}};

  const auto count = static_cast<uint32_t>(source.tracks.size());
  std::vector<TrackCursor> cursors;
  cursors.reserve(count);
  std::vector<uint64_t> firstTicks(count);
  for (uint32_t index = 0; index < count; ++index) {
    const SourceTrack& source_track = source.tracks[index];
    // Every track's first delta time; its first event must carry a status.
    const uint8_t* at = source_track.begin;
    const uint8_t* const end = source_track.end;
    uint32_t delta = 0;
    if (!readQuantity(at, end, delta) || at == end || *at < 0x80) return false;
    cursors.push_back({at, end - at > 7 ? end - 7 : at, end});
    firstTicks[index] = delta;
  }
  const bool complete =
      count <= kScannedTracks
          ? mergeByScan(firstTicks, cursors.data(), track)
          : mergeByWheel(firstTicks, static_cast<size_t>(source.fileEnd - source.tracksBegin), cursors.data(), track);
  if (!complete) return false;
  uint8_t* const roomEnd = file + room;
  const FinalEnd& finalEnd = track.finalEnd;
  out = track.writer.out;

  // The End of Track taken last, or one of no data, ends the track.
  static constexpr uint8_t kEmptyEndOfTrack[] = {kEndOfTrackType, 0x00};
  const uint8_t* endBody = finalEnd.body != nullptr ? finalEnd.body : kEmptyEndOfTrack;
  const uint8_t* endBodyEnd = endBody;
  EventBody endOfTrack;
  readEventBody(endBodyEnd, finalEnd.body != nullptr ? source.fileEnd : std::end(kEmptyEndOfTrack), kMetaStatus,
                endOfTrack);  // read once already
  if (static_cast<uint64_t>(roomEnd - out) < 6 + static_cast<uint64_t>(endBodyEnd - endBody)) return false;
  uint64_t endTime = std::max(finalEnd.time, track.writer.lastTime);
  out = writeQuantity(out, static_cast<uint32_t>(std::min<uint64_t>(endTime - track.writer.lastTime, kMaxQuantity)));
  *out++ = kMetaStatus;
  *out++ = endOfTrack.fixed[0];
  out = writeQuantity(out, endOfTrack.blockLength);
  if (endOfTrack.blockLength > 0) std::memcpy(out, endOfTrack.block, endOfTrack.blockLength);
  out += endOfTrack.blockLength;

  writeBigEndian(lengthField, static_cast<uint32_t>(out - (lengthField + 4)), 4);
  merged = {source.trackCount, track.writer.events + 1, static_cast<size_t>(out - file)};
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
