#include "reshaper/merge_tracks.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "reshaper/meta_event.h"
#include "reshaper/quantity.h"

namespace reshaper {

namespace {

// The next event of one source track, at its absolute time in ticks.
struct TrackHead {
  uint64_t time;
  uint32_t order;  // the track's position in the file
  MidiTrack* track;
};

// Orders a max-heap so that its top is the earliest event, and of events at
// the same time the one of the earliest track.
bool laterThan(const TrackHead& a, const TrackHead& b) {
  if (a.time != b.time) return a.time > b.time;
  return a.order > b.order;
}

bool isEndOfTrack(const MidiEvent& event) {
  const auto* meta = dynamic_cast<const MetaEvent*>(&event);
  return meta != nullptr && meta->isEndOfTrack();
}

// A delta time between two merged events. Four bytes hold at most
// kMaxQuantity ticks; a longer gap (only possible behind an End of Track in
// the middle of a track) is shortened to that.
uint32_t deltaBetween(uint64_t from, uint64_t to) {
  uint64_t gap = to > from ? to - from : 0;
  return static_cast<uint32_t>(std::min<uint64_t>(gap, kMaxQuantity));
}

}  // namespace

void mergeTracks(MidiSong& source, MidiSong& target) {
  MidiTrack* merged = target.tracks().addTrack();
  MidiEvent* last = &merged->events();
  uint64_t lastTime = 0;
  std::unique_ptr<MidiEvent> withheldEnd;
  uint64_t withheldEndTime = 0;

  std::vector<TrackHead> heads;
  TrackList& tracks = source.tracks();
  tracks.resetCursor();
  uint32_t order = 0;
  while (MidiTrack* track = tracks.nextTrack()) {
    if (MidiEvent* first = track->firstEvent()) heads.push_back({first->delta(), order, track});
    ++order;
  }
  std::make_heap(heads.begin(), heads.end(), laterThan);

  while (!heads.empty()) {
    std::pop_heap(heads.begin(), heads.end(), laterThan);
    TrackHead head = heads.back();
    heads.pop_back();
    MidiEvent* event = head.track->firstEvent();
    event->unlink();
    if (MidiEvent* following = head.track->firstEvent()) {
      heads.push_back({head.time + following->delta(), head.order, head.track});
      std::push_heap(heads.begin(), heads.end(), laterThan);
    }
    if (isEndOfTrack(*event)) {
      withheldEnd.reset(event);  // deletes the one withheld before
      withheldEndTime = head.time;
    } else {
      event->setDelta(deltaBetween(lastTime, head.time));
      event->insertAfter(*last);
      last = event;
      lastTime = head.time;
    }
  }

  if (withheldEnd == nullptr) withheldEnd = MetaEvent::endOfTrack(0);
  withheldEnd->setDelta(deltaBetween(lastTime, withheldEndTime));
  withheldEnd.release()->insertAfter(*last);
  merged->computeLength();
}

}  // namespace reshaper
