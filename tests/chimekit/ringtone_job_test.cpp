// The ringtone job below the tool: MakeRingtone, the re-timing and the
// finish called directly with songs built here. The MIDI song each gives
// is read back by mido (its note-ons' times and the song's length, by
// mido's own tempo map); what only the job knows (where each note went, the
// content information) is checked beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "chimekit/editing/song_output.h"
#include "chimekit/ringtone/retime.h"
#include "chimekit/ringtone/ringtone.h"
#include "chimekit/ringtone/ringtone_song.h"
#include "midifile/song_writer.h"
#include "midifile/tempo_map.h"
#include "support/load_midi.h"
#include "support/run_command.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace {

using chimekit::NoteFate;
using test_support::Smf;
using test_support::Track;

// Division 96 at 120 BPM (a tick is 5.2 ms): the title, copyright and a
// text; a chord of keys 60, 64, 67 from 0 to 250 ms, key 72 from 500 to 750,
// a kick (channel 10, key 36) from 1000 to 1125, key 74 from 1500 to 2500.
std::string Song() {
  return Smf(0, 96, {Track()
                         .Meta(0, 0x03, "Title")
                         .Meta(0, 0x02, "(c) X")
                         .Meta(0, 0x01, "text")
                         .Tempo(0, 500000)
                         .NoteOn(0, 0, 60, 100).NoteOn(0, 0, 64, 100).NoteOn(0, 0, 67, 100)
                         .NoteOff(48, 0, 60).NoteOff(0, 0, 64).NoteOff(0, 0, 67)
                         .NoteOn(48, 0, 72, 100).NoteOff(48, 0, 72)
                         .NoteOn(48, 9, 36, 100).NoteOff(24, 9, 36)
                         .NoteOn(72, 0, 74, 100).NoteOff(192, 0, 74)
                         .EndOfTrack()});
}

// Division 1000 (half a millisecond a tick): key 62 from 0 to 50 ms, key 60
// from 499 to 600 ms, which the 4 ms grid puts at 500.
std::string NearTheEnd() {
  return Smf(0, 1000, {Track().NoteOn(0, 0, 62, 90).NoteOff(100, 0, 62).NoteOn(898, 0, 60, 90).NoteOff(202, 0, 60)});
}

// Seventeen notes at once on all sixteen channels (two on channel 1) from
// 0 to 250 ms, then at 500 ms a drum key (20) that no SMAF drum plays, for
// 125 ms (624 ms on the 4 ms grid).
std::string Crowd() {
  Track track;
  for (int channel = 0; channel < 16; ++channel) track.NoteOn(0, channel, channel == 9 ? 42 : 60 + channel, 100);
  track.NoteOn(0, 0, 50, 100);
  for (int channel = 0; channel < 16; ++channel) track.NoteOff(channel == 0 ? 48 : 0, channel, channel == 9 ? 42 : 60 + channel);
  return Smf(0, 96, {track.NoteOff(0, 0, 50).NoteOn(48, 9, 20, 100).NoteOff(24, 9, 20).EndOfTrack()});
}

// Format 1 at division 96: 120 BPM, then 240 BPM from tick 96 (500 ms); a
// text at tick 10. Track 1: a system-exclusive event, keys 60, 62, 64 at
// ticks 0, 96, 192 (0, 500, 750 ms), each 48 ticks long, no end of track.
std::string TwoTempos() {
  return Smf(1, 96, {Track().Tempo(0, 500000).Meta(10, 0x01, "hello").Tempo(86, 250000).EndOfTrack(96),
                     Track()
                         .Raw(0, {0xF0, 0x02, 0x7E, 0xF7})
                         .NoteOn(0, 1, 60, 100).NoteOff(48, 1, 60)
                         .NoteOn(48, 1, 62, 100).NoteOff(48, 1, 62)
                         .NoteOn(48, 1, 64, 100).NoteOff(48, 1, 64)});
}

chimekit::RingtoneOptions Options(uint32_t start_ms, uint32_t length_ms, std::optional<uint8_t> limit = std::nullopt) {
  chimekit::RingtoneOptions options;
  options.window = chimekit::RingtoneWindow{start_ms, length_ms};
  options.note_limit = limit;
  options.notes = true;
  return options;
}

// A changed song as the finish takes it (division 500, a tick a
// millisecond): what the stages before it left.
chimekit::Song Changed(const std::string& track) {
  return chimekit::LoadedSong(test_support::LoadMidi(Smf(0, 500, {track})), false);
}

std::string Write(const chimekit::Song& song) { return midifile::WriteSong(song.file); }

struct Case {
  const char* name;
  // Runs the stage and gives the MIDI song it made; may check more.
  std::function<std::string()> run;
  // mido: the song's length, then the time of each note-on, in ms.
  const char* mido_times;
};

std::vector<NoteFate> Fates(const chimekit::RingtoneJob& job) {
  std::vector<NoteFate> fates;
  for (const chimekit::RingtoneNote& note : job.notes) fates.push_back(note.fate);
  return fates;
}

const std::vector<Case>& Cases() {
  using F = NoteFate;
  static const std::vector<Case> cases = {
      {"the whole song: re-timed only, every note kept, the song's name and copyright its title and copyright",
       [] {
         chimekit::RingtoneJob job = chimekit::MakeRingtone(Song(), Options(0, 30000));
         EXPECT_FALSE(job.cut);
         EXPECT_EQ(Fates(job), std::vector<F>(6, F::kKept));
         EXPECT_NE(job.smaf.bytes.find("CNTI\0\0\0\x17\0\0\x01\0\0CR:(c) X,ST:Title,MTR", 0, 33), std::string::npos);
         EXPECT_EQ(job.smaf.summary.notes_converted, 6);
         return job.song;
       },
       "2500.000 0.000 0.000 0.000 500.000 1000.000 1500.000"},
      {"a limit of two notes leaves the chord's third out",
       [] {
         chimekit::RingtoneJob job = chimekit::MakeRingtone(Song(), Options(0, 30000, 2));
         EXPECT_EQ(Fates(job), (std::vector<F>{F::kKept, F::kKept, F::kNoteLimit, F::kKept, F::kKept, F::kKept}));
         EXPECT_NE(chimekit::RingtoneReport(job).find("note-ons dropped: 1 (channel 1: 1)"), std::string::npos);
         // The changed song starts with the content.
         EXPECT_EQ(test_support::LoadMidi(job.song).GetTrack(0).TrackName(), "Title");
         return job.song;
       },
       "2500.000 0.000 0.000 500.000 1000.000 1500.000"},
      {"a window from 1.2 s, 1 s long: key 74 from 300 ms, ended at the window's end",
       [] {
         chimekit::RingtoneJob job = chimekit::MakeRingtone(Song(), Options(1200, 1000));
         EXPECT_TRUE(job.cut);
         EXPECT_EQ(Fates(job), std::vector<F>{F::kKept});
         EXPECT_EQ(job.notes.at(0).start_ms, 300u);
         EXPECT_EQ(job.notes.at(0).end_ms, 1000u);
         return job.song;
       },
       "1000.000 300.000"},
      {"a window from 0.9 s, 0.2 s long: the kick, cut where the window ends",
       [] { return chimekit::MakeRingtone(Song(), Options(900, 200)).song; }, "200.000 100.000"},
      {"a window that ends in a rest keeps it: a pitch bend to the centre marks the end",
       [] {
         chimekit::RingtoneJob job = chimekit::MakeRingtone(Song(), Options(300, 1000));
         const midifile::TMidiFile song = test_support::LoadMidi(job.song);
         const auto events = song.GetTrack(0).Events();
         const midifile::TMidiEvent& bend = events[events.size() - 2];
         EXPECT_TRUE(bend.Status == 0xE9 && bend.Data2 == 0x40 && bend.Time == 1000) << int{bend.Status};
         return job.song;
       },
       "1000.000 200.000 700.000"},
      {"a song without a name: the file's name is the title; the first track alone keeps every text, as the export",
       [] {
         chimekit::RingtoneOptions options = Options(0, 30000);
         options.file_name = "tunes/My Tone.mid";
         chimekit::RingtoneJob job = chimekit::MakeRingtone(NearTheEnd(), options);
         EXPECT_EQ(job.kept.title_from, chimekit::TitleSource::kFileName);
         EXPECT_NE(job.smaf.bytes.find("\x01\0\0ST:My Tone,MTR"), std::string::npos);
         options.first_track_only = true;
         EXPECT_NE(chimekit::MakeRingtone(Song(), options).smaf.bytes.find("VN:text,CR:(c) X,ST:Title,MTR"),
                   std::string::npos);
         return job.song;
       },
       "600.000 0.000 500.000"},
      {"a title given, no copyright: the song's texts are left; the merged song's first name is its title",
       [] {
         chimekit::RingtoneOptions options = Options(0, 1000);
         options.title = "Given";
         options.copyright = "";
         chimekit::RingtoneJob job = chimekit::MakeRingtone(Song(), options);
         EXPECT_NE(job.smaf.bytes.find("\x01\0\0ST:Given,MTR"), std::string::npos);
         const std::string named = Smf(1, 96, {Track().Meta(0, 0x03, "Song").Tempo(0, 500000).EndOfTrack(),
                                              Track().Meta(0, 0x03, "Piano").Meta(0, 0x02, "(c) Y").NoteOn(0, 0, 60, 90)
                                                  .NoteOff(96, 0, 60).EndOfTrack()});
         chimekit::RingtoneJob merged = chimekit::MakeRingtone(named, Options(0, 30000));
         EXPECT_EQ(chimekit::TitleText(merged.kept), "title: \"Song\" (the song's name), copyright: \"(c) Y\"");
         return job.song;
       },
       "1000.000 0.000 0.000 0.000 500.000 1000.000"},
      {"a window after the song: nothing to play",
       [] {
         chimekit::RingtoneJob job = chimekit::MakeRingtone(Song(), Options(5000, 30000));
         EXPECT_TRUE(job.notes.empty());
         EXPECT_EQ(job.smaf.summary.notes_converted, 0);
         return job.song;
       },
       "0.000"},
      {"a note at 499 ms lands on the window's end on the grid: it has no length left",
       [] {
         chimekit::RingtoneJob job = chimekit::MakeRingtone(NearTheEnd(), Options(0, 500));
         EXPECT_EQ(Fates(job), (std::vector<F>{F::kKept, F::kNoLength}));
         return job.song;
       },
       "500.000 0.000 500.000"},
      {"seventeen notes at once: one finds no free channel; a drum key no drum plays becomes a rest",
       [] {
         chimekit::RingtoneJob job = chimekit::MakeRingtone(Crowd(), Options(0, 30000));
         std::vector<NoteFate> fates = Fates(job);
         EXPECT_EQ(std::count(fates.begin(), fates.end(), F::kKept), 16) << chimekit::RingtoneReport(job);
         EXPECT_EQ(std::count(fates.begin(), fates.end(), F::kNoFreeChannel), 1);
         EXPECT_EQ(std::count(fates.begin(), fates.end(), F::kRest), 1);
         EXPECT_EQ(job.smaf.summary.notes_without_slot, 1);
         return job.song;
       },
       "624.000 0.000 0.000 0.000 0.000 0.000 0.000 0.000 0.000 0.000 0.000 0.000 0.000 0.000 0.000 0.000 0.000 0.000 "
       "500.000"},
      {"re-timing: every tempo counted, the text kept, system exclusive left out, an end of track added",
       [] {
         const chimekit::Song song = chimekit::LoadedSong(test_support::LoadMidi(TwoTempos()), false);
         const chimekit::Song retimed = chimekit::RetimeSong(song, midifile::TTempoMap(song.file), 1);
         EXPECT_EQ(retimed.file.TicksPerQuarter(), 500);
         const midifile::TMidiEvent& text = *retimed.file.GetTrack(0).GetEvent(1);
         EXPECT_TRUE(text.IsMeta(0x01) && text.Time == 52 && midifile::ByteView(text.DataBytes) == "hello");
         EXPECT_EQ(retimed.file.GetTrack(1).GetEvent(0)->Status, 0x91);
         EXPECT_TRUE(retimed.file.GetTrack(1).Events().back().IsEndOfTrack());
         return Write(retimed);
       },
       "875.000 0.000 500.000 750.000"},
      {"finish: a note sounding at All Notes Off ends there, at the window's end; texts left out, the content first",
       [] {
         const chimekit::Song finished = chimekit::FinishRingtoneSong(
             Changed(Track()
                         .Meta(0, 0x01, "left out")
                         .NoteOn(0, 0, 60, 90).NoteOn(0, 0, 64, 90).NoteOff(100, 0, 60)
                         .Control(200, 0, 123, 0).EndOfTrack()),
             500, 250, {{0x03, "Name"}});
         const auto events = finished.file.GetTrack(0).Events();
         EXPECT_TRUE(events[0].IsMeta(0x03) && midifile::ByteView(events[0].DataBytes) == "Name");
         EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const auto& e) { return e.IsMeta(0x01); }), 0);
         const midifile::TMidiEvent& off = events[events.size() - 3];
         EXPECT_TRUE(off.Status == 0x80 && off.Data1 == 64 && off.Time == 250);
         return Write(finished);
       },
       "250.000 0.000 0.000"},
      {"finish: a rest before the window's end is marked with a pitch bend to the centre",
       [] {
         const chimekit::Song finished = chimekit::FinishRingtoneSong(
             Changed(Track().NoteOn(0, 2, 60, 90).NoteOff(100, 2, 60).EndOfTrack(300)), 500, 300, {});
         const auto events = finished.file.GetTrack(0).Events();
         const midifile::TMidiEvent& bend = events[events.size() - 2];
         EXPECT_TRUE(bend.Status == 0xE2 && bend.Data2 == 0x40 && bend.Time == 300);
         return Write(finished);
       },
       "300.000 0.000"},
  };
  return cases;
}

TEST(RingtoneJob, StagesCalledDirectly) {
  test_support::TempDir dir;
  std::vector<std::string> paths;
  std::string expected;
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    paths.push_back(dir.Write(std::to_string(paths.size()) + ".mid", c.run()));
    expected += std::string(c.mido_times) + "\n";
  }
  std::vector<std::string> arguments = {CHIMEKIT_TESTS_DIR "/support/mido_summary.py", "--note-times"};
  arguments.insert(arguments.end(), paths.begin(), paths.end());
  test_support::CommandResult mido = test_support::RunProgram("/usr/bin/python3", arguments);
  ASSERT_EQ(mido.exit_code, 0) << mido.err;
  EXPECT_EQ(mido.out, expected);
}

}  // namespace
