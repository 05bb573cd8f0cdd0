#include "chimekit/ringtone/ringtone_notes.h"

#include <algorithm>
#include <span>

#include "midifile/rounding.h"

namespace chimekit {
namespace {

// The labels a song's events carry.
std::vector<bool> Present(const Song& song, size_t labels) {
  std::vector<bool> present(labels, false);
  for (const uint32_t label : song.labels) {
    if (label != kNoLabel && label < labels) present[label] = true;
  }
  return present;
}

}  // namespace

const char* NoteFateName(NoteFate fate) {
  switch (fate) {
    case NoteFate::kKept: return "kept";
    case NoteFate::kOutsideWindow: return "outside the window";
    case NoteFate::kNoteLimit: return "note limit";
    case NoteFate::kNoFreeChannel: return "no free channel";
    case NoteFate::kRest: return "rest";
    case NoteFate::kNoLength: return "no length";
    case NoteFate::kOtherTrack: return "not in the first track";
    case NoteFate::kAfterEnd: return "after the end of its track";
  }
  return "";
}

NoteTracker::NoteTracker(const midifile::TMidiFile& song, const midifile::TTempoMap& map, bool library_timing,
                         uint64_t start_ms, uint64_t end_ms) {
  const double tick_us = song.TickDuration();
  const auto library_ms = [tick_us](uint64_t tick) {
    const int64_t ms = midifile::RoundEven64(static_cast<double>(tick) * tick_us / 1000.0);
    return static_cast<uint64_t>(std::max<int64_t>(ms, 0));
  };
  uint32_t first = 0;  // the label of the track's first event
  for (int32_t t = 0; t < song.NumberOfTracks(); ++t) {
    uint64_t tick = 0;
    midifile::TTempoMap::Cursor clock(map, t);
    const std::span<const midifile::TMidiEvent> events = song.GetTrack(t).Events();
    for (size_t i = 0; i < events.size(); ++i) {
      const midifile::TMidiEvent& event = events[i];
      tick = midifile::AddDelta(tick, event.DeltaTime);
      if (!event.IsNoteOn() || event.Data2 == 0 || event.Duration <= 0) continue;
      const uint64_t start = library_timing ? library_ms(tick) : clock.Milliseconds(tick);
      // Times only grow within a track: the rest starts after the window.
      if (start >= end_ms) break;
      if (start < start_ms) continue;
      const uint64_t end_tick = midifile::AddDelta(tick, event.Duration);
      const uint64_t end = library_timing ? library_ms(end_tick) : map.Milliseconds(t, end_tick);
      Tracked tracked;
      tracked.event = first + static_cast<uint32_t>(i);
      tracked.track = t;
      tracked.note = {event.Channel(), event.Data1, event.Data2, start - start_ms, std::min(end, end_ms) - start_ms};
      notes_.push_back(tracked);
    }
    first += static_cast<uint32_t>(events.size());
  }
  where_.assign(first, kNoLabel);
  std::stable_sort(notes_.begin(), notes_.end(),
                   [](const Tracked& a, const Tracked& b) { return a.note.start_ms < b.note.start_ms; });
  for (size_t i = 0; i < notes_.size(); ++i) where_[notes_[i].event] = static_cast<uint32_t>(i);
}

void NoteTracker::LeftOut(const Song& song, NoteFate fate) {
  const std::vector<bool> present = Present(song, where_.size());
  for (Tracked& tracked : notes_) {
    if (!present[tracked.event]) Decide(tracked, fate);
  }
}

void NoteTracker::Converted(const Song& song, const std::vector<smaf::TNoteResult>& results) {
  for (const smaf::TNoteResult& result : results) {
    const uint32_t label = result.event < song.labels.size() ? song.labels[result.event] : kNoLabel;
    if (label == kNoLabel || label >= where_.size() || where_[label] == kNoLabel) continue;
    const NoteFate fate = result.outcome == smaf::TNoteOutcome::kConverted ? NoteFate::kKept
                          : result.outcome == smaf::TNoteOutcome::kNoSlot  ? NoteFate::kNoFreeChannel
                                                                           : NoteFate::kRest;
    Decide(notes_[where_[label]], fate);
  }
  // The notes the conversion did not take: in the first track they have no
  // length left, elsewhere they are not converted; gone from the song, only
  // the end of their track can have left them out.
  const std::vector<bool> present = Present(song, where_.size());
  for (Tracked& tracked : notes_) {
    if (!present[tracked.event]) Decide(tracked, NoteFate::kAfterEnd);
    Decide(tracked, tracked.track == 0 ? NoteFate::kNoLength : NoteFate::kOtherTrack);
  }
}

std::vector<RingtoneNote> NoteTracker::Notes() const {
  std::vector<RingtoneNote> notes;
  notes.reserve(notes_.size());
  for (const Tracked& tracked : notes_) notes.push_back(tracked.note);
  return notes;
}

}  // namespace chimekit
