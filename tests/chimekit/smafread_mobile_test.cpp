// Reading Mobile Standard SMAF files built byte by byte from the format's
// facts: the same song in both forms, compressed and not, gives the same
// score and the same MIDI file, and mido reads that file as the bytes say.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "chimekit/smafread/listing.h"
#include "chimekit/smafread/midi.h"
#include "chimekit/smafread/read.h"
#include "support/run_command.h"
#include "support/smaf_builder.h"
#include "support/temp_dir.h"

namespace {

using namespace test_support::smaf_bytes;
using chimekit::smafread::EventKind;
using chimekit::smafread::FmVoice;
using chimekit::smafread::ScoreEvent;
using chimekit::smafread::SmafScore;

// A 4-operator FM voice (algorithm 2) as its 31 bytes: drum key, panpot 15
// with basic octave 1, LFO 1 with pan enable and algorithm 2, then per
// operator i: SR 3 XOF SUS KSR; RR 5 DR 6; AR 15 SL 2; TL 20 KSL 1;
// DAM 2 EAM DVB 1 EVB; MULTI i+1 DT 3; WS 5 FB i.
std::string FmBody() {
  std::string body = B({0x00, 0x79, 0x62});
  for (int i = 0; i < 4; ++i) body += B({0x3B, 0x56, 0xF2, 0x51, 0x53, ((i + 1) << 4) | 3, 0x28 | i});
  return body;
}

// Seven bits a byte: groups of a byte of high bits (the first byte's in
// bit 6) and seven bytes.
std::string Pack(const std::string& bytes) {
  std::string packed;
  for (size_t group = 0; group < bytes.size(); group += 7) {
    int high = 0;
    std::string low;
    for (size_t i = 0; i < 7 && group + i < bytes.size(); ++i) {
      const int byte = static_cast<unsigned char>(bytes[group + i]);
      high |= ((byte >> 7) & 1) << (6 - i);
      low.push_back(static_cast<char>(byte & 0x7F));
    }
    packed += static_cast<char>(high) + low;
  }
  return packed;
}

std::string Exclusive(const std::string& message) { return B({0xF0}) + Num(static_cast<uint32_t>(message.size() + 1)) + message + B({0xF7}); }

std::string Setup() {
  // Program 5 packed, program 6 as it stands: the same voice.
  const std::string packed = Exclusive(B({0x43, 0x79, 0x06, 0x7F, 0x01, 0x7C, 0x00, 0x05, 0x00, 0x00}) + Pack(FmBody()));
  const std::string plain = Exclusive(B({0x43, 0x79, 0x07, 0x7F, 0x01, 0x7C, 0x00, 0x06, 0x00, 0x00}) + FmBody());
  // A PCM drum voice for key 36: 8000 Hz, panpot 15 with pan enable, LFO 2,
  // SR 1; RR 4 DR 2; AR 15 SL 3; TL 10; loop 16 to 100 on wave 1.
  const std::string pcm = Exclusive(B({0x43, 0x79, 0x07, 0x7F, 0x01, 0x7D, 0x00, 0x00, 0x24, 0x01, 0x1F, 0x40, 0x79,
                                      0x80, 0x10, 0x42, 0xF3, 0x28, 0, 0, 0, 0x00, 0x10, 0x00, 0x64, 0x81, 0, 0, 0}));
  return Chunk("Mtsu", packed + plain + pcm);
}

// Durations in units of 2 ms, gate times in units of 4 ms.
std::string Events() {
  return Num(0) + B({0xB0, 0x00, 0x7C}) + Num(0) + B({0xB0, 0x20, 0x00}) + Num(0) + B({0xC0, 0x05}) +
         Num(0) + B({0x90, 60, 100}) + Num(50) +        // 0 ms: note 60, 200 ms
         Num(100) + B({0x80, 62}) + Num(25) +           // 200 ms: note 62 at the last velocity
         Num(0) + B({64}) + Num(25) +                   // running status: note 64
         Num(10) + B({0xB0, 0x07, 100}) +               // 220 ms: volume
         Num(0) + B({0xE0, 0x00, 0x50}) +               // pitch bend 10240
         Num(5) + Exclusive(B({0x43, 0x79, 0x06, 0x7F})) +  // 230 ms
         Num(5) + B({0xFF, 0x00}) +                     // 240 ms: no-operation
         Num(0) + B({0x99, 60, 80}) + Num(10) +         // channel 9, melody
         Num(0) + B({0xB3, 0x00, 0x7D}) +               // channel 3, rhythm: the drum bank
         Num(0) + B({0x93, 36, 112}) + Num(10) +
         Num(1) + B({0x9F, 72, 127}) + Num(1000) +      // 242 ms, 4000 ms long
         Num(200) + B({0xFF, 0x2F, 0x00});              // the end at 642 ms
}

std::string Song(bool compressed) {
  std::string status(16, '\0');
  status[3] = 0x03;  // rhythm
  status[9] = 0x01;  // melody
  const std::string wave = Chunk("Mwa\x01", B({0x10, 0x1F, 0x40}) + std::string(100, '\x77'));
  const std::string phrases = "st:" + Be32(0) + "," + "sp:" + Be32(321) + ",";
  const std::string track = Mtr(5, compressed ? 1 : 2, 0x01, 0x02, status,
                                Setup() + Chunk("MspI", phrases) +
                                    Chunk("Mtsq", compressed ? Compress(Events()) : Events()) +
                                    Chunk("Mtsp", wave));
  const std::string data = Chunk("Dch\x01", "ST" + B({0, 4}) + "Song" + "AN" + B({0, 4}) + "Band" + "CR" + B({0, 3}) + "(c)");
  return File(Cnti("", 0x01) + Chunk("OPDA", data) + track);
}

std::vector<ScoreEvent> WithoutOffsets(std::vector<ScoreEvent> events) {
  for (ScoreEvent& event : events) event.at = 0;
  return events;
}

bool SameEvents(const std::vector<ScoreEvent>& a, const std::vector<ScoreEvent>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const ScoreEvent &x = a[i], &y = b[i];
    if (x.time_ms != y.time_ms || x.gate_ms != y.gate_ms || x.units != y.units ||
        x.data != y.data || x.voice != y.voice || x.kind != y.kind || x.channel != y.channel || x.key != y.key ||
        x.velocity != y.velocity || x.code != y.code) {
      return false;
    }
  }
  return true;
}

TEST(SmafReadMobile, BothFormsGiveOneScoreAndMidoReadsTheMidi) {
  const std::string plain = Song(false);
  const std::string compressed = Song(true);
  const SmafScore a = chimekit::smafread::ReadSmafScore(plain);
  const SmafScore b = chimekit::smafread::ReadSmafScore(compressed);
  for (const SmafScore* score : {&a, &b}) {
    ASSERT_TRUE(score->problems.empty()) << score->problems.front().text;
    ASSERT_EQ(score->score_tracks.size(), 1u);
  }
  EXPECT_EQ(b.score_tracks[0].decoded_size, Events().size());
  EXPECT_TRUE(SameEvents(WithoutOffsets(a.score_tracks[0].events), WithoutOffsets(b.score_tracks[0].events)));
  const auto midi_a = chimekit::smafread::SmafToMidi(plain, a);
  const auto midi_b = chimekit::smafread::SmafToMidi(compressed, b);
  EXPECT_EQ(midi_a.bytes, midi_b.bytes);
  SmafScore streamed;
  EXPECT_EQ(chimekit::smafread::ReadSmafToMidi(compressed, streamed).bytes, midi_a.bytes);
  EXPECT_TRUE(streamed.score_tracks.at(0).events.empty());
  EXPECT_EQ(midi_a.summary.Text(), "score tracks: 1 (Mobile Standard), notes: 6, audio tracks: 0");

  test_support::TempDir dir;
  const std::string path = dir.Write("song.mid", midi_a.bytes);
  const test_support::CommandResult mido =
      test_support::RunProgram("/usr/bin/python3", {CHIMEKIT_TESTS_DIR "/support/mido_events.py", path});
  ASSERT_EQ(mido.exit_code, 0) << mido.err;
  // Channel 0 keeps its number, rhythm channel 3 plays on MIDI channel 10
  // (9 here), melody channel 9 takes the lowest free channel (1).
  EXPECT_EQ(mido.out,
            "1 500 2\n"
            "0 0 track_name name='Song'\n"
            "0 0 copyright text='(c)'\n"
            "0 0 text text='Band'\n"
            "0 0 set_tempo tempo=500000\n"
            "0 0 end_of_track\n"
            "1 0 track_name name='score track 5'\n"
            "1 0 control_change channel=0 control=0 value=124\n"
            "1 0 control_change channel=0 control=32 value=0\n"
            "1 0 program_change channel=0 program=5\n"
            "1 0 note_on channel=0 note=60 velocity=100\n"
            "1 200 note_off channel=0 note=60 velocity=64\n"
            "1 200 note_on channel=0 note=62 velocity=100\n"
            "1 200 note_on channel=0 note=64 velocity=100\n"
            "1 220 control_change channel=0 control=7 value=100\n"
            "1 220 pitchwheel channel=0 pitch=2048\n"
            "1 230 sysex data=[67, 121, 6, 127]\n"
            "1 240 note_on channel=1 note=60 velocity=80\n"
            "1 240 control_change channel=9 control=0 value=125\n"
            "1 240 note_on channel=9 note=36 velocity=112\n"
            "1 242 note_on channel=15 note=72 velocity=127\n"
            "1 280 note_off channel=1 note=60 velocity=64\n"
            "1 280 note_off channel=9 note=36 velocity=64\n"
            "1 300 note_off channel=0 note=62 velocity=64\n"
            "1 300 note_off channel=0 note=64 velocity=64\n"
            "1 4242 note_off channel=15 note=72 velocity=64\n"
            "1 4242 end_of_track\n");

}

TEST(SmafReadMobile, LongCompressedSequencesDecodeAsTheyStand) {
  // Long enough that the decoder takes its codes through its table.
  std::string events;
  uint32_t state = 7;
  for (int i = 0; i < 6000; ++i) {
    state = state * 1103515245u + 12345u;
    events += Num((state >> 8) % 300) + B({0x90 | static_cast<int>((state >> 4) & 15), static_cast<int>((state >> 16) % 128),
                                          1 + static_cast<int>((state >> 24) % 127)}) + Num((state >> 12) % 2000);
  }
  events += Num(0) + B({0xFF, 0x2F, 0x00});
  const auto file = [&](bool compressed) {
    return File(Cnti() + Mtr(5, compressed ? 1 : 2, 0x02, 0x02, std::string(16, '\0'),
                             Chunk("Mtsq", compressed ? Compress(events) : events)));
  };
  const SmafScore plain = chimekit::smafread::ReadSmafScore(file(false));
  const SmafScore compressed = chimekit::smafread::ReadSmafScore(file(true));
  ASSERT_TRUE(compressed.problems.empty()) << compressed.problems.front().text;
  ASSERT_GE(Compress(events).size(), 8192u);
  EXPECT_EQ(compressed.score_tracks.at(0).events.size(), 6001u);
  EXPECT_TRUE(SameEvents(WithoutOffsets(plain.score_tracks.at(0).events), WithoutOffsets(compressed.score_tracks.at(0).events)));
}

TEST(SmafReadMobile, SetupVoicesStreamPcmAndSeekPoints) {
  const std::string file = Song(false);
  const SmafScore score = chimekit::smafread::ReadSmafScore(file);
  ASSERT_EQ(score.score_tracks.size(), 1u);
  const auto& track = score.score_tracks[0];
  ASSERT_EQ(track.voices.size(), 3u);
  // The packed and the plain message give one voice.
  for (const auto& voice : {track.voices[0], track.voices[1]}) {
    const FmVoice& fm = voice.fm;
    EXPECT_EQ(voice.kind, chimekit::smafread::VoiceKind::kFm);
    EXPECT_EQ(voice.bank_msb, 0x7C);
    EXPECT_EQ(fm.algorithm, 2);
    EXPECT_EQ(fm.operator_count, 4);
    EXPECT_EQ(fm.panpot, 15);
    EXPECT_EQ(fm.basic_octave, 1);
    EXPECT_EQ(fm.lfo, 1);
    EXPECT_TRUE(fm.pan_enable);
    for (int i = 0; i < 4; ++i) {
      const auto& op = fm.operators[static_cast<size_t>(i)];
      const std::vector<int> fields = {op.sustain_rate, op.ignore_key_off, op.sustain, op.key_scale_rate,
                                       op.release_rate, op.decay_rate,     op.attack_rate, op.sustain_level,
                                       op.total_level,  op.key_scale_level, op.am_depth,  op.am,
                                       op.vibrato_depth, op.vibrato,       op.multiplier, op.detune,
                                       op.waveform,     op.feedback};
      EXPECT_EQ(fields, (std::vector<int>{3, 1, 1, 1, 5, 6, 15, 2, 20, 1, 2, 1, 1, 1, i + 1, 3, 5, i})) << i;
    }
  }
  EXPECT_EQ(track.voices[0].program, 5);
  EXPECT_EQ(track.voices[1].program, 6);
  const auto& pcm = track.voices[2];
  EXPECT_EQ(pcm.kind, chimekit::smafread::VoiceKind::kPcm);
  EXPECT_EQ(pcm.drum_key, 36);
  const std::vector<int> pcm_fields = {static_cast<int>(pcm.pcm.rate_hz), pcm.pcm.panpot,       pcm.pcm.pan_enable,
                                       pcm.pcm.lfo,           pcm.pcm.sustain_rate, pcm.pcm.release_rate,
                                       pcm.pcm.decay_rate,    pcm.pcm.attack_rate,  pcm.pcm.sustain_level,
                                       pcm.pcm.total_level,   pcm.pcm.loop_point,   pcm.pcm.end_point,
                                       pcm.pcm.loop,          pcm.pcm.wave};
  EXPECT_EQ(pcm_fields, (std::vector<int>{8000, 15, 1, 2, 1, 4, 2, 15, 3, 10, 16, 100, 1, 1}));
  // Notes of channel 0 play program 5 of bank 124; the rhythm note of key
  // 36 the drum voice of bank 125 for that key; the others have none.
  for (const ScoreEvent& event : track.events) {
    if (event.kind != EventKind::kNote) continue;
    EXPECT_EQ(event.voice, event.channel == 0 ? 0 : event.channel == 3 ? 2 : -1) << int{event.key};
  }
  ASSERT_EQ(track.waves.size(), 1u);
  EXPECT_EQ(track.waves[0].number, 1);
  EXPECT_EQ(track.waves[0].format, chimekit::smafread::WaveFormat::kAdpcm);
  EXPECT_EQ(track.waves[0].rate_hz, 8000u);
  EXPECT_EQ(track.waves[0].data.size, 100u);
  EXPECT_EQ(chimekit::smafread::BytesOf(file, track.waves[0].data), std::string(100, '\x77'));
  const auto listing = chimekit::smafread::ListSmaf(file, score);
  EXPECT_TRUE(listing.ok);
  for (const char* line : {"    \"sp\": 00 00 01 41 (321)", "    Mwa wave 1, 103 bytes: ADPCM, mono, 4 bits, 8000 Hz, 200 samples (0.025 s)",
                           "    +0 ch9 note 60 velocity 80 gate 10", "  channel types: ch3 rhythm, ch9 melody"}) {
    EXPECT_NE(std::find(listing.lines.begin(), listing.lines.end(), line), listing.lines.end()) << line;
  }
  if (HasFailure()) {
    for (const std::string& line : listing.lines) std::cout << line << "\n";
  }
}

}  // namespace
