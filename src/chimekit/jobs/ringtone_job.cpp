// The ringtone job's result: its summary in words and as numbers, the notes
// and where each went, the SMAF file's listing.
#include <array>
#include <utility>

#include "chimekit/jobs/jobs.h"
#include "chimekit/jobs/json.h"
#include "chimekit/ringtone/ringtone.h"
#include "chimekit/smafread/listing.h"
#include "chimekit/smafread/read.h"
#include "chimekit/sp/sp_convert.h"

namespace chimekit::jobs {
namespace {

constexpr std::array<NoteFate, 8> kFates = {NoteFate::kKept,          NoteFate::kOutsideWindow, NoteFate::kNoteLimit,
                                            NoteFate::kNoFreeChannel, NoteFate::kRest,          NoteFate::kNoLength,
                                            NoteFate::kOtherTrack,    NoteFate::kAfterEnd};

const char* TimingName(const chimekit::RingtoneJob& job) {
  if (job.first_track_only) return "first track";
  return job.timing == RingtoneTiming::kTempoMap ? "tempo map" : "library";
}

void AppendNotes(std::string& out, const std::vector<RingtoneNote>& notes) {
  // Six numbers a note: channel, key, velocity, start and end in ms from
  // the window's start, and its fate (an index into "fates").
  std::vector<uint64_t> numbers;
  numbers.reserve(notes.size() * 6);
  std::array<uint64_t, kFates.size()> counts{};
  for (const RingtoneNote& note : notes) {
    const uint64_t fate = static_cast<uint64_t>(note.fate);
    numbers.insert(numbers.end(), {note.channel, note.key, note.velocity, note.start_ms, note.end_ms, fate});
    ++counts[static_cast<size_t>(fate)];
  }
  AppendKey(out, "fates");
  out += '[';
  for (const NoteFate fate : kFates) {
    if (out.back() != '[') out += ',';
    AppendJsonString(out, NoteFateName(fate));
  }
  out += ']';
  AppendKey(out, "noteCounts");
  AppendNumbers(out, std::vector<uint64_t>(counts.begin(), counts.end()));
  AppendKey(out, "notes");
  AppendNumbers(out, numbers);
}

std::string RingtoneJson(const chimekit::RingtoneJob& job, const RingtoneRequest& request) {
  std::string out = "{";
  AppendKey(out, "summary");
  AppendJsonString(out, RingtoneReport(job));
  AppendField(out, "mergedTracks", job.merged_tracks);
  AppendField(out, "mergedEvents", job.merged_events);
  AppendKey(out, "timing");
  AppendJsonString(out, TimingName(job));
  AppendField(out, "tempoEvents", job.tempo_events);
  AppendField(out, "playedMs", job.played_ms);
  AppendField(out, "libraryMs", job.library_ms);
  AppendField(out, "cut", job.cut);
  AppendField(out, "songMs", job.song_ms);
  AppendField(out, "volumeShift", job.volume_applied.value_or(0));
  AppendField(out, "noteLimit", job.note_limit ? uint32_t{EffectiveNoteLimit(*job.note_limit)} : 0u);
  static constexpr const char* kTitleFrom[] = {"none", "song", "file name", "given"};
  AppendKey(out, "title");
  AppendByteArray(out, job.kept.title);
  AppendKey(out, "titleFrom");
  AppendJsonString(out, kTitleFrom[static_cast<size_t>(job.kept.title_from)]);
  AppendKey(out, "copyright");
  AppendByteArray(out, job.kept.copyright);
  AppendKey(out, "noteOnsDropped");
  AppendNumbers(out, std::vector<uint64_t>(job.dropped.begin(), job.dropped.end()));
  const smaf::TSmafSummary& smaf = job.smaf.summary;
  AppendField(out, "timebaseMs", smaf.timebase_ms);
  AppendField(out, "scoreTracks", smaf.score_tracks);
  AppendField(out, "voices", smaf.voices);
  AppendField(out, "notesConverted", smaf.notes_converted);
  AppendField(out, "notesWithoutSlot", smaf.notes_without_slot);
  if (request.notes) AppendNotes(out, job.notes);
  if (request.listing) {
    const smafread::SmafListing inspection =
        smafread::ListSmaf(job.smaf.bytes, smafread::ReadSmafScore(job.smaf.bytes));
    std::string listing;
    for (const std::string& line : inspection.lines) listing += line + "\n";
    AppendKey(out, "listing");
    AppendJsonString(out, listing);
    AppendField(out, "listingOk", inspection.ok);
  }
  out += '}';
  return out;
}

}  // namespace

JobResult RunRingtone(midifile::ByteView song, const RingtoneRequest& request) {
  RingtoneOptions options;
  options.first_track_only = request.first_track;
  options.timing = request.library_timing ? RingtoneTiming::kLibrary : RingtoneTiming::kTempoMap;
  if (request.length_ms > 0) options.window = RingtoneWindow{request.start_ms, request.length_ms};
  options.volume_shift = request.volume_shift;
  options.note_limit = request.note_limit;
  options.notes = request.notes;
  options.file_name = request.file_name;
  options.title = request.title;
  options.copyright = request.copyright;
  chimekit::RingtoneJob job = MakeRingtone(midifile::ByteString(song), options);
  JobResult result;
  result.text = RingtoneJson(job, request);
  result.bytes[0] = std::move(job.smaf.bytes);
  result.bytes[1] = std::move(job.song);
  return result;
}

}  // namespace chimekit::jobs
