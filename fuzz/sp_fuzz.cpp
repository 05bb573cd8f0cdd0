// libFuzzer target: MIDI2SP from the bytes as its export loads them. An
// order text is taken or refused before the song is looked at; a taken one
// completes to a permutation that its own text gives again. The output
// reads strictly and in chimekit's reader alike, keeps the input's header
// and is its own rewrite.
//
// Input: a flag byte (bit 0: the drum switch), the note limit, the order
// text with its length in two bytes, then the MIDI file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "chimekit/sp/sp_convert.h"
#include "written_midi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const bool drums = (input.Byte() & 1) != 0;
  const uint8_t note_limit = input.Byte();
  const std::string order(input.Sized());  // the export's text ends at its first zero byte
  chimekit::OrderCompletion completion = chimekit::CompleteChannelOrder(order.c_str(), drums);
  if (!completion.map) {
    fuzz::Check(!completion.problem.empty(), "an order text refused without a reason");
    return 0;
  }
  uint32_t seen = 0;
  for (uint8_t channel : *completion.map) seen |= channel < 16 ? 1u << channel : 0u;
  fuzz::Check(seen == 0xFFFF, "a channel order that is no permutation", chimekit::OrderText(*completion.map));
  const std::string text = chimekit::OrderText(*completion.map);
  fuzz::Check(chimekit::CompleteChannelOrder(text.c_str(), drums).map == completion.map,
              "an order's text gives another order", text);

  std::optional<chimekit::LoadedInput> song = fuzz::LoadSong(input.Rest());
  if (!song) return 0;
  chimekit::SpConversion converted;
  try {
    converted = chimekit::ConvertToSp(*song, *completion.map, note_limit);
  } catch (const midifile::ConversionError&) {
    return 0;  // left-out deltas adding up beyond 2^31 - 1: the export's status 1
  }
  fuzz::CheckWrittenMidi(converted.bytes, fuzz::RewriteHeaderOf(*song), {});
  fuzz::CheckWalkGivesItBack(converted.bytes);
  return 0;
}
