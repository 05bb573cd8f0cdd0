/*
 * Reshaper: turns a format 1 Standard MIDI File (several tracks), plain or
 * wrapped in a RIFF RMID form, into a plain format 0 file whose one track
 * holds every event of every input track in time order.
 *
 * Paths are NUL-terminated 8-bit strings (the system code page on Windows).
 * Nothing is kept between calls, and no exception leaves the call.
 *
 * Status codes (the return value):
 *    0  done: the input was a format 1 file and its merged form was written
 *   -1  the input could not be opened (a null or empty path, a missing file,
 *       a folder; no output file is created then), or the output could not
 *       be created (a null or empty path, a folder, a missing folder, a file
 *       that may not be written)
 *   -4  the input's header does not read as format 1 (format 0 or 2, not a
 *       MIDI file, a damaged header); the output is left as an empty file
 *   -5  the output could not be written in full (disk full, a short write,
 *       a failed close or rename); the output file is as it was before
 *   -6  memory ran out; the output file is as it was before
 *
 * The input is read whole before the output is touched, so both paths may
 * name the same file: it then holds the format 0 result (or, with -4, is
 * left empty). The output is written to a temporary file beside it that is
 * renamed over it at the end, so it never holds a partial result. A track
 * that is damaged or cut off after the header is converted as far as it
 * could be read.
 */
#ifndef RESHAPER_H
#define RESHAPER_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(RESHAPER_BUILDING)
#    define RESHAPER_API __declspec(dllexport)
#  else
#    define RESHAPER_API __declspec(dllimport)
#  endif
#  define RESHAPER_CALL __stdcall
#else
#  define RESHAPER_API __attribute__((visibility("default")))
#  define RESHAPER_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

RESHAPER_API int32_t RESHAPER_CALL ConvertMidi(const char* inputPath, const char* outputPath);

#ifdef __cplusplus
}
#endif

#endif /* RESHAPER_H */
