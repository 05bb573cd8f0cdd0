#include "chimekit/smaf/convert.h"

#include "chimekit/smaf/assemble.h"
#include "chimekit/smaf/collect.h"
#include "chimekit/smaf/encode.h"
#include "chimekit/smaf/slots.h"
#include "chimekit/smaf/voices.h"
#include "midifile/errors.h"

namespace chimekit::smaf {

TSmafConversion ConvertToSmaf(const midifile::TMidiFile& file, const TSmafOptions& options) {
  if (file.NumberOfTracks() < 1) throw midifile::ConversionError("The file holds no track to convert");
  const int64_t tempo_product = static_cast<int64_t>(file.TicksPerQuarter()) * file.Bpm();
  if (tempo_product <= 0) {
    throw midifile::ConversionError("The file has no time base: its division or its tempo is 0");
  }

  TSmafConversion result;
  const TTimebase timebase = ChooseTimebase(file.TickDuration());
  result.summary.timebase_ms = timebase.ms;
  result.summary.timebase_code = timebase.code;

  // Collection, slot allocation, delta conversion and encoding each need
  // only the entries before the one in hand, so every entry goes through
  // all four as the walk over the track finds it; no list is kept.
  TVoiceSetup voices;
  TSequenceBodies bodies;
  const midifile::TMidiTrack& track = file.GetTrack(0);
  for (TSequenceBody& body : bodies) {
    // About half the events are note-ons of a few bytes each; a body that
    // takes most of them grows.
    body.Reserve(8 + static_cast<size_t>(track.EventCount()));
    body.Append(midifile::ByteView("Mtsq\0\0\0\0", 8));
  }
  TCollector collector(track, tempo_product);
  TSlotAllocator slots;
  TBodyClocks clocks;
  TSequenceEncoder encoder(timebase.ms, voices, bodies);
  TSmafEvent entry;
  while (collector.Next(entry)) {
    const bool note = entry.Kind() == 0x90;
    const bool slot = slots.Assign(entry);
    if (!slot && note) ++result.summary.notes_without_slot;
    clocks.ToDelta(entry);
    const bool written = encoder.Encode(entry);
    if (written) ++result.summary.notes_converted;
    if (note && options.notes != nullptr) {
      const TNoteOutcome outcome = written ? TNoteOutcome::kConverted : slot ? TNoteOutcome::kRest : TNoteOutcome::kNoSlot;
      options.notes->push_back({collector.EventIndex(), outcome});
    }
  }

  const midifile::ByteString setup_chunk = voices.Finish();
  TAssembled assembled =
      AssembleSmaf(ContentInfoChunk((options.tags != nullptr ? *options.tags : collector.Tags()).OptionText()),
                   setup_chunk, bodies, timebase.code);
  result.summary.score_tracks = assembled.score_tracks;
  // The setup chunk travels inside the score tracks only.
  result.summary.voices = assembled.score_tracks > 0 ? voices.VoiceCount() : 0;
  result.bytes = std::move(assembled.bytes);
  return result;
}

}  // namespace chimekit::smaf
