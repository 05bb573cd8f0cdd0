// The module's C interface, which web/site/engine.js calls: bytes in, bytes
// out, nothing named by a path. Each call keeps its results until the next
// call: a text (the JSON the page reads, or the library's message when the
// call failed), up to two byte strings and the rendered samples.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <exception>
#include <new>
#include <string>

#include "json.h"
#include "ringtone_view.h"
#include "song_view.h"

namespace {

struct Results {
  std::string text;
  midifile::ByteString bytes[2];
  web::PreviewSound sound;
};

Results& Last() {
  static Results results;
  return results;
}

// Runs a call: 0 and its results, or 1 and the failure's text.
template <class Call>
int Run(Call call) {
  Last() = Results();
  try {
    call(Last());
    return 0;
  } catch (const std::bad_alloc&) {
    Last() = Results();
    Last().text = "Out of memory";
  } catch (const std::exception& failure) {
    Last() = Results();
    Last().text = failure.what();
  }
  return 1;
}

midifile::ByteString Input(const uint8_t* data, size_t size) {
  return midifile::ByteString(reinterpret_cast<const char*>(data), size);
}

web::RingtoneRequest Request(uint32_t start_ms, uint32_t length_ms, int32_t limit, int32_t volume) {
  web::RingtoneRequest request{start_ms, length_ms, std::nullopt, volume};
  if (limit >= 0) request.note_limit = static_cast<uint8_t>(limit);
  return request;
}

}  // namespace

extern "C" {

// The song's JSON (song_view.h).
EMSCRIPTEN_KEEPALIVE int ck_song(const uint8_t* data, size_t size) {
  return Run([&](Results& out) { out.text = web::SongJson(web::ReadSong(Input(data, size))); });
}

// The ringtone as the page shows it: text its JSON, bytes 0 the SMAF file,
// bytes 1 the cut song. A limit below 0 is none.
EMSCRIPTEN_KEEPALIVE int ck_ringtone(const uint8_t* data, size_t size, uint32_t start_ms, uint32_t length_ms,
                                     int32_t limit, int32_t volume) {
  return Run([&](Results& out) {
    web::RingtoneView view = web::MakeRingtoneView(Input(data, size), Request(start_ms, length_ms, limit, volume));
    out.text = std::move(view.json);
    out.bytes[0] = std::move(view.smaf);
    out.bytes[1] = std::move(view.song);
  });
}

// The ringtone job alone, as `chimekit ringtone` runs it: text the
// summary, bytes 0 the SMAF file (even without a note), bytes 1 the cut song.
EMSCRIPTEN_KEEPALIVE int ck_job(const uint8_t* data, size_t size, uint32_t start_ms, uint32_t length_ms, int32_t limit,
                                int32_t volume) {
  return Run([&](Results& out) {
    chimekit::RingtoneJob job =
        chimekit::MakeRingtone(Input(data, size), web::OptionsOf(Request(start_ms, length_ms, limit, volume)));
    out.text = chimekit::RingtoneReport(job);
    out.bytes[0] = std::move(job.smaf.bytes);
    out.bytes[1] = std::move(job.song);
  });
}

// The preview of a SMAF file: samples planar, text {"channels":C,"frames":N}.
EMSCRIPTEN_KEEPALIVE int ck_render(const uint8_t* data, size_t size, uint32_t seconds, uint32_t channels) {
  return Run([&](Results& out) {
    out.sound = web::RenderSound(Input(data, size), seconds, channels);
    out.text = "{";
    web::AppendField(out.text, "channels", out.sound.channels);
    web::AppendField(out.text, "frames", out.sound.frames);
    out.text += '}';
  });
}

EMSCRIPTEN_KEEPALIVE const char* ck_text() { return Last().text.data(); }
EMSCRIPTEN_KEEPALIVE size_t ck_text_size() { return Last().text.size(); }
EMSCRIPTEN_KEEPALIVE const char* ck_bytes(int index) { return Last().bytes[index & 1].data(); }
EMSCRIPTEN_KEEPALIVE size_t ck_bytes_size(int index) { return Last().bytes[index & 1].size(); }
EMSCRIPTEN_KEEPALIVE const float* ck_samples() { return Last().sound.samples.data(); }

}  // extern "C"
