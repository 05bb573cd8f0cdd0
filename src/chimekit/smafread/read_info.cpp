// The texts of a SMAF file: the content information ("CNTI": five fixed
// bytes, then the option text of "XX:value," tags), the optional data
// ("OPDA" with its "Dch?" chunks of tag, size and value entries), and the
// seek and phrase chunks of the tracks.
#include "chimekit/smafread/read_parts.h"

namespace chimekit::smafread::detail {
namespace {

constexpr size_t kContentInfoFixed = 5;

bool IsTagByte(uint8_t byte) { return byte > 0x20 && byte < 0x7F && byte != ',' && byte != ':' && byte != '\\'; }

bool TagAt(ByteView file, size_t at, size_t end) {
  return end - at >= 3 && IsTagByte(midifile::ByteAt(file, at)) && IsTagByte(midifile::ByteAt(file, at + 1)) &&
         file[at + 2] == ':';
}

// "XX:" value "," entries from `at` on; a backslash escapes the byte after
// it. A part after a "," that does not begin with a tag goes on with the
// value before it (the converter joins several texts of a kind with "; ").
void ReadOptionTags(ByteView file, size_t at, size_t end, std::vector<OptionTag>& tags, Problems& problems) {
  if (end - at == 1 && file[at] == ',') return;  // no tags at all
  if (!TagAt(file, at, end)) {
    problems.Add(at, "the option text does not begin with a tag");
    return;
  }
  size_t position = at;
  while (position < end) {
    const bool tagged = TagAt(file, position, end);
    const size_t value = tagged ? position + 3 : position;
    size_t cursor = value;
    while (cursor < end && file[cursor] != ',') cursor += file[cursor] == '\\' ? 2 : 1;
    const size_t stop = cursor < end ? cursor : end;
    if (tagged) {
      OptionTag tag;
      tag.tag = {file[position], file[position + 1]};
      tag.value = {static_cast<uint32_t>(value), static_cast<uint32_t>(stop - value)};
      tags.push_back(tag);
    } else {
      tags.back().value.size = static_cast<uint32_t>(stop - tags.back().value.begin);
    }
    if (cursor >= end) {
      problems.Add(end, "the option text does not end with \",\"");
      return;
    }
    position = cursor + 1;
  }
}

void ReadDataEntries(ByteView file, const ChunkFact& chunk, std::vector<DataEntry>& entries, Problems& problems) {
  const size_t end = chunk.body.begin + chunk.body.size;
  size_t position = chunk.body.begin;
  while (position < end) {
    if (end - position < 4) {
      problems.Add(position, std::to_string(end - position) + " stray bytes at the end of a Dch chunk");
      return;
    }
    DataEntry entry;
    entry.at = static_cast<uint32_t>(position);
    entry.code_type = static_cast<uint8_t>(chunk.id[3]);
    entry.tag = {file[position], file[position + 1]};
    const uint32_t size = BigEndian16(file, position + 2);
    if (size > end - position - 4) {
      problems.Add(position + 2, "data entry of " + std::to_string(size) + " bytes but only " +
                                     std::to_string(end - position - 4) + " are left in its Dch chunk");
      return;
    }
    entry.value = {static_cast<uint32_t>(position + 4), size};
    entries.push_back(entry);
    position += 4 + size;
  }
}

}  // namespace

void ReadContentInfo(ByteView file, const ChunkFact& chunk, ContentInfo& info, Problems& problems) {
  info.present = true;
  info.at = chunk.at;
  if (chunk.size < kContentInfoFixed) {
    problems.Add(chunk.at + 4,
                 "CNTI size " + std::to_string(chunk.size) + " leaves no room for its 5 fixed bytes");
    return;
  }
  const size_t at = chunk.body.begin;
  info.contents_class = midifile::ByteAt(file, at);
  info.contents_type = midifile::ByteAt(file, at + 1);
  info.code_type = midifile::ByteAt(file, at + 2);
  info.copy_status = midifile::ByteAt(file, at + 3);
  info.copy_counts = midifile::ByteAt(file, at + 4);
  const size_t end = at + chunk.size;
  info.option_text = {static_cast<uint32_t>(at + kContentInfoFixed),
                      static_cast<uint32_t>(chunk.size - kContentInfoFixed)};
  if (info.option_text.size > 0) ReadOptionTags(file, at + kContentInfoFixed, end, info.tags, problems);
}

void ReadOptionalData(ByteView file, const ChunkFact& chunk, SmafScore& score, Problems& problems) {
  const size_t begin = chunk.body.begin;
  if (TagAt(file, begin, begin + chunk.size)) {
    // Tags as in an option text where the Dch chunks belong (as ffmpeg
    // writes them): read as such, a fact of the file that the listing
    // names.
    std::vector<OptionTag> tags;
    ReadOptionTags(file, begin, begin + chunk.size, tags, problems);
    for (const OptionTag& tag : tags) {
      score.data_entries.push_back({static_cast<uint32_t>(tag.value.begin - 3), 0xFF, tag.tag, tag.value});
    }
    return;
  }
  for (const ChunkFact& inner :
       WalkChunks(file, begin, begin + chunk.size, 1, "the OPDA chunk", score.chunks, problems)) {
    if (inner.role == ChunkRole::kDataEntries) ReadDataEntries(file, inner, score.data_entries, problems);
  }
}

void ReadPhrases(ByteView file, const ChunkFact& chunk, std::vector<PhraseMark>& marks, Problems& problems) {
  const size_t end = chunk.body.begin + chunk.body.size;
  size_t position = chunk.body.begin;
  while (position < end) {
    if (!TagAt(file, position, end)) {
      problems.Add(position, "seek and phrase information without a tag");
      return;
    }
    PhraseMark mark;
    mark.at = static_cast<uint32_t>(position);
    mark.tag = {file[position], file[position + 1]};
    const size_t value = position + 3;
    // The start and stop points hold four bytes, which may be any bytes.
    const bool point = (mark.tag[0] == 's' && (mark.tag[1] == 't' || mark.tag[1] == 'p'));
    size_t stop = value;
    if (point) {
      stop = end - value >= 4 ? value + 4 : end;
    } else {
      while (stop < end && file[stop] != ',') ++stop;
    }
    if (stop >= end || file[stop] != ',') {
      problems.Add(mark.at, "seek and phrase entry \"" + std::string(mark.tag.data(), 2) + "\" is not ended by \",\"");
      return;
    }
    mark.value = {static_cast<uint32_t>(value), static_cast<uint32_t>(stop - value)};
    marks.push_back(mark);
    position = stop + 1;
  }
}

}  // namespace chimekit::smafread::detail
