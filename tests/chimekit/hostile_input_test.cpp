// Damaged and hostile inputs through every export: a clear status, no
// crash, no sanitizer report, and no output file after a failure.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "chimekit.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

using test_support::Bytes;
using test_support::Chunk;
using test_support::FileExists;
using test_support::Header;
using test_support::Smf;
using test_support::TempDir;
using test_support::Track;

namespace {

// An export under test: takes the input and output paths, returns a status.
struct ExportCall {
  const char* name;
  std::function<uint8_t(const char*, const char*)> call;
  bool writes_output;
  bool may_refuse_range = false;  // status 3 for a song of no length
};

const uint8_t kTable[256] = {0xFF};  // for the instrument map

std::vector<ExportCall> Exports() {
  return {
      {"MIDIGetLengthMs", [](const char* in, const char*) { int32_t v; return MIDIGetLengthMs(in, &v); }, false},
      {"MIDIFirstNoteTimeMs", [](const char* in, const char*) { int32_t v; return MIDIFirstNoteTimeMs(in, &v); },
       false},
      {"MIDIUsedChannels", [](const char* in, const char* out) { return MIDIUsedChannels(in, out); }, true},
      {"MIDIDump full", [](const char* in, const char* out) { return MIDIDump(in, out, 1); }, true},
      {"MIDIDump notes", [](const char* in, const char* out) { return MIDIDump(in, out, 0); }, true},
      {"MIDI2SMAF", [](const char* in, const char* out) { return MIDI2SMAF(in, out); }, true},
      {"MIDI2SP", [](const char* in, const char* out) { return MIDI2SP(in, out, "fedcba", 0, 1); }, true},
      {"MIDIGetTags", [](const char* in, const char* out) { return MIDIGetTags(in, out); }, true},
      {"MIDISetTags", [](const char* in, const char* out) { return MIDISetTags(in, in, out); }, true},
      {"MIDIGetVol", [](const char* in, const char*) { uint8_t v[3]; return MIDIGetVol(in, v, v + 1, v + 2); }, false},
      {"MIDISetVol", [](const char* in, const char* out) { return MIDISetVol(in, out, -128, 127, 1); }, true},
      {"MIDITrimMs all", [](const char* in, const char* out) { return MIDITrimMs(in, out, 0, ~0u); }, true, true},
      {"MIDITrimMs end", [](const char* in, const char* out) { return MIDITrimMs(in, out, ~0u, ~0u); }, true, true},
      {"MIDITrimMs 0", [](const char* in, const char* out) { return MIDITrimMs(in, out, 0, 0); }, true, true},
      {"MIDITrimPercents", [](const char* in, const char* out) { return MIDITrimPercents(in, out, 3, 60); }, true,
       true},
      {"MIDIEqualizer", [](const char* in, const char* out) { return MIDIEqualizer(in, out, 1, 2, 3, 4, 5, 6, 7, 8, 9); },
       true},
      {"MIDISetInstrMap", [](const char* in, const char* out) { return MIDISetInstrMap(in, out, kTable, kTable); }, true},
      {"MIDICopyChannel", [](const char* in, const char* out) { return MIDICopyChannel(in, out, 0, 9); }, true},
      {"MIDIRemoveChannel", [](const char* in, const char* out) { return MIDIRemoveChannel(in, out, 9); }, true},
      {"MIDIMerge", [](const char* in, const char* out) { return MIDIMerge(in, in, out); }, true},
      {"MIDICombine", [](const char* in, const char* out) { return MIDICombine(in, in, out); }, true},
  };
}

std::string ValidSong() {
  return Smf(1, 96,
             {Track().Meta(0, 0x03, "name").Tempo(0, 400000).Raw(0, {0xF0, 0x03, 0x7E, 0x7F, 0xF7}).EndOfTrack(),
              Track()
                  .Program(0, 0, 5)
                  .Control(0, 0, 0, 1)
                  .NoteOn(0, 0, 60, 100)
                  .NoteOn(10, 0, 64, 100)
                  .NoteOff(86, 0, 60)
                  .Raw(0, {0xE0, 0x00, 0x40})
                  .Raw(0, {0xD0, 0x30})
                  .NoteOff(10, 0, 64)
                  .NoteOn(0, 9, 36, 100)
                  .NoteOn(48, 9, 36, 0)
                  .EndOfTrack()});
}

std::vector<std::string> HostileInputs() {
  std::vector<std::string> inputs;
  std::string valid = ValidSong();
  for (size_t cut = 0; cut < valid.size(); ++cut) inputs.push_back(valid.substr(0, cut));
  std::mt19937 random(20261207);
  for (int i = 0; i < 300; ++i) {
    std::string flipped = valid;
    for (int n = 0; n < 1 + i % 4; ++n) flipped[random() % flipped.size()] = static_cast<char>(random());
    inputs.push_back(flipped);
  }
  for (int i = 0; i < 100; ++i) {
    std::string noise(random() % 400, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    if (i % 2 == 0) noise = Header(0, 1, 96) + "MTrk" + Bytes({0, 0, 1, 0x40}) + noise;  // noise inside a track
    inputs.push_back(noise);
  }
  inputs.push_back(Header(0, 1, 96) + "MTrk" + Bytes({0xFF, 0xFF, 0xFF, 0xFF}) + "tiny");
  inputs.push_back(Header(0, 1, 96) + "MThd" + Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
  inputs.push_back(Smf(0, 96, {Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 100})}));  // 5-byte delta
  inputs.push_back(Smf(0, 96, {std::string(1000, '\x81') + Bytes({0x00, 0x90, 60, 100})}));  // 1001-byte delta
  inputs.push_back(Smf(0, 96, {Bytes({0x00, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 'a'})}));  // huge meta
  inputs.push_back(Smf(0, 96, {Bytes({0x00, 0x3C, 0x40, 0x00, 0x3C, 0x00})}));  // data before any status
  inputs.push_back(Smf(0, 0, {Track().NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60)}));  // division 0
  inputs.push_back(Smf(0, 96, {Track().Tempo(0, 0).NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60)}));  // tempo 0
  inputs.push_back(Chunk("MTrk", Track().NoteOn(0, 0, 60, 100)));  // no header
  return inputs;
}

}  // namespace

TEST(HostileInput, EveryExportAnswersWithAStatus) {
  TempDir dir;
  std::vector<std::string> inputs = HostileInputs();
  for (size_t i = 0; i < inputs.size(); ++i) {
    std::string in = dir.Write("in.mid", inputs[i]);
    for (const ExportCall& call : Exports()) {
      std::string out = dir.Path("out.bin");
      uint8_t status = call.call(in.c_str(), out.c_str());
      ASSERT_TRUE(status == 0 || status == 1 || (status == 3 && call.may_refuse_range))
          << call.name << " input " << i << " status " << int(status);
      if (call.writes_output) {
        EXPECT_EQ(FileExists(out), status == 0) << call.name << " input " << i;
        std::remove(out.c_str());
      }
    }
  }
}
