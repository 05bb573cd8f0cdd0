/* A host built against an installed chimekit: as C through pkg-config, as
   C++ through find_package(chimekit). Prints the song length, the status of
   a missing input and Reshaper's status for the song. */
#include <chimekit.h>
#include <reshaper.h>
#include <stdio.h>

int main(int argc, char** argv) {
  int32_t length = -1;
  int32_t unused = -1;
  uint8_t status;
  if (argc != 3) return 2;
  status = MIDIGetLengthMs(argv[1], &length);
  printf("%u %d %u %d\n", (unsigned)status, (int)length, (unsigned)MIDIGetLengthMs("", &unused),
         (int)ConvertMidi(argv[1], argv[2]));
  return 0;
}
