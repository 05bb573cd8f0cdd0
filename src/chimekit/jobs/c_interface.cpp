// The C interface of the jobs (include/chimekit_jobs.h): one guard per
// call turns the core's errors into status 1 and their text.
#include <exception>
#include <new>
#include <optional>
#include <utility>

#include "chimekit/jobs/jobs.h"
#include "chimekit_jobs.h"

struct ck_result {
  int32_t status = 0;
  chimekit::jobs::JobResult job;
};

namespace {

midifile::ByteView Input(const uint8_t* data, size_t size) {
  return data == nullptr ? midifile::ByteView() : midifile::ByteView(reinterpret_cast<const char*>(data), size);
}

template <class Job>
ck_result* Run(Job&& job) noexcept {
  ck_result* result = new (std::nothrow) ck_result;
  if (result == nullptr) return nullptr;
  try {
    result->job = job();
  } catch (const std::bad_alloc&) {
    result->job = {};
    result->status = 1;
    result->job.text = "Out of memory";
  } catch (const std::exception& failure) {
    result->job = {};
    result->status = 1;
    try {
      result->job.text = failure.what();
    } catch (...) {
    }
  } catch (...) {
    result->job = {};
    result->status = 1;
  }
  return result;
}

}  // namespace

extern "C" {

CHIMEKIT_JOBS_API ck_result* ck_song(const uint8_t* song, size_t size) {
  return Run([&] { return chimekit::jobs::RunSongView(Input(song, size)); });
}

CHIMEKIT_JOBS_API ck_result* ck_ringtone(const uint8_t* song, size_t size, const char* name, uint32_t start_ms,
                                         uint32_t length_ms, int32_t note_limit, int32_t volume_shift, uint32_t flags,
                                         const char* title, const char* copyright) {
  return Run([&] {
    chimekit::jobs::RingtoneRequest request;
    if (name != nullptr) request.file_name = name;
    if (title != nullptr) request.title = midifile::ByteString(title);
    if (copyright != nullptr) request.copyright = midifile::ByteString(copyright);
    request.start_ms = start_ms;
    request.length_ms = length_ms;
    if (note_limit >= 0) request.note_limit = static_cast<uint8_t>(note_limit > 255 ? 255 : note_limit);
    request.volume_shift = volume_shift < -127 ? -127 : volume_shift > 127 ? 127 : volume_shift;
    request.first_track = (flags & CK_FIRST_TRACK) != 0;
    request.library_timing = (flags & CK_LIBRARY_TIMING) != 0;
    request.notes = (flags & CK_NOTES) != 0;
    request.listing = (flags & CK_LISTING) != 0;
    return chimekit::jobs::RunRingtone(Input(song, size), request);
  });
}

CHIMEKIT_JOBS_API ck_result* ck_render(const uint8_t* smaf, size_t size, uint32_t length_ms, uint32_t channels,
                                       uint32_t flags) {
  return Run([&] {
    return chimekit::jobs::RunRender(Input(smaf, size), {length_ms, channels == 1 ? 1u : 2u, (flags & CK_SAMPLES) != 0,
                                                         (flags & CK_ALLOW_EMPTY) != 0});
  });
}

CHIMEKIT_JOBS_API ck_result* ck_smaf(const uint8_t* smaf, size_t size, uint32_t flags) {
  return Run([&] {
    return chimekit::jobs::RunSmafListing(Input(smaf, size), {(flags & CK_LISTING) != 0, (flags & CK_NOTES) != 0});
  });
}

CHIMEKIT_JOBS_API ck_result* ck_smaf_to_midi(const uint8_t* smaf, size_t size) {
  return Run([&] { return chimekit::jobs::RunSmafToMidi(Input(smaf, size)); });
}

CHIMEKIT_JOBS_API int32_t ck_status(const ck_result* result) { return result == nullptr ? 1 : result->status; }

CHIMEKIT_JOBS_API const char* ck_text(const ck_result* result, size_t* size) {
  if (size != nullptr) *size = result == nullptr ? 0 : result->job.text.size();
  return result == nullptr ? "" : result->job.text.c_str();
}

CHIMEKIT_JOBS_API const uint8_t* ck_bytes(const ck_result* result, int32_t index, size_t* size) {
  const bool held = result != nullptr && (index == 0 || index == 1);
  const midifile::ByteString* bytes = held ? &result->job.bytes[index] : nullptr;
  if (size != nullptr) *size = bytes == nullptr ? 0 : bytes->size();
  return bytes == nullptr ? nullptr : reinterpret_cast<const uint8_t*>(bytes->data());
}

CHIMEKIT_JOBS_API const float* ck_samples(const ck_result* result, size_t* count) {
  if (count != nullptr) *count = result == nullptr ? 0 : result->job.samples.size();
  return result == nullptr ? nullptr : result->job.samples.data();
}

CHIMEKIT_JOBS_API void ck_free(ck_result* result) { delete result; }

}  // extern "C"
