// The smaf subcommand: converts a MIDI file into a SMAF ringtone and
// reports what the conversion did.
#include "smaf_command.h"

#include "command.h"
#include "midifile/errors.h"
#include "support.h"

namespace cli {

chimekit::RingtoneTiming TimingOption(const ParsedArguments& parsed) {
  return parsed.Has("--library-timing") ? chimekit::RingtoneTiming::kLibrary : chimekit::RingtoneTiming::kTempoMap;
}

void TitleOptions(const ParsedArguments& parsed, const std::string& input, chimekit::RingtoneOptions& options) {
  options.file_name = input;
  if (const std::string* title = parsed.Value("--title")) options.title = *title;
  if (const std::string* copyright = parsed.Value("--copyright")) options.copyright = *copyright;
}

int WriteRingtone(const std::string& input, const std::string& output, const chimekit::RingtoneOptions& options,
                  bool allow_empty, std::FILE* report) {
  RefuseOutputOverInput(output, input, "the SMAF ringtone", "MIDI file");
  midifile::ByteString song = ReadMidiInput(input);
  chimekit::RingtoneOptions without_song = options;
  without_song.write_song = false;  // only the ringtone is written
  const chimekit::RingtoneJob job =
      NamingInput(input, [&] { return chimekit::MakeRingtone(std::move(song), without_song); });
  if (job.smaf.summary.notes_converted == 0 && !allow_empty) {
    std::string hint;
    if (job.unmerged_tracks > 0) {
      hint = "this format 1 file has " + std::to_string(job.unmerged_tracks) +
             " tracks; without --first-track they are merged into one first";
    }
    throw midifile::ChimeError("no note: the ringtone would be silent, so nothing was written" +
                               (hint.empty() ? std::string() : "; " + hint) + " (--allow-empty writes it anyway)");
  }
  WriteOutput(output, job.smaf.bytes);
  std::fputs(chimekit::RingtoneReport(job).c_str(), report);
  return kExitOk;
}

int RunSmaf(const std::vector<std::string>& arguments) {
  ParsedArguments parsed =
      Parse(arguments, {"--first-track", "--library-timing", "--allow-empty"}, {"--title", "--copyright"});
  ExpectPositional(parsed, 2, 2);
  const std::string& input = parsed.positional[0];
  const std::string& output = parsed.positional[1];
  chimekit::RingtoneOptions options;
  options.first_track_only = parsed.Has("--first-track");
  options.timing = TimingOption(parsed);
  TitleOptions(parsed, input, options);
  return WriteRingtone(input, output, options, parsed.Has("--allow-empty"), output == "-" ? stderr : stdout);
}

}  // namespace cli
