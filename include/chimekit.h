/*
 * chimekit: inspect, edit and convert Standard MIDI Files, above all into
 * handset ringtones (SMAF files and voice-limited MIDI files).
 *
 * Every function works file to file: it reads its input files whole, builds
 * its output completely in memory and writes it in one piece. Nothing is kept
 * between calls, and no call starts a thread.
 *
 * Paths are NUL-terminated 8-bit strings (the system code page on Windows).
 * Arguments the library treats as 8-bit values travel in 32-bit parameters of
 * which only the low byte counts (a VolumeShift of 0x1FF is -1).
 *
 * Status codes (the return value; look at these 8 bits only):
 *   0  done: every output file or value has been written
 *   1  the library's error: the input could not be opened or read ("Read
 *      beyond end of file"), the output could not be written, memory ran out,
 *      or the input cannot be converted. No output file is created and an
 *      existing output file is left unchanged.
 *   2  an input file does not exist or is a directory (tested before anything
 *      is opened or created)
 *   3  MIDITrimMs, MIDITrimPercents: the range is not acceptable
 *   4  MIDI2SP: the channel order text is not acceptable
 *
 * An output path may equal an input path: the input is read completely first.
 */
#ifndef CHIMEKIT_H
#define CHIMEKIT_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(CHIMEKIT_BUILDING)
#    define CHIMEKIT_API __declspec(dllexport)
#  else
#    define CHIMEKIT_API __declspec(dllimport)
#  endif
#  define CHIMEKIT_CALL __stdcall
#else
#  define CHIMEKIT_API __attribute__((visibility("default")))
#  define CHIMEKIT_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Song length in milliseconds at the file's last tempo; 0 is stored first,
   so *LengthMs reads 0 after any failure. */
CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIGetLengthMs(const char* InFile, int32_t* LengthMs);

/* Absolute time in ticks of the earliest note-on (any velocity) before the
   end of its track; 2147483647 when there is none. Untouched on status 2. */
CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIFirstNoteTimeMs(const char* InFile, int32_t* FirstNoteTime);

/* Tag text file: one line per text/copyright/name/instrument/lyric event of
   every track, the type byte (01-05) followed by the text, then CR LF.
   MIDISetTags places the k-th line of each type at the start of track k. */
CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIGetTags(const char* InFile, const char* OutFile);
CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDISetTags(const char* InFile, const char* TagFile, const char* OutFile);

/* Writes sixteen "0"/"1" characters (channel 0 first) and CR LF: which
   channels carry note-ons. */
CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIUsedChannels(const char* InFile, const char* OutFile);

/* Text listing: Verbose (low byte) 0 gives the note list, anything else the
   full event dump. Lines end with CR LF. */
CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIDump(const char* InFile, const char* OutFile, uint32_t Verbose);

/* The song cut down to a range (both ends included) and moved to time 0.
   Status 3: start after end, a percentage above 100, or a song 0 ms long. */
CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDITrimMs(const char* InFile, const char* OutFile, uint32_t StartMs, uint32_t EndMs);
CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDITrimPercents(const char* InFile, const char* OutFile, uint32_t StartPercent,
                                                    uint32_t EndPercent);

/* Largest and mean channel volume (127 without any) and mean note-on key
   (0 without any); all three are set to 0 first. MIDISetVol shifts channel
   volumes and note keys by signed low bytes, reduced to stay within 0-127. */
CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIGetVol(const char* InFile, uint8_t* MaxVolume, uint8_t* MeanVolume,
                                              uint8_t* MeanKey);
CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDISetVol(const char* InFile, const char* OutFile, int32_t VolumeShift,
                                              int32_t KeyShift, uint32_t DrumsToo);

/* Channel volumes that follow the pitch: before each note-on or key pressure
   whose level differs from the last one set in its track (64 at first), a
   controller 7 with the level of its band of 16 keys (Band1: keys 0-15) or
   DrumLevel. The input's channel volume and channel pressure are dropped. */
CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIEqualizer(const char* InFile, const char* OutFile, uint32_t Band1,
                                                 uint32_t Band2, uint32_t Band3, uint32_t Band4, uint32_t Band5,
                                                 uint32_t Band6, uint32_t Band7, uint32_t Band8, uint32_t DrumLevel);

/* Program p becomes MapTable[i] unless KeepTable[i] == p; i is p, or
   p + 128 on drum channels (10, 16, or after an odd bank select). */
CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDISetInstrMap(const char* InFile, const char* OutFile, const uint8_t* KeepTable,
                                                   const uint8_t* MapTable);

/* Channels 0-15 (modulo 16): every channel event of FromChannel doubled
   onto ToChannel, or every channel event of Channel dropped. */
CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDICopyChannel(const char* InFile, const char* OutFile, uint32_t FromChannel,
                                                   uint32_t ToChannel);
CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIRemoveChannel(const char* InFile, const char* OutFile, uint32_t Channel);

/* One format 1 file with the tracks of both files at FirstFile's division;
   SecondFile keeps its own speed and starts at time 0 (merge) or where
   FirstFile's longest track ends (combine). Status 2: either is missing. */
CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIMerge(const char* FirstFile, const char* SecondFile, const char* OutFile);
CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDICombine(const char* FirstFile, const char* SecondFile, const char* OutFile);

/* MIDI to SMAF ringtone ("MMMD" file with FM voices). */
CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDI2SMAF(const char* InFile, const char* OutFile);

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDI2SP(const char* InFile, const char* OutFile, const char* ChannelOrder,
                                           uint32_t DrumSwitch, uint32_t NoteLimit);

#ifdef __cplusplus
}
#endif

#endif /* CHIMEKIT_H */
