// libFuzzer target: the SMAF reader on any bytes (the whole input is the
// file), its listing and its MIDI file. Whatever the bytes, every range of
// the score lies in the file, a compressed sequence decodes to at most
// eight bytes per byte of the file, notes play keys 0 to 127 in time order
// with a voice of their track or none, the listing holds every problem and
// ends with its summary, and the MIDI file reads strictly with one track
// per readable score track and one note-on per note, the same when read and
// written one score track at a time.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "chimekit/smafread/listing.h"
#include "chimekit/smafread/midi.h"
#include "chimekit/smafread/read.h"
#include "fuzz_input.h"
#include "midifile/errors.h"
#include "strict_smf.h"

namespace {

using chimekit::smafread::ByteRange;

bool Inside(const ByteRange& range, size_t size) { return range.begin <= size && range.size <= size - range.begin; }

template <class Track>
void CheckEvents(const Track& track, size_t voices) {
  uint64_t time = 0;
  for (const auto& event : track.events) {
    fuzz::Check(event.time_ms >= time, "events out of time order");
    time = event.time_ms;
    fuzz::Check(event.key <= 127 || event.kind != chimekit::smafread::EventKind::kNote, "a note beyond key 127");
    fuzz::Check(event.voice < static_cast<int64_t>(voices), "a note's voice outside its track");
    if (event.kind == chimekit::smafread::EventKind::kExclusive) {
      fuzz::Check(event.data < track.exclusives.size(), "an exclusive event without its message");
    }
  }
  for (const ByteRange& range : track.exclusives) {
    fuzz::Check(Inside(range, track.exclusive_bytes.size()), "an exclusive message outside its bytes");
  }
}

void CheckMidi(std::string_view file, const chimekit::smafread::SmafScore& score) {
  chimekit::smafread::SmafMidi midi;
  try {
    midi = chimekit::smafread::SmafToMidi(file, score);
  } catch (const midifile::ConversionError&) {
    return;  // a gap no delta time holds, or more tracks than a header counts
  }
  fuzz::Vocabulary words;
  words.any_meta = true;
  words.system = true;
  fuzz::StrictFile strict;
  if (const char* problem = fuzz::ReadStrictly(midi.bytes, words, strict)) fuzz::Broken("the MIDI file:", problem);
  fuzz::Check(strict.format == 1 && strict.division == chimekit::smafread::kMidiDivision, "another MIDI header");
  fuzz::Check(strict.tracks.size() == midi.summary.score_tracks + 1, "another number of MIDI tracks");
  uint64_t note_ons = 0;
  for (const auto& track : strict.tracks) {
    for (const fuzz::StrictEvent& event : track) note_ons += (event.status & 0xF0) == 0x90 && event.data2 != 0;
  }
  fuzz::Check(note_ons == midi.summary.notes, "another number of note-ons than notes");
  // Read and written one score track at a time: the same file.
  chimekit::smafread::SmafScore streamed;
  fuzz::Check(chimekit::smafread::ReadSmafToMidi(file, streamed).bytes == midi.bytes,
              "reading and writing a track at a time gives another MIDI file");
  fuzz::Check(streamed.problems.size() == score.problems.size(), "reading a track at a time finds other problems");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const chimekit::smafread::SmafScore score = chimekit::smafread::ReadSmafScore(file);
  for (const auto& chunk : score.chunks) fuzz::Check(Inside(chunk.body, size), "a chunk outside the file");
  for (const auto& track : score.score_tracks) {
    fuzz::Check(track.decoded_size <= 8 * size, "a sequence decoded beyond eight bytes per byte");
    for (const auto& voice : track.voices) fuzz::Check(Inside(voice.body, size), "a voice outside the file");
    for (const auto& wave : track.waves) fuzz::Check(Inside(wave.data, size), "a wave outside the file");
    CheckEvents(track, track.voices.size());
  }
  for (const auto& track : score.audio_tracks) {
    for (const auto& wave : track.waves) fuzz::Check(Inside(wave.data, size), "a wave outside the file");
    CheckEvents(track, 0);
  }
  const chimekit::smafread::SmafListing listing = chimekit::smafread::ListSmaf(file, score);
  fuzz::Check(listing.ok == score.problems.empty() && listing.problems.size() == score.problems.size(),
              "the listing holds other problems than the reader found");
  fuzz::Check(!listing.lines.empty() && listing.lines.back() == listing.summary, "the listing does not end with its summary");
  CheckMidi(file, score);
  return 0;
}
