#include "chimekit/ringtone/ringtone_title.h"

namespace chimekit {
namespace {

// The text of the first event of a meta type with text in the song's
// first track.
std::optional<midifile::ByteString> FirstText(const midifile::TMidiFile& song, uint8_t type) {
  if (song.NumberOfTracks() == 0) return std::nullopt;
  for (const midifile::TMidiEvent& event : song.GetTrack(0).ToEndOfTrack()) {
    if (event.IsMeta(type) && !event.DataBytes.empty()) return midifile::ByteString(event.DataBytes);
  }
  return std::nullopt;
}

// "tones/ring.tone.mid" gives "ring.tone".
std::string FileTitle(const std::string& file_name) {
  const size_t folder = file_name.find_last_of("/\\");
  std::string name = folder == std::string::npos ? file_name : file_name.substr(folder + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

// The text as the summary shows it: control characters, quotes and
// backslashes escaped; other bytes as they are.
std::string Shown(midifile::ByteView text) {
  std::string shown = "\"";
  for (const char c : text) {
    const auto byte = static_cast<uint8_t>(c);
    if (byte < 0x20 || byte == 0x7F || c == '"' || c == '\\') {
      shown += "\\x";
      midifile::AppendHex(shown, byte);
    } else {
      shown += c;
    }
  }
  return shown + "\"";
}

}  // namespace

std::vector<ContentTag> RingtoneTitle::Tags() const {
  std::vector<ContentTag> tags;
  if (!title.empty()) tags.push_back({0x03, title});
  if (!copyright.empty()) tags.push_back({0x02, copyright});
  return tags;
}

RingtoneTitle ChooseTitle(const midifile::TMidiFile& song, const std::string& file_name,
                          const std::optional<midifile::ByteString>& title,
                          const std::optional<midifile::ByteString>& copyright) {
  RingtoneTitle kept;
  if (title) {
    kept.title = *title;
    kept.title_from = title->empty() ? TitleSource::kNone : TitleSource::kGiven;
  } else if (std::optional<midifile::ByteString> name = FirstText(song, 0x03)) {
    kept.title = std::move(*name);
    kept.title_from = TitleSource::kSong;
  } else if (!FileTitle(file_name).empty()) {
    kept.title = FileTitle(file_name);
    kept.title_from = TitleSource::kFileName;
  }
  kept.copyright_given = copyright.has_value();
  kept.copyright = copyright ? *copyright : FirstText(song, 0x02).value_or("");
  return kept;
}

std::string TitleText(const RingtoneTitle& kept) {
  static constexpr const char* kFrom[] = {"", " (the song's name)", " (the file's name)", " (given)"};
  std::string text = kept.title.empty() ? "no title" : "title: " + Shown(kept.title) +
                                                            kFrom[static_cast<size_t>(kept.title_from)];
  if (kept.copyright.empty()) return text + ", no copyright";
  return text + ", copyright: " + Shown(kept.copyright) + (kept.copyright_given ? " (given)" : "");
}

}  // namespace chimekit
