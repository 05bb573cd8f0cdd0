#include "midifile/song_writer.h"

#include "midifile/smf_writer.h"

namespace midifile {
namespace {

void WriteTrack(const TMidiTrack& track, ByteString& file) {
  const size_t chunk = BeginTrackChunk(file);
  uint32_t carried = 0;  // the delta of events left out, added as the reader adds deltas
  for (const TMidiEvent& event : track.Events()) {
    const uint8_t status = event.Status;
    if (status < 0x80) {
      carried += static_cast<uint32_t>(event.DeltaTime);
      continue;
    }
    AppendDataLength(file, carried + static_cast<uint32_t>(event.DeltaTime));
    carried = 0;
    AppendByte(file, status);
    if (status < 0xF0) {
      const uint8_t kind = status & 0xF0;
      AppendByte(file, event.Data1);
      if (kind != 0xC0 && kind != 0xD0) AppendByte(file, event.Data2);
    } else if (status == 0xFF || status == 0xF0 || status == 0xF7) {
      if (status == 0xFF) AppendByte(file, event.Data1);
      const ByteView data = event.DataBytes;
      AppendDataLength(file, static_cast<uint32_t>(data.size()));
      file.append(data);
    }
  }
  EndTrackChunk(file, chunk);
}

}  // namespace

ByteString WriteSong(const TMidiFile& song) {
  const char division[2] = {static_cast<char>((song.TicksPerQuarter() >> 8) & 0xFF),
                            static_cast<char>(song.TicksPerQuarter() & 0xFF)};
  ByteString file = HeaderChunk(song.FileFormat(), song.NumberOfTracks(), ByteView(division, 2));
  // Most events take four bytes or fewer besides their data.
  size_t events = 0;
  for (int32_t t = 0; t < song.NumberOfTracks(); ++t) events += song.GetTrack(t).Events().size();
  file.reserve(file.size() + 8 * static_cast<size_t>(song.NumberOfTracks()) + 4 * events + song.Bytes().size());
  for (int32_t t = 0; t < song.NumberOfTracks(); ++t) WriteTrack(song.GetTrack(t), file);
  return file;
}

}  // namespace midifile
