// The table of subcommands.
#include "channel_commands.h"
#include "command.h"
#include "editing_commands.h"
#include "inspection_commands.h"
#include "inspect_command.h"
#include "midi_command.h"
#include "play_command.h"
#include "report_commands.h"
#include "reshape_command.h"
#include "ringtone_command.h"
#include "smaf_command.h"
#include "sp_command.h"

namespace cli {

const std::vector<Command>& AllCommands() {
  static const std::vector<Command> commands = {
      {"length", "print the song length in milliseconds",
       "Usage: chimekit length IN.mid [--library-timing]\n"
       "Prints the length of the longest track in milliseconds as the song plays, every tempo\n"
       "change counted. When the song changes tempo and the library's figure differs by more\n"
       "than 1%, a note on standard error gives the other figure.\n"
       "  --library-timing   print the length at the file's last tempo instead, as MIDIGetLengthMs\n"
       "                     times it\n"
       "  --tempo-map        the length as the song plays (the default)",
       RunLength},
      {"first-note", "print the tick of the earliest note-on",
       "Usage: chimekit first-note IN.mid\n"
       "Prints the absolute time in ticks of the earliest note-on of any velocity that stands\n"
       "before the end of its track; 2147483647 when there is none.",
       RunFirstNote},
      {"channels", "print which of the 16 channels carry notes",
       "Usage: chimekit channels IN.mid [OUT]\n"
       "Prints one line of sixteen 0/1 characters, channel 1 first: 1 where the channel has a\n"
       "note-on (of any velocity) before the end of its track. The line ends with CR LF.\n"
       "OUT receives the line instead (the file MIDIUsedChannels writes); '-' or no OUT prints it.",
       RunChannels},
      {"dump", "list the events or the notes of a file as text",
       "Usage: chimekit dump IN.mid [OUT] [--notes] [--library-channels]\n"
       "Prints a listing of every track, event by event: time in ticks, then the event (notes\n"
       "with their length in ticks, controllers by name, program changes, pressure, pitch\n"
       "wheel, system exclusive, real-time and meta events), channels numbered 1 to 16.\n"
       "Lines end with CR LF.\n"
       "  --notes              list only the notes instead, one line each:\n"
       "                       channel,note [key],velocity,start tick,end tick,program [bank]\n"
       "  --library-channels   number the channels 0 to 15: the listing byte for byte as the\n"
       "                       MIDIDump export writes it\n"
       "OUT receives the listing instead; '-' or no OUT prints it.",
       RunDump},
      {"trim", "cut a MIDI file down to a time range",
       "Usage: chimekit trim IN.mid OUT.mid [--start SECONDS] [--end SECONDS] [--library-timing]\n"
       "                                    [--allow-empty]\n"
       "       chimekit trim IN.mid OUT.mid [--start-percent P] [--end-percent P] [--library-timing]\n"
       "                                    [--allow-empty]\n"
       "Keeps the part of the song from the start to the end of the range (both included) and\n"
       "moves it to time 0. The range is timed as the song plays, every tempo change counted:\n"
       "the song is first written again at 120 BPM and division 500, one tick a millisecond,\n"
       "each event at its real time (tempo events left out). Each track that has notes in the\n"
       "range first gets the bank, volume (100 where none was set), pan, modulation, program,\n"
       "pitch bend and channel pressure in force at the start; notes still sounding at the end\n"
       "get All Notes Off. Other meta events and system exclusive are left out.\n"
       "  --start SECONDS, --end SECONDS       the range in seconds, up to three decimals (2.5);\n"
       "                                       default: the whole song\n"
       "  --start-percent P, --end-percent P   the range in percent of the song length, 0 to 100\n"
       "  --library-timing   time the range as MIDITrimMs does: one ratio of ticks to\n"
       "                     milliseconds over the whole song, at the file's last tempo; the\n"
       "                     song keeps its division and tempo events\n"
       "  --tempo-map        the range as the song plays (the default)\n"
       "  --allow-empty      write a trimmed song without a note all the same\n"
       "A start after the end, or a song 0 ms long, is refused, and so is a range that keeps no\n"
       "note (say, one that starts after the song's end) unless --allow-empty; a range that ends\n"
       "after the song is noted on standard error. OUT '-' writes to standard output.",
       RunTrim},
      {"volume", "print the largest and mean channel volume and the mean key",
       "Usage: chimekit volume IN.mid\n"
       "Prints the largest and the mean channel volume (controller 7; 127 when there is none)\n"
       "and the mean key of the note-ons (0 when there is none), each track read up to its end.",
       RunVolume},
      {"set-volume", "shift the channel volumes and the keys of a MIDI file",
       "Usage: chimekit set-volume IN.mid OUT.mid [--volume N] [--key N] [--drums]\n"
       "Adds N to every channel volume (controller 7) and to the key of every note-on, note-off\n"
       "and key pressure. Each shift is first reduced so that no value leaves 0 to 127; a file\n"
       "without channel volume instead gets one volume event per track (127, or 127 + N for a\n"
       "negative N) before its first shifted note. Prints the shifts applied.\n"
       "  --volume N   volume shift, -128 to 127 (-128 counts as -127); default 0\n"
       "  --key N      key shift in semitones, -128 to 127; default 0\n"
       "  --drums      shift drums too (channels 10 and 16, and a track after an odd bank select)\n"
       "Other meta events than tempo and end of track become empty text events; system\n"
       "exclusive is left out. OUT '-' writes the file to standard output, the shifts to\n"
       "standard error.",
       RunSetVolume},
      {"tags", "list the text, copyright, name, instrument and lyric tags",
       "Usage: chimekit tags IN.mid [OUT] [--list]\n"
       "Writes the tag text file: one line per text (type byte 01), copyright (02), track name\n"
       "(03), instrument (04) and lyric (05) event, the type byte followed by the text, lines\n"
       "ended by CR LF. On a terminal, or with --list, prints 'name: My Song' lines instead,\n"
       "control bytes shown as \\xNN. OUT receives the file; '-' or no OUT prints it.",
       RunTags},
      {"set-tags", "write a copy of a MIDI file with new tags",
       "Usage: chimekit set-tags IN.mid TAGS OUT.mid\n"
       "       chimekit set-tags IN.mid OUT.mid [--text T] [--copyright T] [--name T]\n"
       "                                        [--instrument T] [--lyric T]\n"
       "Places the tags at time 0 at the start of the tracks: the k-th line (or option) of a\n"
       "type goes to track k, types in the order text, copyright, name, instrument, lyric.\n"
       "TAGS is a tag text file as 'chimekit tags' writes it. The file's own meta events other\n"
       "than tempo and end of track become empty text events. OUT '-' writes to standard output.",
       RunSetTags},
      {"equalize", "make the loudness of the notes follow their pitch",
       "Usage: chimekit equalize IN.mid OUT.mid --bands L1,L2,L3,L4,L5,L6,L7,L8 [--drums L]\n"
       "Splits the keys into eight bands of 16 (L1 for keys 0-15 up to L8 for keys 112-127) and\n"
       "writes a channel volume (controller 7) with the band's level before each note-on or key\n"
       "pressure whose level differs from the level last set in its track (64 at its start).\n"
       "The file's own channel volumes and channel pressure are left out.\n"
       "  --bands L1,...,L8  the eight levels, 0 to 127 each\n"
       "  --drums L          the level of drum notes (channels 10 and 16, and a track after an odd\n"
       "                     bank select), 0 to 127; default 64\n"
       "Other meta events than tempo and end of track become empty text events; system\n"
       "exclusive is left out. OUT '-' writes to standard output.",
       RunEqualize},
      {"instruments", "list the program changes per channel, or replace them through a map file",
       "Usage: chimekit instruments IN.mid\n"
       "       chimekit instruments IN.mid OUT.mid --map MAP.txt\n"
       "Without OUT, lists the programs (0 to 127, as stored) of the program changes on each\n"
       "channel (1 to 16), melodic and drums apart: drums are program changes on channels 10\n"
       "and 16 and in a track after an odd bank select.\n"
       "With --map, writes a copy whose program changes are replaced as MAP.txt says, one entry\n"
       "a line, '#' starting a comment:\n"
       "    melodic 24 -> 25     program 24 becomes 25 on melodic channels\n"
       "    drums 0 -> 8         drum kit 0 becomes 8\n"
       "Programs not named are kept; a later entry for a program wins. OUT '-' writes to\n"
       "standard output.",
       RunInstruments},
      {"copy-channel", "double every event of one channel onto another",
       "Usage: chimekit copy-channel IN.mid OUT.mid FROM TO\n"
       "Writes, right after each channel event on channel FROM, a copy on channel TO with the\n"
       "same data, so that the part plays on both.\n"
       "  FROM, TO   channels, 1 to 16 (10 is the drum channel)\n"
       "Other meta events than tempo and end of track become empty text events; system\n"
       "exclusive is left out. OUT '-' writes to standard output.",
       RunCopyChannel},
      {"remove-channel", "leave out every event of one channel",
       "Usage: chimekit remove-channel IN.mid OUT.mid CHANNEL\n"
       "Writes a copy without the channel events of CHANNEL; every other event keeps its time.\n"
       "  CHANNEL   a channel, 1 to 16 (10 is the drum channel)\n"
       "Other meta events than tempo and end of track become empty text events; system\n"
       "exclusive is left out. OUT '-' writes to standard output.",
       RunRemoveChannel},
      {"merge", "join two MIDI files to play together",
       "Usage: chimekit merge FIRST.mid SECOND.mid OUT.mid\n"
       "Writes a format 1 file with every track of FIRST, then every track of SECOND, both from\n"
       "time 0, at FIRST's division. SECOND's ticks and tempo values are converted so that it\n"
       "keeps its own speed at FIRST's division and first tempo. Prints how SECOND was placed.\n"
       "Other meta events than tempo and end of track become empty text events; system\n"
       "exclusive is left out. OUT '-' writes the file to standard output, the summary to\n"
       "standard error.",
       RunMerge},
      {"combine", "join two MIDI files to play one after the other",
       "Usage: chimekit combine FIRST.mid SECOND.mid OUT.mid\n"
       "As merge, but SECOND starts where the longest track of FIRST ends.",
       RunCombine},
      {"smaf", "convert a MIDI file into a SMAF ringtone",
       "Usage: chimekit smaf IN.mid OUT.mmf [--first-track] [--library-timing] [--allow-empty]\n"
       "                     [--title TEXT] [--copyright TEXT]\n"
       "Converts a MIDI file into a SMAF ringtone with FM voices and prints a summary: the\n"
       "merge, the timing, the timebase, the score tracks written, the FM voices, the notes\n"
       "converted and the notes dropped because all 16 slots were busy. A format 1 file of\n"
       "several tracks (plain, or any format 1 file in a RIFF RMID form) is first merged into\n"
       "one track, as 'chimekit reshape' does. Then the song is re-timed: every event at its\n"
       "time as the song plays (every tempo change counted), on the 4 ms grid of the SMAF\n"
       "timebase, so that the ringtone keeps the song's speed without drifting. The ringtone\n"
       "carries one title (the song's name, else the file's name) and the song's copyright,\n"
       "none of its other texts. A ringtone without a note is refused: nothing is written and\n"
       "the exit status is 1.\n"
       "  --first-track      convert the file's first track as it stands, byte for byte as\n"
       "                     MIDI2SMAF does (no merge, the library's timing)\n"
       "  --library-timing   merge, but time the song as MIDI2SMAF does: the file's last tempo\n"
       "                     for the whole song, each delta rounded on its own\n"
       "  --allow-empty      write a ringtone without a note all the same\n"
       "  --title TEXT       the ringtone's title ('' for none)\n"
       "  --copyright TEXT   its copyright notice ('' for none)\n"
       "OUT '-' writes the ringtone to standard output and the summary to standard error.",
       RunSmaf},
      {"ringtone", "make a SMAF ringtone of a part of a MIDI file, the first 30 s by default",
       "Usage: chimekit ringtone IN.mid OUT.mmf [--start SECONDS] [--length SECONDS] [--limit N]\n"
       "                         [--volume N] [--library-timing] [--allow-empty]\n"
       "                         [--title TEXT] [--copyright TEXT]\n"
       "The whole job in one go, each step with its summary: a format 1 file of several tracks\n"
       "is merged into one and re-timed as the smaf command does; the part of the song from\n"
       "--start on, --length seconds long as it plays, is cut out (as 'chimekit trim' does;\n"
       "the notes still sounding end at the cut, so the ringtone lasts the length asked for);\n"
       "the channel volumes may be shifted (as 'chimekit set-volume --drums' does) and the\n"
       "notes sounding at once per channel limited (as 'chimekit sp --limit' does); the result\n"
       "is converted to SMAF with one title (the song's name, else the file's name) and the\n"
       "song's copyright. A ringtone without a note is refused unless --allow-empty.\n"
       "  --start SECONDS    where the part starts, 0 (default) and up; decimals allowed (2.5)\n"
       "  --length SECONDS   how long it is, from 0.001; default 30\n"
       "  --limit N          at most N notes sounding at once per channel (1 to 255, 0 is 255)\n"
       "  --volume N         shift every channel volume by N (-127 to 127), reduced to fit\n"
       "  --library-timing   time the song as MIDI2SMAF does (its last tempo for the whole song)\n"
       "  --allow-empty      write a ringtone without a note all the same\n"
       "  --title TEXT       the ringtone's title ('' for none)\n"
       "  --copyright TEXT   its copyright notice ('' for none)\n"
       "OUT '-' writes the ringtone to standard output and the summary to standard error.",
       RunRingtone},
      {"inspect", "list any SMAF file in words and check it",
       "Usage: chimekit inspect RING.mmf [--quiet]\n"
       "Lists a SMAF file in words, whatever made it: the MMMD frame and its CRC, the content\n"
       "information and the optional data with their tags, every score track (Handyphone\n"
       "Standard, Mobile Standard compressed or not) with its timebase, channel types, the voices\n"
       "of its setup (FM with 2 or 4 operators, PCM), its stream PCM waves and every event of its\n"
       "sequence (notes with their MIDI key, controls, exclusive messages, no-operations), its seek\n"
       "and phrase marks, every audio track with its waves (format, rate, samples, seconds), and\n"
       "any other chunk by name and size. Values the format allows are listed as they are; a\n"
       "departure from the format (a size beyond its chunk, a code it does not define, a CRC that\n"
       "does not match) is a problem, listed in place with its offset and repeated on standard\n"
       "error as \"damaged SMAF file: ...\". A file without a CRC (its chunks fill the MMMD chunk,\n"
       "as some writers make them) is read as such.\n"
       "  --quiet   print only the problems and the summary line\n"
       "Exit status: 0 for a sound file, 1 for a damaged one or one that cannot be read.",
       RunInspect},
      {"midi", "convert the score of a SMAF file into a MIDI file",
       "Usage: chimekit midi IN.mmf OUT.mid [--allow-empty]\n"
       "Converts the score tracks of any SMAF file (Handyphone Standard, Mobile Standard\n"
       "compressed or not) into a format 1 MIDI file and prints a summary: a conductor track\n"
       "(title, copyright and artist as text events, 120 BPM), then one track per score track,\n"
       "at division 500: one tick is one millisecond, so every onset and gate is exact. Notes,\n"
       "programs, bank selects, volume, pan, expression, modulation and the other controls, pitch\n"
       "bend, pressure and exclusive messages are written as the file gives them; octave settings\n"
       "are in the keys. Channels: each SMAF channel keeps its number where it can (channel c of\n"
       "a Mobile Standard track is MIDI channel c + 1, channel c of Handyphone score track t is\n"
       "4 (t - 1) + c + 1), else takes the lowest channel free; a channel the file marks as rhythm\n"
       "plays on channel 10, which melody never takes. Audio tracks (recorded sound) have no MIDI\n"
       "form and are only counted. A file that gives no note (an audio-only file, say) is\n"
       "refused: nothing is written and the exit status is 1. What the reader cannot read of a\n"
       "damaged file is left out and named on standard error.\n"
       "  --allow-empty   write a MIDI file without a note all the same\n"
       "OUT '-' writes the MIDI file to standard output and the summary to standard error.",
       RunMidi},
      {"play", "render a SMAF file (or a MIDI file) to a WAV file to listen to",
       "Usage: chimekit play IN.mmf OUT.wav [--mono] [--seconds SECONDS] [--allow-empty]\n"
       "       chimekit play IN.mid OUT.wav [--mono] [--seconds SECONDS] [--allow-empty]\n"
       "                                    [--first-track] [--library-timing]\n"
       "Renders a SMAF file to a 16-bit PCM WAV file at 44.1 kHz: its score tracks (Handyphone\n"
       "and Mobile Standard) with the file's own voices (FM of two and four operators, sampled\n"
       "voices with its stream PCM; the built-in voice of its program for a note the file gives\n"
       "no voice), their timing, gate times, programs, banks, volume, pan, expression and pitch\n"
       "bend, and the waves of its audio tracks at their times. A file that does not begin with\n"
       "MMMD is read as MIDI and converted first as the smaf command does (with its\n"
       "--first-track and --library-timing options). The render ends when the last note and wave\n"
       "have died away, at most 600 s in. An audition aid: it does not sound like any particular\n"
       "handset.\n"
       "  --mono               one channel instead of stereo with each channel's pan\n"
       "  --seconds SECONDS    render only the start, 0.001 to 600 seconds (up to three decimals)\n"
       "  --allow-empty        write the silence of a file in which nothing plays (else exit 1)\n"
       "  --first-track        convert a MIDI file's first track as it stands (as smaf does)\n"
       "  --library-timing     time a MIDI file as MIDI2SMAF does (as smaf does)\n"
       "Prints what was read, what played and what could not (\"not played: audio track 1: format\n"
       "not supported ...\") and how much was rendered; a long render shows its progress on\n"
       "standard error when that is a terminal. OUT '-' writes the WAV file to standard output\n"
       "and the summary to standard error.",
       RunPlay},
      {"sp", "renumber the channels of a MIDI file and limit its notes per channel",
       "Usage: chimekit sp IN.mid OUT.mid [--order TEXT] [--drums] [--limit N]\n"
       "Writes the file with its channels renumbered and at most N notes sounding at once on\n"
       "each channel: a note-on that would exceed the limit is left out (its delta time passes\n"
       "on). Prints the completed channel order, the limit and the note-ons dropped per output\n"
       "channel (channels 1 to 16).\n"
       "  --order TEXT   up to 16 hexadecimal digits (either case), each channel once, as MIDI2SP\n"
       "                 takes them: digit 0 is channel 1, 9 channel 10, F channel 16; the i-th\n"
       "                 digit names the channel that channel i becomes; the channels not named\n"
       "                 follow in ascending order. Default: none, channels keep their numbers\n"
       "  --drums        let the order move the drum channels 10 and 16 (digits 9 and F) too;\n"
       "                 without it they keep their numbers and the others keep the relative\n"
       "                 order of TEXT\n"
       "  --limit N      the most notes sounding at once per channel, 1 to 255; 0 (default) is 255\n"
       "Other meta events than tempo and end of track become empty text events; system\n"
       "exclusive is left out. OUT '-' writes the file to standard output, the summary to\n"
       "standard error.",
       RunSp},
      {"reshape", "merge the tracks of a format 1 MIDI file into a format 0 file",
       "Usage: chimekit reshape IN.mid OUT.mid\n"
       "Turns a format 1 MIDI file (several tracks), plain or in a RIFF RMID form, into a format 0\n"
       "file whose one track holds every event of every track in time order (events at the same\n"
       "time in track order), ending with one End of Track. Prints the tracks merged and the\n"
       "events written. The input is read whole first, so OUT may name IN. A file that is not\n"
       "format 1 is refused and nothing is written: an existing OUT is left as it was, as after\n"
       "any failure. OUT '-' writes the file to standard output and the summary to standard\n"
       "error.",
       RunReshape},
  };
  return commands;
}

}  // namespace cli
