/* Loads chimekit.dll and Reshaper.dll as a Windows host does (LoadLibrary,
   GetProcAddress by plain name, __stdcall) and calls every export built so
   far. Run by scripts/test-windows under Wine or on Windows. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

typedef uint8_t(__stdcall* ValueFn)(const char*, int32_t*);
typedef uint8_t(__stdcall* ReportFn)(const char*, const char*);
typedef uint8_t(__stdcall* DumpFn)(const char*, const char*, uint32_t);
typedef int32_t(__stdcall* ConvertFn)(const char*, const char*);
typedef uint8_t(__stdcall* TrimFn)(const char*, const char*, uint32_t, uint32_t);
typedef uint8_t(__stdcall* GetVolFn)(const char*, uint8_t*, uint8_t*, uint8_t*);
typedef uint8_t(__stdcall* SetVolFn)(const char*, const char*, int32_t, int32_t, uint32_t);
typedef uint8_t(__stdcall* SetTagsFn)(const char*, const char*, const char*);
typedef uint8_t(__stdcall* SpFn)(const char*, const char*, const char*, uint32_t, uint32_t);
typedef uint8_t(__stdcall* EqualizerFn)(const char*, const char*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                                        uint32_t, uint32_t, uint32_t, uint32_t);
typedef uint8_t(__stdcall* InstrMapFn)(const char*, const char*, const uint8_t*, const uint8_t*);

static int passed = 0;
static int failed = 0;

static void check(int condition, const char* what) {
  if (condition) {
    ++passed;
  } else {
    ++failed;
    printf("FAILED: %s\n", what);
  }
}

static void write_file(const char* path, const unsigned char* bytes, size_t size) {
  FILE* file = fopen(path, "wb");
  fwrite(bytes, 1, size, file);
  fclose(file);
}

static size_t read_file(const char* path, char* buffer, size_t capacity) {
  FILE* file = fopen(path, "rb");
  size_t got;
  if (file == NULL) return 0;
  got = fread(buffer, 1, capacity, file);
  fclose(file);
  return got;
}

static int file_exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

/* Format 1, division 96: a tempo track, and a track with a note of key 60
   on channel 0 from tick 96 to 192. */
static const unsigned char kSong[] = {
    'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0, 96,
    'M', 'T', 'r', 'k', 0, 0, 0, 11, 0, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20, 0, 0xFF, 0x2F, 0,
    'M', 'T', 'r', 'k', 0, 0, 0, 13, 0x60, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0, 0xFF, 0x2F, 0, 0};

int main(void) {
  char text[4096];
  size_t size;
  int32_t value = 0;
  HMODULE chimekit = LoadLibraryA("chimekit.dll");
  HMODULE reshaper = LoadLibraryA("Reshaper.dll");
  check(chimekit != NULL, "LoadLibrary chimekit.dll");
  check(reshaper != NULL, "LoadLibrary Reshaper.dll");
  if (chimekit == NULL || reshaper == NULL) return 1;

  ValueFn get_length = (ValueFn)(void*)GetProcAddress(chimekit, "MIDIGetLengthMs");
  ValueFn first_note = (ValueFn)(void*)GetProcAddress(chimekit, "MIDIFirstNoteTimeMs");
  ReportFn used_channels = (ReportFn)(void*)GetProcAddress(chimekit, "MIDIUsedChannels");
  DumpFn dump = (DumpFn)(void*)GetProcAddress(chimekit, "MIDIDump");
  ReportFn to_smaf = (ReportFn)(void*)GetProcAddress(chimekit, "MIDI2SMAF");
  ConvertFn convert = (ConvertFn)(void*)GetProcAddress(reshaper, "ConvertMidi");
  check(get_length && first_note && used_channels && dump && to_smaf && convert, "GetProcAddress by plain name");
  if (!(get_length && first_note && used_channels && dump && to_smaf && convert)) return 1;

  write_file("song.mid", kSong, sizeof kSong);
  write_file("cut.mid", kSong, 20);

  check(get_length("song.mid", &value) == 0 && value == 1000, "MIDIGetLengthMs");
  check(first_note("song.mid", &value) == 0 && value == 96, "MIDIFirstNoteTimeMs");
  check(get_length("missing.mid", &value) == 2 && value == 0, "missing input gives 2");
  check(get_length(".", &value) == 2, "a folder gives 2");
  check(get_length("cut.mid", &value) == 1, "a truncated input gives 1");

  check(used_channels("song.mid", "channels.txt") == 0, "MIDIUsedChannels");
  size = read_file("channels.txt", text, sizeof text);
  check(size == 18 && memcmp(text, "1000000000000000\r\n", 18) == 0, "channel report bytes");

  check(dump("song.mid", "notes.txt", 0x100) == 0, "MIDIDump note list");
  size = read_file("notes.txt", text, sizeof text);
  check(size == 28 && memcmp(text, "0,C4 [60],100,96,192,0 [0]\r\n", 28) == 0, "note list bytes");
  check(dump("cut.mid", "cut.txt", 1) == 1 && !file_exists("cut.txt"), "no output after a failure");

  check(to_smaf("song.mid", "ring.mmf") == 0, "MIDI2SMAF");
  size = read_file("ring.mmf", text, sizeof text);
  check(size > 8 && memcmp(text, "MMMD", 4) == 0, "SMAF file");
  write_file("same.mid", kSong, sizeof kSong);
  check(used_channels("same.mid", "same.mid") == 0, "output path equal to input path");

  check(convert("song.mid", "format0.mid") == 0, "ConvertMidi");
  size = read_file("format0.mid", text, sizeof text);
  check(size > 14 && text[9] == 0 && text[11] == 1, "format 0 with one track");
  check(convert("song.mid", "format0.mid") == 0, "ConvertMidi over an existing output");
  write_file("inplace.mid", kSong, sizeof kSong);
  check(convert("inplace.mid", "inplace.mid") == 0, "ConvertMidi in place");
  check(to_smaf("song.mid", "ring.mmf") == 0, "MIDI2SMAF over an existing output");
  check(convert("missing.mid", "never.mid") == -1 && !file_exists("never.mid"), "ConvertMidi missing input");
  check(convert("format0.mid", "refused.mid") == -4, "ConvertMidi format 0 input");

  {
    TrimFn trim_ms = (TrimFn)(void*)GetProcAddress(chimekit, "MIDITrimMs");
    TrimFn trim_percents = (TrimFn)(void*)GetProcAddress(chimekit, "MIDITrimPercents");
    GetVolFn get_vol = (GetVolFn)(void*)GetProcAddress(chimekit, "MIDIGetVol");
    SetVolFn set_vol = (SetVolFn)(void*)GetProcAddress(chimekit, "MIDISetVol");
    ReportFn get_tags = (ReportFn)(void*)GetProcAddress(chimekit, "MIDIGetTags");
    SetTagsFn set_tags = (SetTagsFn)(void*)GetProcAddress(chimekit, "MIDISetTags");
    uint8_t levels[3] = {0, 0, 0};
    check(trim_ms && trim_percents && get_vol && set_vol && get_tags && set_tags, "editing exports by plain name");
    if (!(trim_ms && trim_percents && get_vol && set_vol && get_tags && set_tags)) return 1;
    check(trim_ms("song.mid", "trim.mid", 500, 0xFFFFFFFFu) == 0, "MIDITrimMs");
    check(trim_ms("song.mid", "bad.mid", 2, 1) == 3 && !file_exists("bad.mid"), "MIDITrimMs bad range");
    check(trim_percents("song.mid", "trim.mid", 0x100, 0x164) == 0, "MIDITrimPercents low bytes");
    check(get_vol("song.mid", &levels[0], &levels[1], &levels[2]) == 0 && levels[0] == 127 && levels[1] == 127 &&
              levels[2] == 60,
          "MIDIGetVol");
    check(set_vol("song.mid", "vol.mid", -20, 0x1FF, 0) == 0, "MIDISetVol");
    write_file("tags.txt", (const unsigned char*)"\x03Name\r\n", 7);
    check(set_tags("song.mid", "tags.txt", "tagged.mid") == 0, "MIDISetTags");
    check(get_tags("tagged.mid", "back.txt") == 0, "MIDIGetTags");
    size = read_file("back.txt", text, sizeof text);
    check(size == 7 && memcmp(text, "\x03Name\r\n", 7) == 0, "tags read back");
  }

  {
    SpFn sp = (SpFn)(void*)GetProcAddress(chimekit, "MIDI2SP");
    check(sp != NULL, "MIDI2SP by plain name");
    if (sp == NULL) return 1;
    /* Channel 0 becomes 1 (the second track's note-on and note-off); the
       byte after the second track's end is not copied. */
    check(sp("song.mid", "sp.mid", "1", 0x100, 0x101) == 0, "MIDI2SP");
    size = read_file("sp.mid", text, sizeof text);
    check(size == sizeof kSong - 1 && text[42] == (char)0x91 && text[46] == (char)0x81, "MIDI2SP channels renumbered");
    check(sp("song.mid", "bad.mid", "00", 0, 0) == 4 && !file_exists("bad.mid"), "MIDI2SP bad order");
    EqualizerFn equalizer = (EqualizerFn)(void*)GetProcAddress(chimekit, "MIDIEqualizer");
    InstrMapFn instr_map = (InstrMapFn)(void*)GetProcAddress(chimekit, "MIDISetInstrMap");
    TrimFn copy_channel = (TrimFn)(void*)GetProcAddress(chimekit, "MIDICopyChannel"); /* same parameters */
    DumpFn remove_channel = (DumpFn)(void*)GetProcAddress(chimekit, "MIDIRemoveChannel");
    SetTagsFn merge = (SetTagsFn)(void*)GetProcAddress(chimekit, "MIDIMerge");
    SetTagsFn combine = (SetTagsFn)(void*)GetProcAddress(chimekit, "MIDICombine");
    uint8_t table[256] = {0};
    check(equalizer && instr_map && copy_channel && remove_channel && merge && combine, "more editing exports");
    if (!(equalizer && instr_map && copy_channel && remove_channel && merge && combine)) return 1;
    /* Key 60 lies in band 4: a channel volume of 40 before the note-on. */
    check(equalizer("song.mid", "eq.mid", 10, 20, 30, 40, 50, 60, 70, 80, 90) == 0, "MIDIEqualizer");
    size = read_file("eq.mid", text, sizeof text);
    check(size > 45 && memcmp(text + 41, "\x60\xB0\x07\x28", 4) == 0, "equalizer level before the note");
    check(instr_map("song.mid", "map.mid", table, table) == 0 && copy_channel("song.mid", "copy.mid", 0, 0x109) == 0 &&
              remove_channel("song.mid", "removed.mid", 0) == 0 && merge("song.mid", "song.mid", "merged.mid") == 0,
          "MIDISetInstrMap, MIDICopyChannel, MIDIRemoveChannel, MIDIMerge");
    check(combine("song.mid", "missing.mid", "never.mid") == 2 && !file_exists("never.mid"), "MIDICombine missing");
  }

  FreeLibrary(chimekit);
  FreeLibrary(reshaper);
  printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
