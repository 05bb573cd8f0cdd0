#include "reshaper/merge_tracks.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "reshaper/meta_event.h"
#include "reshaper/quantity.h"

namespace reshaper {

namespace {

// The next event of one source track, at its absolute time in ticks. The
// event is its track's first; the event behind it is the track's next, so
// the track object itself is never needed again.
struct TrackHead {
  uint64_t time;
  uint32_t order;  // the track's position in the file
  MidiEvent* event;
};

// Orders a max-heap so that its top is the earliest event, and of events at
// the same time the one of the earliest track.
bool laterThan(const TrackHead& a, const TrackHead& b) {
  if (a.time != b.time) return a.time > b.time;
  return a.order > b.order;
}

bool isEndOfTrack(const MidiEvent& event) {
  // Only meta events carry the meta status.
  return event.status() == kMetaStatus && static_cast<const MetaEvent&>(event).isEndOfTrack();
}

// A delta time between two merged events. Four bytes hold at most
// kMaxQuantity ticks; a longer gap (only possible behind an End of Track in
// the middle of a track) is shortened to that.
uint32_t deltaBetween(uint64_t from, uint64_t to) {
  uint64_t gap = to > from ? to - from : 0;
  return static_cast<uint32_t>(std::min<uint64_t>(gap, kMaxQuantity));
}

// Asks for an event's memory ahead of its use. With many tracks the merge
// visits each track only every so many events, and the event behind a
// track's head would otherwise be a fresh trip to main memory every time.
void prefetch(const MidiEvent* event) {
#if defined(__GNUC__) || defined(__clang__)
  if (event != nullptr) __builtin_prefetch(event);
#else
  (void)event;
#endif
}

}  // namespace

MergeCounts mergeTracks(MidiSong& source, MidiSong& target) {
  MidiTrack* merged = target.tracks().addTrack();
  MidiEvent* last = &merged->events();
  uint64_t lastTime = 0;
  std::unique_ptr<MidiEvent> withheldEnd;
  uint64_t withheldEndTime = 0;
  MergeCounts counts;

  std::vector<TrackHead> heads;
  TrackList& tracks = source.tracks();
  tracks.resetCursor();
  while (MidiTrack* track = tracks.nextTrack()) {
    if (MidiEvent* first = track->firstEvent()) {
      heads.push_back({first->delta(), counts.tracks, first});
      prefetch(first->next());
    }
    ++counts.tracks;
  }
  std::make_heap(heads.begin(), heads.end(), laterThan);

  while (!heads.empty()) {
    std::pop_heap(heads.begin(), heads.end(), laterThan);
    TrackHead head = heads.back();
    heads.pop_back();
    MidiEvent* event = head.event;
    MidiEvent* following = event->next();
    event->unlink();
    if (following != nullptr) {
      heads.push_back({head.time + following->delta(), head.order, following});
      std::push_heap(heads.begin(), heads.end(), laterThan);
      prefetch(following->next());
    }
    if (!heads.empty()) prefetch(heads.front().event);  // the one taken next
    if (isEndOfTrack(*event)) {
      withheldEnd.reset(event);  // deletes the one withheld before
      withheldEndTime = head.time;
    } else {
      event->setDelta(deltaBetween(lastTime, head.time));
      event->insertAfter(*last);
      last = event;
      lastTime = head.time;
      ++counts.events;
    }
  }

  if (withheldEnd == nullptr) withheldEnd = MetaEvent::endOfTrack(0);
  // Through setDelta, so that the event's size follows a delta that needs
  // more bytes than the one it was read with.
  withheldEnd->setDelta(deltaBetween(lastTime, withheldEndTime));
  withheldEnd.release()->insertAfter(*last);
  ++counts.events;
  // The merged track's outLength is computed when the song is written; a
  // pass of its own here would cost as much as the merge itself once the
  // events of many tracks lie interleaved in memory.
  return counts;
}

}  // namespace reshaper
