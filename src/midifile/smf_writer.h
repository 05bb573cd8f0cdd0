// Helpers with which every SMF output is assembled in memory.
#pragma once

#include <cstdint>

#include "midifile/bytes.h"
#include "midifile/midi_event.h"

namespace midifile {

// "MThd" 00 00 00 06: the first 8 bytes of every SMF written.
inline constexpr ByteView kHeaderChunkStart{"MThd\x00\x00\x00\x06", 8};
// "MTrk" and a length field of 0, set when the chunk is complete.
inline constexpr ByteView kTrackChunkStart{"MTrk\x00\x00\x00\x00", 8};

// Appends a variable-length quantity; a negative value is written as 0.
// Values of 2^28 and above take five bytes.
void AppendVarLength(ByteString& out, int32_t value);
// The same encoding into a buffer of at least kMaxVarLength bytes; returns
// the number of bytes written.
inline constexpr size_t kMaxVarLength = 5;
size_t EncodeVarLength(int32_t value, char* out);
// The length field of meta or system-exclusive data: the same encoding for
// any unsigned 32-bit length.
void AppendDataLength(ByteString& out, uint32_t length);

// The delta time written for a gap of `ticks`. A gap beyond 2^31 - 1, which
// no MIDI file holds, throws a ConversionError ("Delta time too large for a
// MIDI file") rather than moving every later event; a negative gap stays
// negative (written as 0).
int32_t CheckedDeltaTime(int64_t ticks);

// Sets the big-endian size field (bytes 4-7) of the chunk that starts at
// `chunk` and runs to the end of `bytes`, with `extra` bytes still to come:
// the number of bytes after its 8-byte header. A chunk longer than 32 bits
// can count throws a ConversionError. MIDI and SMAF chunks alike.
void SetChunkSize(ByteString& bytes, size_t chunk = 0, size_t extra = 0);

// Appends a meta event in one of three shapes: end of track (FF 2F 00),
// tempo (FF 51 03 and three data bytes, padded with zeros or cut), and an
// empty text event (FF 01 00) in place of any other meta type.
void AppendMetaEvent(ByteString& out, int32_t delta_time, uint8_t status, uint8_t type, uint8_t length,
                     ByteView data);

// The most tracks a header can count.
inline constexpr int32_t kMaxTrackCount = 65535;
// Throws a ConversionError for a track count no header can hold (more than
// kMaxTrackCount, or negative).
void CheckTrackCount(int32_t track_count);

// The header chunk of a file rewritten from one loaded input: format byte
// 0 for single, 2 for multi_asynch, 1 otherwise; the track count as 16 bits;
// the input's two division bytes as stored. More than kMaxTrackCount tracks
// (or a negative count) throws a ConversionError: no header can hold them.
ByteString HeaderChunk(TFileFormat format, int32_t track_count, ByteView division);

// Appends kTrackChunkStart to the file and returns where the chunk begins.
size_t BeginTrackChunk(ByteString& file);
// Sets the length field of the track chunk that begins at chunk_start
// (SetChunkSize).
inline void EndTrackChunk(ByteString& file, size_t chunk_start) { SetChunkSize(file, chunk_start); }

}  // namespace midifile
