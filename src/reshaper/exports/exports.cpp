// The one export of the Reshaper library.
#include "reshaper.h"
#include "reshaper/convert_midi.h"

extern "C" {

RESHAPER_API int32_t RESHAPER_CALL ConvertMidi(const char* inputPath, const char* outputPath) {
  return reshaper::convertMidi(inputPath, outputPath);
}

}  // extern "C"
