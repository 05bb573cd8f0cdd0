// The play subcommand: a SMAF file, or a MIDI file converted to one as the
// smaf subcommand does (format 1 files merged first), rendered to a WAV
// file to listen to, with what was read and what played.
#include "play_command.h"

#include <chrono>
#include <cstdio>

#include "chimekit/preview/preview.h"
#include "chimekit/ringtone/ringtone.h"
#include "chimekit/ringtone/song_source.h"
#include "chimekit/smaf/smaf_text.h"
#include "command.h"
#include "smaf_command.h"
#include "support.h"

#if defined(_WIN32)
#include <io.h>
#define CHIMEKIT_ISATTY(fd) _isatty(fd)
#define CHIMEKIT_FILENO(file) _fileno(file)
#else
#include <unistd.h>
#define CHIMEKIT_ISATTY(fd) isatty(fd)
#define CHIMEKIT_FILENO(file) fileno(file)
#endif

namespace cli {
namespace {

using Clock = std::chrono::steady_clock;

// "rendering: 42% (12.0 s of 28.5 s)" on standard error, rewritten in
// place, once a render has taken longer than half a second, and only when
// standard error is a terminal.
class ProgressLine {
 public:
  ProgressLine() : enabled_(CHIMEKIT_ISATTY(CHIMEKIT_FILENO(stderr)) != 0), start_(Clock::now()) {}

  void Show(uint64_t done, uint64_t total) {
    if (!enabled_ || total == 0) return;
    const Clock::time_point now = Clock::now();
    if (now - start_ < std::chrono::milliseconds(500) || now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    shown_ = true;
    std::fprintf(stderr, "\rrendering: %3u%% (%.1f s of %.1f s)", static_cast<unsigned>(done * 100 / total),
                 static_cast<double>(done) / chimekit::preview::kSampleRate,
                 static_cast<double>(total) / chimekit::preview::kSampleRate);
    std::fflush(stderr);
  }

  void Clear() {
    if (shown_) std::fprintf(stderr, "\r%50s\r", "");
    shown_ = false;
  }

 private:
  const bool enabled_;
  const Clock::time_point start_;
  Clock::time_point last_{};
  bool shown_ = false;
};

double Seconds(uint64_t frames) { return static_cast<double>(frames) / chimekit::preview::kSampleRate; }

}  // namespace

int RunPlay(const std::vector<std::string>& arguments) {
  ParsedArguments parsed =
      Parse(arguments, {"--mono", "--first-track", "--library-timing", "--allow-empty"}, {"--seconds"});
  ExpectPositional(parsed, 2, 2);
  const std::string& input = parsed.positional[0];
  const std::string& output = parsed.positional[1];
  chimekit::preview::PreviewOptions options;
  options.output_channels = parsed.Has("--mono") ? 1 : 2;
  options.allow_empty = parsed.Has("--allow-empty");
  if (const std::string* seconds = parsed.Value("--seconds")) {
    options.length_ms = ParseSeconds(*seconds, 1, chimekit::preview::kMaxPreviewSeconds * 1000, "--seconds");
  }

  RefuseOutputOverInput(output, input, "the WAV file", "song");
  midifile::ByteString bytes = ReadInput(input);
  std::string source;  // for a MIDI file: what it was made into
  if (SniffFileKind(bytes) != FileKind::smaf) {
    // A MIDI file becomes the ringtone the smaf command makes of it.
    bytes = RequireMidi(input, std::move(bytes));
    chimekit::RingtoneOptions ringtone;
    ringtone.first_track_only = parsed.Has("--first-track");
    ringtone.timing = TimingOption(parsed);
    ringtone.file_name = input;
    ringtone.write_song = false;
    chimekit::RingtoneJob job = NamingInput(input, [&] { return chimekit::MakeRingtone(std::move(bytes), ringtone); });
    using chimekit::smaf::Count;
    std::string done;  // "merged; re-timed", in brackets when not empty
    const auto step = [&done](const std::string& text) { done += (done.empty() ? " (" : "; ") + text; };
    if (job.merged_tracks > 0) step(chimekit::MergeText(job.merged_tracks, job.merged_events));
    if (!job.first_track_only && job.timing == chimekit::RingtoneTiming::kTempoMap) {
      step((job.tempo_events == 0 ? std::string("re-timed at 120 BPM")
                                  : "re-timed from " + Count(job.tempo_events, "tempo", "tempos")) +
           ", " + chimekit::SecondsText(job.played_ms) + " as it plays");
    }
    const chimekit::smaf::TSmafSummary& summary = job.smaf.summary;
    source = "MIDI file" + done + (done.empty() ? "" : ")") + ", converted to SMAF (timebase " +
             std::to_string(summary.timebase_ms) + " ms, " +
             Count(static_cast<uint64_t>(summary.score_tracks), "score track", "score tracks") + ", " +
             Count(static_cast<uint64_t>(summary.notes_converted), "note", "notes") + ", " +
             std::to_string(summary.notes_without_slot) + " dropped for want of a free channel)";
    bytes = std::move(job.smaf.bytes);
  }

  ProgressLine progress;
  const chimekit::preview::PreviewResult result = NamingInput(input, [&] {
    try {
      return chimekit::preview::PreviewRingtone(bytes, options,
                                                [&](uint64_t done, uint64_t total) { progress.Show(done, total); });
    } catch (const chimekit::preview::NothingToPlay& error) {
      throw midifile::ConversionError(std::string(error.what()) +
                                      ": the WAV file would be silent, so nothing was written (--allow-empty "
                                      "writes it anyway)");
    }
  });
  progress.Clear();
  WriteOutput(output, result.wav);

  std::FILE* report = output == "-" ? stderr : stdout;
  if (source.empty()) {
    for (const std::string& line : result.summary.Lines()) std::fprintf(report, "%s\n", line.c_str());
  } else {
    std::fprintf(report, "input: %s\n", source.c_str());
  }
  if (result.cut) {
    std::fprintf(report, "rendered: the first %.3f s of %.3f s", Seconds(result.frames),
                 Seconds(result.ringtone_frames));
  } else {
    std::fprintf(report, "rendered: %.3f s", Seconds(result.frames));
  }
  std::fprintf(report, ", %s, 16-bit PCM, %u Hz\n", result.output_channels == 1 ? "mono" : "stereo",
               chimekit::preview::kSampleRate);
  return kExitOk;
}

}  // namespace cli
