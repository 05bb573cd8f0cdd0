#include "reshaper/model/track_list.h"

#include <memory>

namespace reshaper {

namespace {
constexpr uint32_t kChunkHeaderBytes = 8;
}

bool TrackList::read(MidiStream& stream) {
  count_ = 0;
  MidiTrack* last = &head_;
  while (last->next() != nullptr) last = last->next();
  while (true) {
    auto track = std::make_unique<MidiTrack>(count_ + 1);
    if (!track->read(stream)) break;
    track->insertAfter(*last);
    last = track.release();
    ++count_;
  }
  resetCursor();
  return count_ > 0;
}

void TrackList::write(MidiStream& stream) {
  for (MidiTrack* track = head_.next(); track != nullptr; track = track->next()) track->write(stream);
}

void TrackList::clear() {
  deleteMembers<MidiTrack>(head_);
  cursor_ = nullptr;
  count_ = 0;
}

MidiTrack* TrackList::addTrack() {
  count_ = 0;
  auto track = std::make_unique<MidiTrack>(count_ + 1);
  ++count_;
  track->setId("MTrk");
  track->kind = ChunkKind::Track;
  track->insertAfter(head_);
  resetCursor();
  return track.release();
}

MidiTrack* TrackList::nextTrack() {
  MidiTrack* track = cursor_;
  if (track != nullptr) cursor_ = track->next();
  return track;
}

uint32_t TrackList::totalLength() {
  uint32_t total = 0;
  for (MidiTrack* track = head_.next(); track != nullptr; track = track->next()) {
    total += track->computeLength() + kChunkHeaderBytes;
  }
  return total;
}

}  // namespace reshaper
