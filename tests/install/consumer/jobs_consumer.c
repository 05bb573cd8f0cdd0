/* A host of an installed jobs library: reads a song into memory, makes its
   ringtone with `chimekit ringtone`'s defaults and prints the result's
   status, the SMAF file's first four bytes and the notes converted. */
#include <chimekit_jobs.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
  static uint8_t song[1 << 20];
  size_t size, smaf_size = 0;
  const char* text;
  const char* converted;
  const uint8_t* smaf;
  ck_result* result;
  FILE* file;
  if (argc != 2 || (file = fopen(argv[1], "rb")) == NULL) return 2;
  size = fread(song, 1, sizeof song, file);
  fclose(file);
  result = ck_ringtone(song, size, argv[1], 0, 30000, -1, 0, 0, NULL, NULL);
  if (result == NULL) return 1;
  text = ck_text(result, NULL);
  smaf = ck_bytes(result, 0, &smaf_size);
  converted = strstr(text, "\"notesConverted\":");
  printf("%d %.4s %ld\n", (int)ck_status(result), smaf_size >= 4 ? (const char*)smaf : "",
         converted != NULL ? strtol(converted + 17, NULL, 10) : -1L);
  ck_free(result);
  return 0;
}
