// libFuzzer target: Reshaper's ConvertMidi on the bytes in memory
// (convertBytes, the conversion that ConvertMidi runs on the file it read).
// The status is one that the conversion documents; a converted file is a
// format 0 file of one track at the input's division that reads strictly,
// counts the events the conversion reports, and converts to itself again
// once its header says format 1.
//
// Input: the file as it is (plain or in a RIFF RMID form).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "fuzz_input.h"
#include "reshaper/convert_midi.h"
#include "strict_smf.h"

namespace {

std::string_view AsText(const std::vector<uint8_t>& bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> output;
  const reshaper::ConversionResult result = reshaper::convertBytes(std::span<const uint8_t>(data, size), output);
  // Memory does not run out at these sizes.
  fuzz::Check(result.status == reshaper::kConverted || result.status == reshaper::kNotFormat1,
              "a status that a conversion in memory does not give");
  if (result.status != reshaper::kConverted) {
    fuzz::Check(output.empty(), "an output beside a refused input");
    return 0;
  }
  fuzz::StrictFile strict;
  if (const char* problem = fuzz::ReadStrictly(AsText(output), {.running_status = true, .any_meta = true, .system = true}, strict)) {
    fuzz::Broken("Reshaper's output:", problem);
  }
  fuzz::Check(strict.format == 0 && strict.tracks.size() == 1, "Reshaper's output is no format 0 file of one track");
  fuzz::Check(strict.tracks[0].size() == result.eventsWritten, "Reshaper's output holds other events than it counts");

  // The merge of one track is that track: the output, called format 1,
  // converts to itself.
  std::vector<uint8_t> again_input = output;
  again_input[9] = 1;
  std::vector<uint8_t> again;
  const reshaper::ConversionResult second = reshaper::convertBytes(again_input, again);
  fuzz::Check(second.status == reshaper::kConverted && again == output && second.eventsWritten == result.eventsWritten,
              "Reshaper's output does not convert to itself");
  return 0;
}
