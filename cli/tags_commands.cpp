// The tags and set-tags subcommands: the tag text file of a MIDI file, and
// a MIDI file with the tags of a tag text file (or of the command line).
#include <cstdio>
#include <string>

#include "chimekit/editing/tags.h"
#include "command.h"
#include "editing_commands.h"
#include "support.h"

#if defined(_WIN32)
#include <io.h>
#define CHIMEKIT_ISATTY _isatty
#define CHIMEKIT_FILENO _fileno
#else
#include <unistd.h>
#define CHIMEKIT_ISATTY isatty
#define CHIMEKIT_FILENO fileno
#endif

namespace cli {

namespace {

// "name: My Song" lines, control bytes shown as \xNN.
std::string ReadableTags(const std::vector<chimekit::Tag>& tags) {
  std::string text;
  for (const chimekit::Tag& tag : tags) {
    text += chimekit::TagTypeName(tag.type);
    text += ": ";
    for (char c : tag.text) {
      auto byte = static_cast<unsigned char>(c);
      if (byte >= 0x20 && byte != 0x7F) {
        text += c;
      } else {
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", unsigned{byte});
        text += escaped;
      }
    }
    text += '\n';
  }
  return text;
}

// The option name of each tag type: --text, --copyright, --name, ...
std::string OptionOf(uint8_t type) { return std::string("--") + chimekit::TagTypeName(type); }

}  // namespace

int RunTags(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {"--list"});
  ExpectPositional(parsed, 1, 2);
  std::string output = OptionalPositional(parsed, 1);
  RefuseOutputOverInput(output, parsed.positional[0], "the tag list", "MIDI file");
  midifile::TMidiFile file = LoadInput(parsed.positional[0]);
  bool to_terminal = (output.empty() || output == "-") && CHIMEKIT_ISATTY(CHIMEKIT_FILENO(stdout));
  if (parsed.Has("--list") || to_terminal) {
    WriteOutput(output, ReadableTags(chimekit::CollectTags(file)));
  } else {
    WriteOutput(output, chimekit::TagList(file));
  }
  return kExitOk;
}

int RunSetTags(const std::vector<std::string>& arguments) {
  std::vector<std::string> tag_options;
  for (uint8_t type = chimekit::kFirstTagType; type <= chimekit::kLastTagType; ++type) {
    tag_options.push_back(OptionOf(type));
  }
  ParsedArguments parsed = Parse(arguments, {}, tag_options);
  bool from_options = !parsed.options.empty();
  ExpectPositional(parsed, from_options ? 2 : 3, from_options ? 2 : 3);
  const std::string& input_path = parsed.positional[0];
  const std::string& output = parsed.positional.back();

  // The tag file the options stand for: one line per option, in order, so
  // that the k-th option of a type tags the k-th track.
  midifile::ByteString tag_file;
  for (const auto& [name, text] : parsed.options) {
    if (text.find_first_of("\r\n") != std::string::npos) throw UsageError(name + " cannot hold a line break");
    for (uint8_t type = chimekit::kFirstTagType; type <= chimekit::kLastTagType; ++type) {
      if (name == OptionOf(type)) tag_file += static_cast<char>(type) + text + "\r\n";
    }
  }
  chimekit::LoadedInput input = LoadRewriteInput(input_path);
  if (!from_options) {
    RefuseOutputOverInput(output, parsed.positional[1], "the MIDI file", "tag file");
    tag_file = ReadInput(parsed.positional[1]);
  }
  WriteOutput(output, chimekit::PlaceTags(input, tag_file));
  return kExitOk;
}

}  // namespace cli
