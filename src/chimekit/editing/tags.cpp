#include "chimekit/editing/tags.h"

#include "chimekit/editing/event_data.h"
#include "chimekit/editing/rewrite.h"

namespace chimekit {

const char* TagTypeName(uint8_t type) {
  static constexpr const char* kNames[] = {"text", "copyright", "name", "instrument", "lyric"};
  return type >= kFirstTagType && type <= kLastTagType ? kNames[type - kFirstTagType] : nullptr;
}

std::vector<Tag> CollectTags(const midifile::TMidiFile& file) {
  std::vector<Tag> tags;
  for (int32_t t = 0; t < file.NumberOfTracks(); ++t) {
    const midifile::TMidiTrack& track = file.GetTrack(t);
    for (const midifile::TMidiEvent& event : track.ToEndOfTrack()) {
      if (event.Status == 0xFF && event.Data1 >= kFirstTagType && event.Data1 <= kLastTagType) {
        midifile::ByteView text = EventData(track, event);
        if (!text.empty()) tags.push_back({event.Data1, text});
      }
    }
  }
  return tags;
}

midifile::ByteString TagList(const midifile::TMidiFile& file) {
  midifile::ByteString list;
  for (const Tag& tag : CollectTags(file)) {
    midifile::AppendByte(list, tag.type);
    list.append(tag.text);
    list.append("\r\n");
  }
  return list;
}

namespace {

void AddTagLine(TagLines& lines, midifile::ByteView line) {
  size_t first = line.find_first_not_of(' ');
  if (first == midifile::ByteView::npos) return;
  line = line.substr(first, line.find_last_not_of(' ') + 1 - first);
  uint8_t type = midifile::ByteAt(line, 0);
  if (type >= kFirstTagType && type <= kLastTagType) lines.by_type[type - kFirstTagType].push_back(line.substr(1));
}

}  // namespace

TagLines ReadTagLines(midifile::ByteView tag_file) {
  TagLines lines;
  size_t start = 0;
  for (size_t i = 0; i < tag_file.size(); ++i) {
    char byte = tag_file[i];
    if (byte != '\r' && byte != '\n') continue;
    AddTagLine(lines, tag_file.substr(start, i - start));
    if (byte == '\r' && i + 1 < tag_file.size() && tag_file[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < tag_file.size()) AddTagLine(lines, tag_file.substr(start));
  return lines;
}

midifile::ByteString PlaceTags(const LoadedInput& input, midifile::ByteView tag_file) {
  TagLines lines = ReadTagLines(tag_file);
  return RewriteFile(input, [&](const midifile::TMidiTrack& track, int32_t index, TrackOutput& out) {
    for (uint8_t type = kFirstTagType; type <= kLastTagType; ++type) {
      const std::vector<midifile::ByteView>& texts = lines.by_type[type - kFirstTagType];
      size_t k = static_cast<size_t>(index);
      if (k < texts.size() && !texts[k].empty()) out.TextEvent(0, type, texts[k]);
    }
    WalkTrack(track, out, KeepEvent);
  });
}

}  // namespace chimekit
