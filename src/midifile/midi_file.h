// The in-memory model of a Standard MIDI File: tracks of events, the header
// values, and the file's single tempo.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "midifile/bytes.h"
#include "midifile/event_array.h"
#include "midifile/midi_event.h"
#include "midifile/midi_track.h"

namespace midifile {

// A loaded file owns its bytes, its events and its tracks; it can be moved
// but not copied.
class TMidiFile {
 public:
  friend class TSongBuilder;

  TMidiFile() = default;
  TMidiFile(const TMidiFile&) = delete;
  TMidiFile& operator=(const TMidiFile&) = delete;
  TMidiFile(TMidiFile&&) = default;
  TMidiFile& operator=(TMidiFile&&) = default;

  const std::string& Filename() const { return filename_; }
  void SetFilename(std::string filename) { filename_ = std::move(filename); }

  // Reads the whole file named by Filename() and loads it: every byte is
  // consumed as chunk headers and contents. Returns the number of tracks.
  // Throws InOutError ("Read beyond end of file" when the file ends inside
  // a chunk header or content; the tracks read before stay loaded).
  int32_t ReadFile();
  // The same load from bytes already in memory, which are copied.
  int32_t ReadBytes(ByteView file_bytes);
  // The same load from bytes handed over to the file, without a copy.
  int32_t ReadOwnedBytes(ByteString&& file_bytes);

  // The bytes of the file loaded last, as they were read (for a song made
  // by TSongBuilder: the data of its meta and system-exclusive events).
  ByteView Bytes() const { return bytes_ ? ByteView(*bytes_) : ByteView(); }

  // The track at a 0-based index; ListIndexError outside the list.
  TMidiTrack& GetTrack(int32_t index);
  const TMidiTrack& GetTrack(int32_t index) const;

  // After a load: the number of MTrk chunks read.
  int32_t NumberOfTracks() const { return number_of_tracks_; }
  // Division from the header, taken as ticks per quarter note; 0 before a
  // header chunk is read.
  int32_t TicksPerQuarter() const { return ticks_per_quarter_; }
  TFileFormat FileFormat() const { return file_format_; }

  // Tempo in beats per minute, from the last tempo event read (120 before).
  int32_t Bpm() const { return bpm_; }
  // Sets a tempo in beats per minute. Values that give no whole tempo in
  // microseconds per quarter note (0, negative, above 60,000,000) are
  // ignored.
  void SetBpm(int32_t bpm);
  // Microseconds per tick at the file's single tempo; 0 while the division
  // is 0, so that every time of such a file is 0.
  double TickDuration() const { return tick_duration_; }
  // Longest track in milliseconds at the file's single tempo.
  int32_t SongLengthMs() const;

 private:
  void ReadHeaderChunk(ByteView content);
  // The values of a header: format (a byte above 2 keeps the one before),
  // tracks announced, division; the tempo back to its default.
  void SetHeader(uint8_t format, int32_t tracks, int32_t division);
  // Applies a tempo in microseconds per quarter note; 0 is ignored.
  void ApplyTempo(uint32_t microseconds_per_quarter);

  std::string filename_;
  // The bytes of the file loaded last: the meta and system-exclusive data
  // of the events are views into them. Held apart from the object and
  // never changed, so that a moved file keeps every view valid.
  std::unique_ptr<const ByteString> bytes_;
  // The events of all tracks; each track is a run of them.
  TEventArray events_;
  std::vector<TMidiTrack> tracks_;
  int32_t number_of_tracks_ = 0;
  int32_t ticks_per_quarter_ = 0;
  TFileFormat file_format_ = TFileFormat::single;
  int32_t bpm_ = 120;
  double tick_duration_ = 0.0;
};

// What a file's chunks say before any event is read: whether the reader
// takes the whole file (no chunk runs past its end), and the format and
// number of tracks a load gives.
struct TFileOutline {
  bool complete = true;
  TFileFormat format = TFileFormat::single;
  int32_t tracks = 0;
};
TFileOutline OutlineFile(ByteView file_bytes);

// Bytes 12 and 13 of a file (the division field of its header exactly as
// stored); "Read beyond end of file" for a shorter file.
ByteString DivisionBytes(ByteView file_bytes);

}  // namespace midifile
