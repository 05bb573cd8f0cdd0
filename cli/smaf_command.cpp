// The smaf subcommand: converts a MIDI file into a SMAF ringtone and
// reports what the conversion did.
#include "smaf_command.h"

#include "chimekit/smaf/convert.h"
#include "command.h"
#include "midifile/errors.h"
#include "song_input.h"
#include "support.h"

namespace cli {

int WriteRingtone(const midifile::TMidiFile& file, const std::string& output, bool allow_empty, const std::string& hint,
                  std::FILE* report) {
  chimekit::smaf::TSmafConversion smaf = chimekit::smaf::ConvertToSmaf(file);
  const chimekit::smaf::TSmafSummary& summary = smaf.summary;
  if (summary.notes_converted == 0 && !allow_empty) {
    throw midifile::ChimeError("no note: the ringtone would be silent, so nothing was written" +
                               (hint.empty() ? std::string() : "; " + hint) + " (--allow-empty writes it anyway)");
  }
  WriteOutput(output, smaf.bytes);
  std::fprintf(report,
               "timebase: %d ms (code 0x%02X)\n"
               "score tracks: %d\n"
               "voices: %d\n"
               "notes converted: %d\n"
               "notes dropped (no free slot): %d\n",
               summary.timebase_ms, summary.timebase_code, summary.score_tracks, summary.voices,
               summary.notes_converted, summary.notes_without_slot);
  if (summary.notes_converted == 0) std::fprintf(report, "no note: the ringtone is silent\n");
  return kExitOk;
}

int RunSmaf(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {"--first-track", "--allow-empty"});
  ExpectPositional(parsed, 2, 2);
  const std::string& output = parsed.positional[1];
  const Song song = ReadSong(parsed.positional[0], parsed.Has("--first-track"));
  std::FILE* report = output == "-" ? stderr : stdout;
  if (song.merged_tracks > 0) std::fprintf(report, "merged: %s\n", MergeText(song).c_str());
  std::string hint;
  if (song.unmerged_tracks) {
    hint = "this format 1 file has " + std::to_string(song.file.NumberOfTracks()) +
           " tracks; without --first-track they are merged into one first";
  }
  return WriteRingtone(song.file, output, parsed.Has("--allow-empty"), hint, report);
}

}  // namespace cli
