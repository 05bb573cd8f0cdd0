// The words of a preview's summary (score.h).
#include <algorithm>
#include <utility>

#include "chimekit/preview/score.h"
#include "chimekit/smaf/smaf_text.h"

namespace chimekit::preview {
namespace {

using smaf::Count;

}  // namespace

void PreviewSummary::NotPlayed(const std::string& text) {
  if (std::find(not_played.begin(), not_played.end(), text) != not_played.end()) return;
  if (not_played.size() < kNotPlayedNamed) {
    not_played.push_back(text);
  } else {
    // Each of these is found once per track and kind at most.
    ++more_not_played;
  }
}

std::string PreviewSummary::ReadText() const {
  std::vector<std::string> formats;
  for (const std::string& format : score_formats) {
    if (std::find(formats.begin(), formats.end(), format) == formats.end()) formats.push_back(format);
  }
  std::string text = "score tracks: " + std::to_string(score_formats.size());
  for (size_t i = 0; i < formats.size(); ++i) text += (i == 0 ? " (" : ", ") + formats[i];
  if (!formats.empty()) text += ")";
  text += ", notes: " + std::to_string(notes) + ", audio tracks: " + std::to_string(audio_tracks);
  if (audio_tracks > 0) text += " (" + Count(wave_events, "wave", "waves") + ")";
  return text;
}

std::string PreviewSummary::PlayedText() const {
  const std::pair<uint64_t, const char*> kinds[] = {{notes_on_file_fm, "on the file's FM voices"},
                                                    {notes_on_file_pcm, "on its sampled voices and stream PCM"},
                                                    {notes_on_built_in, "on built-in voices"}};
  std::vector<std::pair<uint64_t, const char*>> parts;
  for (const auto& kind : kinds) {
    if (kind.first > 0) parts.push_back(kind);
  }
  std::string text = Count(NotesPlayed(), "note", "notes");
  if (parts.size() == 1) {
    text += std::string(" ") + parts[0].second;
  } else if (parts.size() > 1) {
    for (size_t i = 0; i < parts.size(); ++i) {
      text += (i == 0 ? " (" : ", ") + std::to_string(parts[i].first) + " " + parts[i].second;
    }
    text += ")";
  }
  if (audio_tracks > 0) text += ", " + Count(waves_played, "wave", "waves");
  return text;
}

std::vector<std::string> PreviewSummary::Lines() const {
  std::vector<std::string> lines = {"input: SMAF file, " + ReadText(), "played: " + PlayedText()};
  for (const std::string& text : not_played) lines.push_back("not played: " + text);
  if (more_not_played > 0) lines.push_back("not played: " + std::to_string(more_not_played) + " more");
  if (problems > 0) {
    lines.push_back("problems: " + std::to_string(problems) + " (see 'chimekit inspect'), the first " + first_problem);
  }
  return lines;
}

}  // namespace chimekit::preview
