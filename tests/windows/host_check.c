/* A host program for the chimekit and Reshaper shared libraries. It loads
   them as a host does (LoadLibrary and GetProcAddress by plain name on
   Windows, dlopen and dlsym elsewhere), calls the exports through the
   prototypes of the public headers (__stdcall on Windows), and runs a call
   list of one call a line:

     RESULT <tab> EXPORT <tab> ARGUMENT <tab> ...

   RESULT is the status the call must return, followed by the values it
   must return where they are given ("0 110 97 54" for MIDIGetVol). Paths in the list are UTF-8;
   on Windows they are handed over in the system code page, as a host's
   narrow strings are. A chimekit call that fails must not create its
   output. Each call adds a line to the transcript: the call, its status and
   the values it returned, so that the transcripts (and the outputs) of a
   Windows and a Linux build can be compared byte for byte.

   Usage: host_check LIBRARY_FOLDER CALL_LIST TRANSCRIPT */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "chimekit.h"
#include "reshaper.h"

#if defined(_WIN32)
#include <windows.h>
#define LIBRARY_NAME(name) name ".dll"
#else
#include <dlfcn.h>
#include <unistd.h>
#if defined(__APPLE__)
#define LIBRARY_NAME(name) "lib" name ".dylib"
#else
#define LIBRARY_NAME(name) "lib" name ".so"
#endif
#endif

typedef void (*AnyFunction)(void);

enum { kMaxArguments = 12, kPathCapacity = 1024 };

/* One argument of the list, taken as its letter says: i an input path,
   o an output path, n a 32-bit number, s a text passed as it is ("(null)"
   for a null pointer), t a 256-byte table (a hex pattern repeated). */
typedef struct {
  const char* text;
  uint32_t number;
  unsigned char table[256];
  char path[kPathCapacity];
} Argument;

typedef struct {
  const char* name;
  const char* letters;
} ExportInfo;

static const ExportInfo kExports[] = {
    {"MIDIGetLengthMs", "i"},     {"MIDIFirstNoteTimeMs", "i"}, {"MIDIUsedChannels", "io"},
    {"MIDIDump", "ion"},          {"MIDIGetTags", "io"},        {"MIDISetTags", "iio"},
    {"MIDITrimMs", "ionn"},       {"MIDITrimPercents", "ionn"}, {"MIDIGetVol", "i"},
    {"MIDISetVol", "ionnn"},      {"MIDIEqualizer", "ionnnnnnnnn"},
    {"MIDISetInstrMap", "iott"},  {"MIDICopyChannel", "ionn"},  {"MIDIRemoveChannel", "ion"},
    {"MIDIMerge", "iio"},         {"MIDICombine", "iio"},       {"MIDI2SMAF", "io"},
    {"MIDI2SP", "iosnn"},         {"ConvertMidi", "io"},
};

static void* chimekit_library;
static void* reshaper_library;

static void* load_library(const char* folder, const char* file) {
  char path[kPathCapacity];
  snprintf(path, sizeof path, "%s/%s", folder, file);
#if defined(_WIN32)
  return (void*)LoadLibraryA(path);
#else
  return dlopen(path, RTLD_NOW | RTLD_LOCAL);
#endif
}

static AnyFunction find_export(void* library, const char* name) {
#if defined(_WIN32)
  return (AnyFunction)GetProcAddress((HMODULE)library, name);
#else
  AnyFunction function = NULL;
  void* address = dlsym(library, name);
  memcpy(&function, &address, sizeof function);
  return function;
#endif
}

/* The path as the host hands it over: on Windows in the system code page,
   which must be able to spell it. */
static int system_path(const char* utf8, char* out) {
#if defined(_WIN32)
  wchar_t wide[kPathCapacity];
  BOOL lossy = FALSE;
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide, kPathCapacity) == 0) return 0;
  if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, out, kPathCapacity, NULL, &lossy) == 0) return 0;
  return !lossy;
#else
  if (strlen(utf8) >= kPathCapacity) return 0;
  strcpy(out, utf8);
  return 1;
#endif
}

static int path_exists(const char* path) {
#if defined(_WIN32)
  return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
#else
  return access(path, F_OK) == 0;
#endif
}

static int parse_table(const char* pattern, unsigned char* table) {
  size_t digits = strlen(pattern);
  size_t i;
  if (digits == 0 || digits % 2 != 0) return 0;
  for (i = 0; i < 256; ++i) {
    char pair[3] = {pattern[(2 * i) % digits], pattern[(2 * i + 1) % digits], 0};
    char* end = NULL;
    table[i] = (unsigned char)strtoul(pair, &end, 16);
    if (*end != '\0') return 0;
  }
  return 1;
}

static int parse_argument(char letter, const char* text, Argument* argument) {
  char* end = NULL;
  argument->text = text;
  switch (letter) {
    case 'i':
    case 'o':
      return system_path(text, argument->path);
    case 'n':
      /* Negative numbers travel as their 32-bit two's complement. */
      argument->number = text[0] == '-' ? (uint32_t)strtol(text, &end, 0) : (uint32_t)strtoul(text, &end, 0);
      return *text != '\0' && *end == '\0';
    case 's':
      if (strcmp(text, "(null)") == 0) argument->text = NULL;
      return 1;
    case 't':
      return parse_table(text, argument->table);
    default:
      return 0;
  }
}

#define SAME(export_name) (strcmp(name, #export_name) == 0)
#define AS(export_name) ((__typeof__(&export_name))function)

/* Calls the export with the prototype of its header (exports of one
   prototype share a call), prints the values it returned into `values` and
   returns its status. */
static long call_export(const char* name, AnyFunction function, const Argument* a, char* values) {
  if (SAME(MIDIGetLengthMs) || SAME(MIDIFirstNoteTimeMs)) {
    int32_t value = -1; /* MIDIFirstNoteTimeMs leaves it on status 2 */
    long status = AS(MIDIGetLengthMs)(a[0].path, &value);
    sprintf(values, " %ld", (long)value);
    return status;
  }
  if (SAME(MIDIGetVol)) {
    uint8_t max_volume = 0xEE, mean_volume = 0xEE, mean_key = 0xEE;
    long status = AS(MIDIGetVol)(a[0].path, &max_volume, &mean_volume, &mean_key);
    sprintf(values, " %u %u %u", max_volume, mean_volume, mean_key);
    return status;
  }
  if (SAME(MIDIUsedChannels) || SAME(MIDIGetTags) || SAME(MIDI2SMAF)) return AS(MIDI2SMAF)(a[0].path, a[1].path);
  if (SAME(MIDIDump)) return AS(MIDIDump)(a[0].path, a[1].path, a[2].number);
  if (SAME(MIDISetTags) || SAME(MIDIMerge) || SAME(MIDICombine)) {
    return AS(MIDIMerge)(a[0].path, a[1].path, a[2].path);
  }
  if (SAME(MIDITrimMs) || SAME(MIDITrimPercents) || SAME(MIDICopyChannel)) {
    return AS(MIDITrimMs)(a[0].path, a[1].path, a[2].number, a[3].number);
  }
  if (SAME(MIDISetVol)) {
    return AS(MIDISetVol)(a[0].path, a[1].path, (int32_t)a[2].number, (int32_t)a[3].number, a[4].number);
  }
  if (SAME(MIDIEqualizer)) {
    return AS(MIDIEqualizer)(a[0].path, a[1].path, a[2].number, a[3].number, a[4].number, a[5].number,
                             a[6].number, a[7].number, a[8].number, a[9].number, a[10].number);
  }
  if (SAME(MIDISetInstrMap)) return AS(MIDISetInstrMap)(a[0].path, a[1].path, a[2].table, a[3].table);
  if (SAME(MIDIRemoveChannel)) return AS(MIDIRemoveChannel)(a[0].path, a[1].path, a[2].number);
  if (SAME(MIDI2SP)) return AS(MIDI2SP)(a[0].path, a[1].path, a[2].text, a[3].number, a[4].number);
  return AS(ConvertMidi)(a[0].path, a[1].path);
}

static int passed = 0;
static int failed = 0;

static int fail(int line, const char* what, const char* detail) {
  ++failed;
  printf("FAILED: line %d: %s %s\n", line, what, detail);
  return 0;
}

/* Runs one line of the call list (split at tabs in place); 1 when it passed. */
static int run_line(int line, char* text, FILE* transcript) {
  char* fields[kMaxArguments + 2];
  int count = 0;
  char* cursor = text;
  static Argument arguments[kMaxArguments];
  int created_before[kMaxArguments] = {0};
  const ExportInfo* info = NULL;
  AnyFunction function = NULL;
  char values[64] = "";
  char result[80];
  long status;
  int i;
  while (count < kMaxArguments + 2) {
    fields[count++] = cursor;
    cursor = strchr(cursor, '\t');
    if (cursor == NULL) break;
    *cursor++ = '\0';
  }
  for (i = 0; i < (int)(sizeof kExports / sizeof kExports[0]); ++i) {
    if (count >= 2 && strcmp(fields[1], kExports[i].name) == 0) info = &kExports[i];
  }
  if (info == NULL) return fail(line, "unknown export", count >= 2 ? fields[1] : text);
  if (count - 2 != (int)strlen(info->letters)) return fail(line, info->name, "wrong number of arguments");
  for (i = 0; i < count - 2; ++i) {
    if (!parse_argument(info->letters[i], fields[i + 2], &arguments[i])) {
      return fail(line, "argument not usable here (a path the system code page cannot spell?):", fields[i + 2]);
    }
    created_before[i] = info->letters[i] == 'o' && path_exists(arguments[i].path);
  }
  function = find_export(strcmp(info->name, "ConvertMidi") == 0 ? reshaper_library : chimekit_library, info->name);
  if (function == NULL) return fail(line, "no export", info->name);

  status = call_export(info->name, function, arguments, values);
  snprintf(result, sizeof result, "%ld%s", status, values);
  fprintf(transcript, "%s", info->name);
  for (i = 2; i < count; ++i) fprintf(transcript, " [%s]", fields[i]);
  fprintf(transcript, " -> %s\n", result);
  if (strchr(fields[0], ' ') != NULL ? strcmp(result, fields[0]) != 0 : status != strtol(fields[0], NULL, 10)) {
    return fail(line, info->name, result);
  }
  for (i = 0; i < count - 2; ++i) {
    if (status != 0 && info->name[0] == 'M' && info->letters[i] == 'o' && !created_before[i] &&
        path_exists(arguments[i].path)) {
      return fail(line, info->name, "created its output although it failed");
    }
  }
  return ++passed;
}

int main(int argc, char** argv) {
  char text[4096];
  int line = 0;
  FILE* calls;
  FILE* transcript;
  if (argc != 4) {
    fprintf(stderr, "usage: host_check LIBRARY_FOLDER CALL_LIST TRANSCRIPT\n");
    return 2;
  }
  chimekit_library = load_library(argv[1], LIBRARY_NAME("chimekit"));
  reshaper_library = load_library(argv[1], LIBRARY_NAME("Reshaper"));
  calls = fopen(argv[2], "rb");
  transcript = fopen(argv[3], "wb");
  if (chimekit_library == NULL || reshaper_library == NULL || calls == NULL || transcript == NULL) {
    fprintf(stderr, "host_check: cannot load the libraries from %s or open the call list or transcript\n", argv[1]);
    return 1;
  }
  while (fgets(text, sizeof text, calls) != NULL) {
    ++line;
    text[strcspn(text, "\r\n")] = '\0';
    if (text[0] != '\0' && text[0] != '#') run_line(line, text, transcript);
  }
  fclose(calls);
  fclose(transcript);
  printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 && passed > 0 ? 0 : 1;
}
