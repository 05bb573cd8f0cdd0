// Status 2 for a missing input, one table over every export called through
// the shared library as a host calls it: a path that names nothing, a
// folder, an empty path and a null pointer, for every input of every
// export. Nothing is created, an existing output stays as it was, and the
// values an export sets first read 0 (MIDIFirstNoteTimeMs leaves its value).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "chimekit.h"
#include "support/shared_library.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace {

using test_support::ReadFileBytes;

class MissingInput : public ::testing::Test {
 protected:
  template <class Function>
  Function Get(const char* name) {
    return library_.Export<Function>(name);
  }

  test_support::SharedLibrary library_{CHIMEKIT_LIBRARY_PATH};
  test_support::TempDir dir_;
};

TEST_F(MissingInput, EveryExportGivesStatus2AndWritesNothing) {
  ASSERT_TRUE(library_.Loaded()) << test_support::SharedLibrary::LastError();
  const std::string good = dir_.Write(
      "good.mid", test_support::Smf(0, 96, {test_support::Track().NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60)}));
  const std::string tags = dir_.Write("tags.txt", "\x03Name\r\n");
  const std::string out = dir_.Write("out.bin", "keep");
  std::filesystem::create_directory(dir_.Path("folder.mid"));
  const uint8_t table[256] = {};

  int32_t value = 0;
  uint8_t levels[3] = {};
  // Each call with `in` for one of its inputs, and its values afterwards
  // (77 and 9, 9, 9 before each call).
  struct Call {
    const char* name;
    std::function<uint8_t(const char* in)> call;
    int32_t value = 77;
    int levels = 27;
  };
  const auto length = Get<decltype(&MIDIGetLengthMs)>("MIDIGetLengthMs");
  const auto first_note = Get<decltype(&MIDIFirstNoteTimeMs)>("MIDIFirstNoteTimeMs");
  const auto get_tags = Get<decltype(&MIDIGetTags)>("MIDIGetTags");
  const auto set_tags = Get<decltype(&MIDISetTags)>("MIDISetTags");
  const auto channels = Get<decltype(&MIDIUsedChannels)>("MIDIUsedChannels");
  const auto dump = Get<decltype(&MIDIDump)>("MIDIDump");
  const auto trim_ms = Get<decltype(&MIDITrimMs)>("MIDITrimMs");
  const auto trim_percents = Get<decltype(&MIDITrimPercents)>("MIDITrimPercents");
  const auto get_vol = Get<decltype(&MIDIGetVol)>("MIDIGetVol");
  const auto set_vol = Get<decltype(&MIDISetVol)>("MIDISetVol");
  const auto equalizer = Get<decltype(&MIDIEqualizer)>("MIDIEqualizer");
  const auto instruments = Get<decltype(&MIDISetInstrMap)>("MIDISetInstrMap");
  const auto copy = Get<decltype(&MIDICopyChannel)>("MIDICopyChannel");
  const auto remove = Get<decltype(&MIDIRemoveChannel)>("MIDIRemoveChannel");
  const auto merge = Get<decltype(&MIDIMerge)>("MIDIMerge");
  const auto combine = Get<decltype(&MIDICombine)>("MIDICombine");
  const auto smaf = Get<decltype(&MIDI2SMAF)>("MIDI2SMAF");
  const auto sp = Get<decltype(&MIDI2SP)>("MIDI2SP");
  const char* o = out.c_str();
  const std::vector<Call> calls = {
      {"MIDIGetLengthMs", [&](const char* in) { return length(in, &value); }, 0},
      {"MIDIFirstNoteTimeMs", [&](const char* in) { return first_note(in, &value); }},
      {"MIDIGetTags", [&](const char* in) { return get_tags(in, o); }},
      {"MIDISetTags", [&](const char* in) { return set_tags(in, tags.c_str(), o); }},
      {"MIDISetTags, its tag file", [&](const char* in) { return set_tags(good.c_str(), in, o); }},
      {"MIDIUsedChannels", [&](const char* in) { return channels(in, o); }},
      {"MIDIDump", [&](const char* in) { return dump(in, o, 1); }},
      {"MIDITrimMs", [&](const char* in) { return trim_ms(in, o, 0, 100); }},
      {"MIDITrimPercents", [&](const char* in) { return trim_percents(in, o, 0, 100); }},
      {"MIDIGetVol", [&](const char* in) { return get_vol(in, levels, levels + 1, levels + 2); }, 77, 0},
      {"MIDISetVol", [&](const char* in) { return set_vol(in, o, 1, 1, 1); }},
      {"MIDIEqualizer", [&](const char* in) { return equalizer(in, o, 1, 2, 3, 4, 5, 6, 7, 8, 9); }},
      {"MIDISetInstrMap", [&](const char* in) { return instruments(in, o, table, table); }},
      {"MIDICopyChannel", [&](const char* in) { return copy(in, o, 0, 1); }},
      {"MIDIRemoveChannel", [&](const char* in) { return remove(in, o, 0); }},
      {"MIDIMerge, its first file", [&](const char* in) { return merge(in, good.c_str(), o); }},
      {"MIDIMerge, its second file", [&](const char* in) { return merge(good.c_str(), in, o); }},
      {"MIDICombine, its first file", [&](const char* in) { return combine(in, good.c_str(), o); }},
      {"MIDICombine, its second file", [&](const char* in) { return combine(good.c_str(), in, o); }},
      {"MIDI2SMAF", [&](const char* in) { return smaf(in, o); }},
      {"MIDI2SP", [&](const char* in) { return sp(in, o, "", 1, 1); }},
  };
  const std::string missing = dir_.Path("missing.mid"), folder = dir_.Path("folder.mid");
  for (const Call& call : calls) {
    for (const char* in : {missing.c_str(), folder.c_str(), "", static_cast<const char*>(nullptr)}) {
      value = 77;
      levels[0] = levels[1] = levels[2] = 9;
      EXPECT_EQ(call.call(in), 2) << call.name << " with " << (in ? in : "a null path");
      EXPECT_EQ(value, call.value) << call.name;
      EXPECT_EQ(levels[0] + levels[1] + levels[2], call.levels) << call.name;
    }
  }
  EXPECT_EQ(ReadFileBytes(out), "keep");
  EXPECT_EQ(test_support::ListFolder(dir_.Path("")), "folder.mid\ngood.mid\nout.bin\ntags.txt\n");
}

}  // namespace
