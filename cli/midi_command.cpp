// The midi subcommand: any SMAF file's score tracks as a format 1 MIDI
// file (one tick a millisecond), with the summary of what was converted.
#include "midi_command.h"

#include <cstdio>

#include "chimekit/smafread/listing.h"
#include "chimekit/smafread/midi.h"
#include "command.h"
#include "midifile/errors.h"
#include "support.h"

namespace cli {

int RunMidi(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {"--allow-empty"});
  ExpectPositional(parsed, 2, 2);
  const std::string& input = parsed.positional[0];
  const std::string& output = parsed.positional[1];
  RefuseOutputOverInput(output, input, "the MIDI file", "SMAF file");
  const midifile::ByteString bytes = RequireSmaf(input, ReadInput(input));
  chimekit::smafread::SmafScore score;
  const chimekit::smafread::SmafMidi midi =
      NamingInput(input, [&] { return chimekit::smafread::ReadSmafToMidi(bytes, score); });
  if (midi.summary.notes == 0 && !parsed.Has("--allow-empty")) {
    throw midifile::ChimeError(InputName(input) + ": " + chimekit::smafread::NoNoteText(score, midi.summary) +
                               ": the MIDI file would hold no note, so nothing was written (--allow-empty "
                               "writes it anyway)");
  }
  WriteOutput(output, midi.bytes);
  std::FILE* report = output == "-" ? stderr : stdout;
  std::fprintf(report, "%s\n", midi.summary.Text().c_str());
  // What the reader could not read is left out of the MIDI file: say so.
  if (!score.problems.empty()) {
    const size_t count = score.problems.size();
    const std::string first = chimekit::smafread::ProblemText(*chimekit::smafread::InFileOrder(score.problems).front());
    const std::string text = count == 1 ? "1 problem in the SMAF file: " + first + " ('chimekit inspect' lists it)"
                                        : std::to_string(count) + " problems in the SMAF file, the first: " + first +
                                              " ('chimekit inspect' lists them)";
    std::fprintf(stderr, "chimekit midi: %s: %s\n", InputName(input).c_str(), text.c_str());
  }
  return kExitOk;
}

}  // namespace cli
