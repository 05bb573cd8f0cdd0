// MIDI2SP: the order completion, the renumbering and note limit byte for
// byte, and the export as a host calls it, its outputs read back by mido.
#include <gtest/gtest.h>

#include "chimekit.h"
#include "chimekit/sp/sp_convert.h"
#include "support/mido_check.h"
#include "support/shared_library.h"
#include "support/smf_builder.h"

using test_support::ReadFileBytes;
using test_support::Smf;
using test_support::Track;

namespace {

using Dropped = std::array<uint64_t, 16>;

// Only the first 16 characters count; letters in either case; without the
// drum switch 9 and F are taken out and put back at positions 10 and 16.
TEST(Sp, OrderCompletion) {
  const struct {
    const char* text;
    bool drums;
    const char* completed;  // "" when the text is not acceptable
  } cases[] = {
      {nullptr, false, "0123456789ABCDEF"}, {"", true, "0123456789ABCDEF"}, {"1", true, "1023456789ABCDEF"},
      {"1", false, "1023456789ABCDEF"}, {"FEDCBA9876543210", false, "EDCBA8765943210F"},
      {"fedcba9876543210", true, "FEDCBA9876543210"}, {"f", false, "0123456789ABCDEF"},
      {"f", true, "F0123456789ABCDE"}, {"0123456789abcdefGG0", true, "0123456789ABCDEF"},
      {"00", true, ""}, {"0G", true, ""}, {"aA", false, ""}, {" 1", true, ""}};
  for (const auto& c : cases) {
    chimekit::OrderCompletion order = chimekit::CompleteChannelOrder(c.text, c.drums);
    EXPECT_EQ(order.map ? chimekit::OrderText(*order.map) : "", c.completed) << (c.text ? c.text : "null");
    EXPECT_EQ(order.problem.empty(), order.map.has_value());
  }
}

// A chord of 128 keys (but one) at tick 0, released at tick 9.
Track FullChord(int skip_key = -1) {
  Track chord;
  for (int key = 0; key < 128; ++key) if (key != skip_key) chord.NoteOn(0, 0, key, 1);
  for (int key = 0; key < 128; ++key) chord.NoteOff(key == 0 ? 9 : 0, 0, key);
  return chord;
}

TEST(Sp, RenumberingAndNoteLimitByteForByte) {
  Track limited;                                                         // limit 1 on channel 0
  limited.NoteOn(0, 0, 60, 9).NoteOn(0, 0, 64, 9).NoteOn(0, 0, 67, 9);   // chord at 0: 60 holds until 20
  limited.Raw(7, {0xF0, 0x01, 0xF7}).NoteOn(3, 0, 72, 9);                // system exclusive, then dropped at 10
  limited.NoteOn(10, 0, 62, 9).NoteOff(0, 0, 60).NoteOn(0, 0, 62, 9);    // 60 ends at 20: still sounding
  limited.NoteOn(10, 0, 62, 0).NoteOn(0, 0, 65, 9).NoteOn(0, 0, 66, 9);  // released; 65 never is
  limited.NoteOn(5, 0, 67, 9).Raw(4, {0xF0, 0x01, 0xF7});                // 65 ended at 30; no end of track
  Track unpaired;                                                        // order "1": channels 0 and 1 swap, 9 stays
  unpaired.NoteOn(0, 0, 60, 9).NoteOn(0, 0, 61, 9).Program(0, 1, 5).Raw(0, {0xE1, 0, 64}).Control(0, 9, 7, 90);
  unpaired.EndOfTrack().NoteOn(0, 0, 62, 9);
  Track kept = Track().NoteOn(0, 0, 60, 9).NoteOff(20, 0, 60).NoteOn(0, 0, 62, 9).NoteOn(10, 0, 62, 0);
  kept.NoteOn(0, 0, 65, 9).NoteOn(5, 0, 67, 9).EndOfTrack(4);
  Track swapped = Track().NoteOn(0, 1, 60, 9).Program(0, 0, 5).Raw(0, {0xE0, 0, 64}).Control(0, 9, 7, 90);
  Track second = Track().NoteOn(0, 0, 60, 9).Meta(2, 3, "nm").EndOfTrack();
  swapped.EndOfTrack();
  const struct {
    const char* order;
    uint8_t limit;
    std::vector<std::string> in, out;
    Dropped dropped;
  } cases[] = {
      {"", 1, {limited}, {kept}, {5}},
      // The table starts afresh in every track; meta events other than tempo
      // and end of track are blanked.
      {"1", 1, {unpaired, second}, {swapped, Track().NoteOn(0, 1, 60, 9).Meta(2, 1, "").EndOfTrack()}, {0, 1}},
      {"", 0, {FullChord()}, {FullChord().EndOfTrack()}, {}},  // 0 counts as 255
      {"", 127, {FullChord()}, {FullChord(127).EndOfTrack()}, {1}}};
  for (const auto& c : cases) {
    chimekit::SpConversion sp = chimekit::ConvertToSp(chimekit::ParseForRewrite(Smf(1, 96, c.in)),
                                                      *chimekit::CompleteChannelOrder(c.order, false).map, c.limit);
    EXPECT_EQ(sp.bytes, Smf(1, 96, c.out)) << c.order << " " << int{c.limit};
    EXPECT_EQ(sp.dropped, c.dropped) << c.order << " " << int{c.limit};
  }
}

// A note without a note-off ends where it starts, yet stays held: after the
// 32-bit absolute time wraps, the notes at ticks 0 and 5 sound again, so
// with a limit of 2 the note after the wrap is left out.
TEST(Sp, HeldNotesCountAgainAfterTheTimeWraps) {
  Track in = Track().NoteOn(0, 0, 60, 9).NoteOn(5, 0, 61, 9).NoteOn(0x7FFFFFFF, 0, 62, 9);
  chimekit::SpConversion sp = chimekit::ConvertToSp(chimekit::ParseForRewrite(Smf(0, 96, {in})),
                                                    *chimekit::CompleteChannelOrder("", false).map, 2);
  EXPECT_EQ(sp.bytes, Smf(0, 96, {Track().NoteOn(0, 0, 60, 9).NoteOn(5, 0, 61, 9).EndOfTrack(0x7FFFFFFF)}));
  EXPECT_EQ(sp.dropped, Dropped{1});
}

TEST(Sp, ExportStatusesAndReadBack) {
  test_support::SharedLibrary library(CHIMEKIT_LIBRARY_PATH);
  ASSERT_TRUE(library.Loaded()) << test_support::SharedLibrary::LastError();
  auto sp = library.Export<decltype(&MIDI2SP)>("MIDI2SP");
  test_support::TempDir dir;
  std::string song = Smf(1, 96, {Track().NoteOn(0, 3, 60, 9).NoteOn(0, 3, 64, 9).NoteOff(96, 3, 60).EndOfTrack()});
  std::string in = dir.Write("in.mid", song), cut = dir.Write("cut.mid", song.substr(0, song.size() - 1));
  std::string out = dir.Path("out.mid");
  EXPECT_EQ(sp(in.c_str(), out.c_str(), "00", 1, 1), 4);
  EXPECT_EQ(sp(cut.c_str(), out.c_str(), "", 1, 1), 1);
  EXPECT_FALSE(test_support::FileExists(out));
  // Low bytes only: no drum switch, limit 1.
  ASSERT_EQ(sp(in.c_str(), out.c_str(), "FEDCBA9876543210", 0x100, 0x101), 0);
  EXPECT_EQ(ReadFileBytes(out), Smf(1, 96, {Track().NoteOn(0, 0xB, 60, 9).NoteOff(96, 0xB, 60).EndOfTrack()}));

  // Read back by mido: a generated song (running status, system exclusive,
  // text, several tracks) and the file above.
  std::string generated = dir.Path("generated.mid"), script = CHIMEKIT_TESTS_DIR "/../bench/make_bench_midi.py";
  auto made = test_support::RunProgram("/usr/bin/python3", {script, generated, "--events", "3000", "--tracks", "3"});
  ASSERT_EQ(made.exit_code, 0) << made.err;
  std::vector<std::string> outputs;
  for (const std::string& input : {generated, in}) {
    for (uint32_t limit : {1u, 2u, 0u}) {
      outputs.push_back(dir.Path("out" + std::to_string(outputs.size()) + ".mid"));
      EXPECT_EQ(sp(input.c_str(), outputs.back().c_str(), "53", limit, 1), 0);
    }
  }
  EXPECT_EQ(test_support::MidoSummary(outputs), test_support::OwnSummary(outputs));
}

}  // namespace
