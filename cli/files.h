// The tool's inputs and outputs: files (or standard input and output for
// "-") read and written whole, and failures that name the file and what is
// wrong with it ("out/ring.mmf: the folder out/ does not exist").
#pragma once

#include <string>

#include "chimekit/frame/frame.h"
#include "midifile/bytes.h"
#include "midifile/errors.h"
#include "midifile/midi_file.h"

namespace cli {

// What a file's bytes say it is: "MThd", or a RIFF form of type RMID,
// begins a MIDI file; "MMMD" a SMAF file. A file of other bytes in which
// the MIDI reader finds tracks all the same (chunks it steps over stand
// before them) is a MIDI file too.
enum class FileKind { midi, smaf, other };
FileKind SniffFileKind(midifile::ByteView bytes);

// How a command says it got an input of a kind it does not take, naming
// the input: "ring.mmf: a SMAF file; this command takes a MIDI file, see
// 'chimekit midi'" (and the same of a MIDI file given where a SMAF file
// belongs), "notes.txt: neither a MIDI file nor a SMAF file".
std::string WrongKindText(const std::string& path, FileKind got);

// How messages name an input: its path, or "standard input" for "-".
std::string InputName(const std::string& path);

// The bytes of an input file, or of standard input for "-".
midifile::ByteString ReadInput(const std::string& path);

// The bytes of an input, read, that must be a MIDI file (RequireMidi) or a
// SMAF file (RequireSmaf); a file of another kind is refused in the words
// of WrongKindText.
midifile::ByteString RequireMidi(const std::string& path, midifile::ByteString bytes);
midifile::ByteString RequireSmaf(const std::string& path, midifile::ByteString bytes);
inline midifile::ByteString ReadMidiInput(const std::string& path) { return RequireMidi(path, ReadInput(path)); }

// ReadMidiInput, then loaded; a reader's failure names the file
// ("cut.mid: damaged MIDI file: Read beyond end of file").
midifile::TMidiFile LoadInput(const std::string& path);
// The same, with the stored division for a rewrite.
chimekit::LoadedInput LoadRewriteInput(const std::string& path);

// Runs a step on the song read from `path`; the reader's and the
// conversions' failures in it name the file, as LoadInput's do.
template <class Step>
auto NamingInput(const std::string& path, Step&& step) -> decltype(step());

// Writes an output to the named file (in one piece, through a temporary
// file) or, for "-" or an empty name, to standard output.
void WriteOutput(const std::string& path, midifile::ByteView bytes);

// A UsageError when the output names the input file (however it is spelt:
// links, "./"), for a command whose output is of another kind than that
// input: "song.mid is the input file: the SMAF ringtone would replace the
// MIDI file; name another output". `made` names the output, `replaced` the
// input's kind.
void RefuseOutputOverInput(const std::string& output, const std::string& input, const char* made,
                           const char* replaced);

// The failure of a step on an input, naming the file.
[[noreturn]] void ThrowNamingInput(const std::string& path);

template <class Step>
auto NamingInput(const std::string& path, Step&& step) -> decltype(step()) {
  try {
    return step();
  } catch (const midifile::ChimeError&) {
    ThrowNamingInput(path);
  }
}

}  // namespace cli
