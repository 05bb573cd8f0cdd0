// Writing the merged track: where it goes, the event written last (whose
// tick and status the next event's delta time and status depend on), and
// the ways of writing one event of a source track behind the ticks since
// that one: a channel message the fast way, any event the careful way.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "reshaper/event_bytes.h"
#include "reshaper/quantity.h"
#include "reshaper/track_cursor.h"

// The rare kinds of event are written apart from the loops of the common
// one, and the loops apart from the scheduling of the tracks, so that each
// keeps its values in registers.
#if defined(__GNUC__)
#define RESHAPER_OUT_OF_LINE __attribute__((noinline, cold))
#define RESHAPER_NOT_INLINED __attribute__((noinline))
#elif defined(_MSC_VER)
#define RESHAPER_OUT_OF_LINE __declspec(noinline)
#define RESHAPER_NOT_INLINED __declspec(noinline)
#else
#define RESHAPER_OUT_OF_LINE
#define RESHAPER_NOT_INLINED
#endif

namespace reshaper {

// The merged track as far as it is written. A loop that writes events works
// on a copy in local values, which the compiler keeps in registers.
struct TrackWriter {
  uint8_t* out;              // where the next event goes
  const uint8_t* roomEnd;    // the end of the memory for the file
  const uint8_t* roomLimit;  // the room a channel message written the fast way needs
  uint64_t lastTime = 0;     // of the event written last
  uint32_t lastStatus = 0;   // of the event written last; 0 before the first
  uint32_t events = 0;       // written, End of Track not counted
};

// The End of Track that ends the merged track: the one taken last.
struct FinalEnd {
  const uint8_t* body = nullptr;  // its type byte; null while none was taken
  uint64_t time = 0;
};

// One event taken, and the next event's delta time.
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
// status the status before it, gap its delta time in the merged track, now
// its tick. An End of Track is withheld, and noted in finalEnd. Failed when
// the event or the delta time behind it runs past the track's end, the
// event has no status, or it would not fit the memory.
RESHAPER_OUT_OF_LINE inline Step takeEvent(const uint8_t* at, const uint8_t* end, uint32_t status, uint32_t gap,
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

// Reads the delta time at at, which moves behind it: one or two bytes
// without a branch, as which it is cannot be foreseen; a longer one the
// careful way. At least four bytes lie before end.
inline uint32_t readShortDelta(const uint8_t*& at, const uint8_t* end) {
  const uint32_t lead = at[0];
  const uint32_t second = at[1];
  uint32_t delta = 0;
  if ((lead & second) >= 0x80) {
    readQuantity(at, end, delta);
    return delta;
  }
  const uint32_t two = lead >> 7;
  const uint32_t both = ((lead & 0x7F) << 7) | second;
  delta = lead ^ ((lead ^ both) & (0u - two));
  at += 1 + two;
  return delta;
}

// Writes the event of cursor's track at at (behind its delta time), status
// being the status before it, at tick now, behind a delta time of the ticks
// since the event written last; then reads the next event's delta time. A
// channel message behind a delta time of one or two bytes is written
// without a branch where the bytes decide: where the delta takes one byte,
// its second byte goes where the first was; the status and both data bytes
// are written, and the next event writes over what is not the message's.
// Any other event takes the careful way.
inline Step writeEvent(const uint8_t* at, uint32_t status, const TrackCursor& cursor, uint64_t now,
                       TrackWriter& writer, FinalEnd& finalEnd) {
  const uint64_t gap = now - writer.lastTime;
  if (at < cursor.fastEnd && writer.out <= writer.roomLimit && gap < 0x4000) {
    const uint32_t first = at[0];
    const uint32_t statusBytes = first >> 7;  // 1 for a status byte, 0 where it repeats the last one
    const uint32_t statusMask = 0u - statusBytes;
    const uint32_t eventStatus = (first & statusMask) | (status & ~statusMask);
    const uint8_t* const data = at + statusBytes;
    // A channel message whose first data byte is one (a damaged file may
    // have another byte there, which the careful way keeps).
    if (eventStatus < 0xF0 && data[0] < 0x80) {
      const uint32_t dataBytes = dataCountOf(static_cast<uint8_t>(eventStatus));
      uint8_t* out = writer.out;
      const uint32_t two = gap > 0x7F;
      out[0] = static_cast<uint8_t>(0x80 | (gap >> 7));
      out[two] = static_cast<uint8_t>(gap & 0x7F);
      out += 1 + two;
      const uint32_t statusKept = eventStatus != writer.lastStatus;
      out[0] = static_cast<uint8_t>(eventStatus);
      std::memcpy(out + statusKept, data, 2);
      writer.out = out + statusKept + dataBytes;
      writer.lastStatus = eventStatus;
      writer.lastTime = now;
      ++writer.events;
      at = data + dataBytes;
      const uint32_t delta = readShortDelta(at, cursor.end);
      return {at, writer.out, eventStatus, delta, true, Step::Next};
    }
  }
  const Step step = takeEvent(at, cursor.end, status, static_cast<uint32_t>(std::min<uint64_t>(gap, kMaxQuantity)),
                              writer.out, writer.roomEnd, writer.lastStatus, now, finalEnd);
  if (step.written) {
    writer.out = step.out;
    writer.lastStatus = step.status;
    writer.lastTime = now;
    ++writer.events;
  }
  return step;
}

}  // namespace reshaper
