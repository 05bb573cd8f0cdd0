/*
 * chimekit_jobs: the jobs of chimekit's core behind one C interface of bytes
 * in and results out, for hosts that hold a song in memory (the ringtone
 * page, compiled to WebAssembly, and the Python package call it).
 *
 * A job takes the bytes of a file and returns a result that the caller owns
 * and frees with ck_free. Nothing is named by a path, nothing is kept
 * between calls, and no call starts a thread.
 *
 * A result holds a status, a text and, depending on the job, up to two byte
 * strings or rendered samples:
 *   status 0  done: the text is the job's data as JSON (UTF-8; texts from
 *             the song, such as tags, are arrays of byte values)
 *   status 1  the library's error: the text is its message, such as "Read
 *             beyond end of file"; there are no bytes or samples
 * A job returns NULL only when memory runs out before a result exists.
 */
#ifndef CHIMEKIT_JOBS_H
#define CHIMEKIT_JOBS_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  if defined(CHIMEKIT_JOBS_BUILDING)
#    define CHIMEKIT_JOBS_API __declspec(dllexport)
#  else
#    define CHIMEKIT_JOBS_API __declspec(dllimport)
#  endif
#else
#  define CHIMEKIT_JOBS_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ck_result ck_result;

/* The song's view: format, tracks, division, tempo events, the length as it
   plays, the tags, the programs of each channel and every note at its time as
   the song plays. A MIDI file (plain or a RIFF RMID form). */
CHIMEKIT_JOBS_API ck_result* ck_song(const uint8_t* song, size_t size);

/* ck_ringtone's flags. */
#define CK_FIRST_TRACK 0x01u    /* convert the first track as it is, as MIDI2SMAF does */
#define CK_LIBRARY_TIMING 0x02u /* merge, but keep the library's timing (one tempo for the whole song) */
#define CK_NOTES 0x04u          /* list the song's notes in the window and where each went (ck_smaf: its notes) */
#define CK_LISTING 0x08u        /* the SMAF file in words, as `chimekit inspect` lists it (ck_smaf too) */

/* The ringtone job of `chimekit ringtone`: a MIDI file merged, re-timed, a
   window of it cut (length_ms 0: the whole song, as `chimekit smaf`), its
   channel volumes shifted (-127 to 127), its notes at once per channel
   limited (note_limit 0 to 255, 0 counting as 255; below 0 no limit), made
   into a SMAF ringtone with one title and the copyright: `title` and
   `copyright` when not NULL ("" for none), else the song's name (else
   `name`, the song's file name, without its folders and extension) and its
   copyright. Bytes 0: the SMAF file; bytes 1: the MIDI song it is made of.
   The text: the summary in words ("summary", the lines `chimekit ringtone`
   prints) and as numbers. A ringtone without a note is made all the same
   ("notesConverted" 0). */
CHIMEKIT_JOBS_API ck_result* ck_ringtone(const uint8_t* song, size_t size, const char* name, uint32_t start_ms,
                                         uint32_t length_ms, int32_t note_limit, int32_t volume_shift, uint32_t flags,
                                         const char* title, const char* copyright);

/* ck_render's flags. */
#define CK_SAMPLES 0x01u     /* samples as floats, one channel after the other, instead of a WAV file */
#define CK_ALLOW_EMPTY 0x02u /* render a file in which nothing plays (silence) instead of status 1 */

/* The preview of a SMAF file, as `chimekit play` renders it: 16-bit PCM at
   44.1 kHz, mono (channels 1) or stereo (2); length_ms 0 renders to the end
   of the ringtone, another value only its start (at most 600 s). Bytes 0: the WAV file; with CK_SAMPLES, ck_samples gives
   the samples instead. The text: {"channels", "frames" (rendered, per
   channel), "ringtoneFrames" (where the score ends), "sampleRate", "cut"
   (stopped at the time asked for before the score's end), "summary" (the
   lines `chimekit play` prints: what was read, what played, what did not),
   "scoreTracks", "notes", "notesPlayed", "audioTracks", "waves",
   "wavesPlayed", "notPlayed" (an array of texts), "problems" (found by the
   reader)}. A file in which nothing plays is status 1 ("nothing to play:
   ...") unless CK_ALLOW_EMPTY. */
CHIMEKIT_JOBS_API ck_result* ck_render(const uint8_t* smaf, size_t size, uint32_t length_ms, uint32_t channels,
                                       uint32_t flags);

/* What a SMAF file holds, any SMAF file, as `chimekit inspect` reads it. The
   text: {"ok" (no problem), "problems" (each "at 0x...: ...", in file
   order), "fileSize", "crc" ("matches",
   "differs", "none": written without one, "unknown": cut off), "title",
   "artist", "copyright" (arrays of byte values), "lengthMs", "scoreTracks"
   and "audioTracks" (each with its number, format, timebase or rate, voices,
   notes, end and waves), "midi" (the summary `chimekit midi` prints of it)};
   with CK_LISTING also "listing" (the lines of `chimekit inspect`) and
   "listingSummary" (its last line), with
   CK_NOTES "notes": five numbers a note (the MIDI channel of `chimekit
   midi`, 0 to 15, key, velocity, start and end in ms). No bytes. A file that
   is no SMAF file is status 1. */
CHIMEKIT_JOBS_API ck_result* ck_smaf(const uint8_t* smaf, size_t size, uint32_t flags);

/* The MIDI file of `chimekit midi` made of any SMAF file's score tracks
   (bytes 0). The text: {"summary" (the line `chimekit midi` prints), "notes",
   "noNote" (why the file holds no note; "" when it holds some),
   "scoreTracks", "audioTracks", "problems" (how many the reader found),
   "firstProblem" (the first in the file, "at 0x...: ...")}. A file without a note gives its MIDI file all the same. A
   file that is no SMAF file is status 1. */
CHIMEKIT_JOBS_API ck_result* ck_smaf_to_midi(const uint8_t* smaf, size_t size);

/* A result's status, its text (NUL-terminated; *size without the NUL when
   size is not NULL), its byte strings (index 0 or 1; an empty one for any
   other index) and its samples. Each is valid until ck_free. */
CHIMEKIT_JOBS_API int32_t ck_status(const ck_result* result);
CHIMEKIT_JOBS_API const char* ck_text(const ck_result* result, size_t* size);
CHIMEKIT_JOBS_API const uint8_t* ck_bytes(const ck_result* result, int32_t index, size_t* size);
CHIMEKIT_JOBS_API const float* ck_samples(const ck_result* result, size_t* count);
CHIMEKIT_JOBS_API void ck_free(ck_result* result);

#ifdef __cplusplus
}
#endif

#endif /* CHIMEKIT_JOBS_H */
