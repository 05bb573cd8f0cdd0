// The jobs' C interface, through the shared library loaded as a host loads
// it: every job's result for a good and a damaged input, compared with what
// the tool gives for the same song.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "chimekit_jobs.h"
#include "support/run_command.h"
#include "support/shared_library.h"
#include "support/smaf_builder.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace {

using test_support::ReadFileBytes;

class Jobs : public ::testing::Test {
 protected:
  Jobs() {
    EXPECT_TRUE(library_.Loaded()) << test_support::SharedLibrary::LastError();
    ringtone_ = library_.Export<decltype(&ck_ringtone)>("ck_ringtone");
    song_ = library_.Export<decltype(&ck_song)>("ck_song");
    render_ = library_.Export<decltype(&ck_render)>("ck_render");
    smaf_ = library_.Export<decltype(&ck_smaf)>("ck_smaf");
    smaf_to_midi_ = library_.Export<decltype(&ck_smaf_to_midi)>("ck_smaf_to_midi");
    status_ = library_.Export<decltype(&ck_status)>("ck_status");
    text_ = library_.Export<decltype(&ck_text)>("ck_text");
    bytes_ = library_.Export<decltype(&ck_bytes)>("ck_bytes");
    samples_ = library_.Export<decltype(&ck_samples)>("ck_samples");
    free_ = library_.Export<decltype(&ck_free)>("ck_free");
  }

  struct Result {
    int32_t status = -1;
    std::string text, first, second;
    size_t samples = 0;
  };
  // Reads a result whole and frees it.
  Result Take(ck_result* result) const {
    Result taken;
    EXPECT_NE(result, nullptr);
    size_t size = 0;
    taken.status = status_(result);
    const char* text = text_(result, &size);
    taken.text.assign(text, size);
    EXPECT_EQ(std::strlen(text), size);
    const uint8_t* bytes = bytes_(result, 0, &size);
    taken.first.assign(reinterpret_cast<const char*>(bytes), size);
    bytes = bytes_(result, 1, &size);
    taken.second.assign(reinterpret_cast<const char*>(bytes), size);
    EXPECT_EQ(bytes_(result, 2, &size), nullptr);
    samples_(result, &taken.samples);
    free_(result);
    return taken;
  }
  static const uint8_t* Data(const std::string& bytes) { return reinterpret_cast<const uint8_t*>(bytes.data()); }

  test_support::SharedLibrary library_{CHIMEKIT_JOBS_LIBRARY_PATH};
  test_support::TempDir dir_;
  decltype(&ck_ringtone) ringtone_;
  decltype(&ck_song) song_;
  decltype(&ck_render) render_;
  decltype(&ck_smaf) smaf_;
  decltype(&ck_smaf_to_midi) smaf_to_midi_;
  decltype(&ck_status) status_;
  decltype(&ck_text) text_;
  decltype(&ck_bytes) bytes_;
  decltype(&ck_samples) samples_;
  decltype(&ck_free) free_;
};

uint32_t Le32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes.at(at + i))) << (8 * i);
  return value;
}

TEST_F(Jobs, TheRingtoneIsTheToolsAndTheRenderAWavFileOfItsFrames) {
  ASSERT_TRUE(free_);
  const std::string example = ReadFileBytes(CHIMEKIT_TESTS_DIR "/../examples/ringtone.mid");
  const std::string tool_out = dir_.Path("tool.mmf");
  const test_support::CommandResult tool =
      test_support::RunChimekit({"ringtone", CHIMEKIT_TESTS_DIR "/../examples/ringtone.mid", tool_out, "--limit", "1"});
  ASSERT_EQ(tool.exit_code, 0) << tool.err;

  const Result ringtone =
      Take(ringtone_(Data(example), example.size(), "ringtone.mid", 0, 30000, 1, 0, CK_NOTES | CK_LISTING, nullptr, nullptr));
  ASSERT_EQ(ringtone.status, 0) << ringtone.text;
  EXPECT_EQ(ringtone.first, ReadFileBytes(tool_out));
  // The summary in words is the tool's, with its numbers beside it.
  std::string summary;
  for (const char c : tool.out) summary += c == '\n' ? std::string("\\n") : c == '"' ? std::string("\\\"") : std::string(1, c);
  EXPECT_NE(ringtone.text.find("\"summary\":\"" + summary + "\""), std::string::npos) << ringtone.text;
  // Where each note went agrees with the summary's counts: the converted
  // notes kept, the note-ons over the limit dropped, nothing else.
  const auto figure = [&](const char* label) {
    const size_t at = tool.out.find(label);
    return at == std::string::npos ? std::string("?") : std::to_string(std::stoi(tool.out.substr(at + std::strlen(label))));
  };
  EXPECT_NE(ringtone.text.find("\"noteCounts\":[" + figure("notes converted: ") + ",0," + figure("note-ons dropped: ") +
                               ",0,0,0,0,0]"),
            std::string::npos)
      << ringtone.text.substr(0, 900);
  EXPECT_NE(ringtone.text.find("\"listingOk\":true"), std::string::npos);
  EXPECT_EQ(ringtone.second.substr(0, 4), "MThd");

  // The whole song without flags: no notes, no listing.
  const Result whole = Take(ringtone_(Data(example), example.size(), nullptr, 0, 0, -1, 0, 0, "Whole", ""));
  EXPECT_NE(whole.text.find("\"title\":[87,104,111,108,101],\"titleFrom\":\"given\",\"copyright\":[]"),
            std::string::npos) << whole.text;
  EXPECT_EQ(whole.text.find("\"notes\""), std::string::npos);
  EXPECT_EQ(whole.text.find("\"listing\""), std::string::npos);
  EXPECT_NE(whole.text.find("\"cut\":false"), std::string::npos);

  const Result wav = Take(render_(Data(ringtone.first), ringtone.first.size(), 2000, 1, 0));
  ASSERT_EQ(wav.status, 0) << wav.text;
  EXPECT_NE(wav.text.find("\"frames\":88200"), std::string::npos) << wav.text;
  EXPECT_EQ(wav.first.substr(0, 4) + wav.first.substr(8, 4), "RIFFWAVE");
  EXPECT_EQ(Le32(wav.first, 40), 88200u * 2);  // the data chunk: 2 s of mono 16-bit samples
  const Result planes = Take(render_(Data(ringtone.first), ringtone.first.size(), 2000, 2, CK_SAMPLES));
  EXPECT_TRUE(planes.first.empty());
  EXPECT_EQ(planes.samples, 88200u * 2);
}

// A text as a JSON string holds it (the texts here: no control bytes but
// the line ends).
std::string Json(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) out += c == '\n' ? std::string("\\n") : c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
  return out + "\"";
}

TEST_F(Jobs, TheSmafJobsAreTheToolsInspectAndMidi) {
  ASSERT_TRUE(free_);
  const std::string ring = dir_.Path("ring.mmf");
  ASSERT_EQ(test_support::RunChimekit({"smaf", CHIMEKIT_TESTS_DIR "/../examples/ringtone.mid", ring}).exit_code, 0);
  std::string damaged = ReadFileBytes(ring);
  damaged.back() = static_cast<char>(damaged.back() ^ 1);  // the CRC
  for (const std::string& file : {ring, dir_.Write("damaged.mmf", damaged)}) {
    const std::string bytes = ReadFileBytes(file);
    const test_support::CommandResult listed = test_support::RunChimekit({"inspect", file});
    const test_support::CommandResult midi = test_support::RunChimekit({"midi", file, dir_.Path("back.mid")});
    ASSERT_EQ(midi.exit_code, 0) << midi.err;
    const std::string summary = midi.out.substr(0, midi.out.size() - 1);

    const Result info = Take(smaf_(Data(bytes), bytes.size(), CK_LISTING | CK_NOTES));
    ASSERT_EQ(info.status, 0) << info.text;
    EXPECT_NE(info.text.find("\"listing\":" + Json(listed.out)), std::string::npos) << file;
    EXPECT_NE(info.text.find("\"ok\":" + std::string(listed.exit_code == 0 ? "true" : "false")), std::string::npos);
    EXPECT_NE(info.text.find("\"crc\":\"" + std::string(file == ring ? "matches" : "differs") + "\""), std::string::npos);
    EXPECT_NE(info.text.find("\"midi\":{\"summary\":" + Json(summary) + ",\"notes\":79,\"noNote\":\"\"}"),
              std::string::npos)
        << info.text.substr(0, 600);
    // Five numbers a note.
    const size_t notes = info.text.find("\"notes\":[");
    ASSERT_NE(notes, std::string::npos);
    const std::string numbers = info.text.substr(notes, info.text.find(']', notes) - notes);
    EXPECT_EQ(std::count(numbers.begin(), numbers.end(), ',') + 1, 5 * 79);
    EXPECT_TRUE(info.first.empty());

    const Result converted = Take(smaf_to_midi_(Data(bytes), bytes.size()));
    ASSERT_EQ(converted.status, 0) << converted.text;
    EXPECT_EQ(converted.first, ReadFileBytes(dir_.Path("back.mid")));
    EXPECT_NE(converted.text.find("{\"summary\":" + Json(summary) + ",\"notes\":79,"), std::string::npos)
        << converted.text;
    EXPECT_NE(converted.text.find("\"problems\":" + std::string(file == ring ? "0" : "1")), std::string::npos);
  }
  // Without flags: neither the listing nor the notes.
  const std::string bytes = ReadFileBytes(ring);
  const Result bare = Take(smaf_(Data(bytes), bytes.size(), 0));
  EXPECT_EQ(bare.text.find("\"listing\""), std::string::npos);
  EXPECT_EQ(bare.text.find("\"notes\":["), std::string::npos);
}

TEST_F(Jobs, FailuresAreStatus1WithTheLibrarysText) {
  ASSERT_TRUE(free_);
  const std::string song = test_support::Smf(0, 96, {test_support::Track().NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60)});
  const std::string cut = song.substr(0, song.size() - 3);
  const std::string silent = test_support::smaf_bytes::File(test_support::smaf_bytes::Cnti());
  const struct {
    ck_result* result;
    const char* text;
  } cases[] = {
      {ringtone_(Data(cut), cut.size(), "cut.mid", 0, 30000, -1, 0, 0, nullptr, nullptr), "Read beyond end of file"},
      {song_(Data(cut), cut.size()), "Read beyond end of file"},
      {ringtone_(nullptr, 0, nullptr, 0, 30000, -1, 0, 0, nullptr, nullptr), "The file holds no track to convert"},
      {render_(Data(song), song.size(), 0, 2, 0), "damaged SMAF file"},
      {render_(Data(silent), silent.size(), 0, 2, 0), "nothing to play: score tracks: 0, notes: 0, audio tracks: 0"},
      {render_(Data(silent), silent.size(), 0, 2, CK_SAMPLES), "nothing to play: "},
      {smaf_(Data(song), song.size(), CK_LISTING), "not a SMAF file"},
      {smaf_to_midi_(nullptr, 0), "not a SMAF file"},
  };
  for (const auto& c : cases) {
    const Result failed = Take(c.result);
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.text.find(c.text), 0u) << failed.text;
    EXPECT_TRUE(failed.first.empty() && failed.second.empty() && failed.samples == 0);
  }
  // A file in which nothing plays renders as silence when that is asked for.
  const Result allowed = Take(render_(Data(silent), silent.size(), 0, 1, CK_ALLOW_EMPTY));
  EXPECT_EQ(allowed.status, 0) << allowed.text;
  EXPECT_NE(allowed.text.find("\"notesPlayed\":0,\"audioTracks\":0"), std::string::npos) << allowed.text;
  // The song's view of a good song, and a result that is no result.
  const Result view = Take(song_(Data(song), song.size()));
  EXPECT_NE(view.text.find("\"playedMs\":500"), std::string::npos) << view.text;
  EXPECT_EQ(status_(nullptr), 1);
  free_(nullptr);
}

}  // namespace
