// libFuzzer target: every export of both libraries called through the
// shared libraries on files, as a host calls them. Whatever the input and
// the arguments, the status is one the export documents; an output exists
// exactly after status 0 (or, from ConvertMidi, as an empty file after
// -4, unless it is the input, which -4 leaves as it was), an existing
// output survives a failure unchanged, the folder holds
// no temporary file afterwards, and a MIDI or SMAF output reads back.
//
// Input: the export's number, a flag byte (bit 0: an output file exists
// before the call; bit 1: the output path is the input path), nine number
// arguments of one byte each (small values are the ones that matter), the
// channel order text and the second input (each with its length in two
// bytes), then the input.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "../tests/hardening/export_calls.h"
#include "chimekit/smafread/read.h"
#include "fuzz_input.h"
#include "midifile/errors.h"
#include "midifile/midi_file.h"

namespace {

namespace fs = std::filesystem;
using hardening::ExportCall;

// One folder for the whole run, in memory where the system has such a
// folder; removed when the run ends.
const fs::path& Folder() {
  static const fs::path folder = [] {
    std::string base = fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path().string();
    std::string pattern = base + "/chimekit-export-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) fuzz::Broken("cannot create the fuzz folder");
    std::atexit([] { fs::remove_all(Folder()); });
    return fs::path(pattern);
  }();
  return folder;
}

void WriteFile(const fs::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::set<std::string> Entries() {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(Folder())) names.insert(entry.path().filename().string());
  return names;
}

bool Documented(const ExportCall& call, int32_t status) {
  if (call.library == hardening::Library::reshaper) {
    return status == hardening::kDone || status == hardening::kReshaperNotFormat1;
  }
  return status == hardening::kDone || status == hardening::kChimekitError ||
         (call.own_status != 0 && status == call.own_status);
}

void CheckOutput(const ExportCall& call, const std::string& bytes) {
  if (call.output == hardening::Output::midi) {
    midifile::TMidiFile file;
    try {
      file.ReadBytes(bytes);
    } catch (const midifile::ChimeError& error) {
      fuzz::Broken("a MIDI output chimekit's reader refuses:", error.what());
    }
  } else if (call.output == hardening::Output::smaf) {
    fuzz::Check(chimekit::smafread::ReadSmafScore(bytes).problems.empty(), "a SMAF output the reader finds fault with");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::span<const ExportCall> exports = hardening::AllExports();
  const ExportCall& call = exports[input.Byte() % exports.size()];
  const uint8_t flags = input.Byte();
  hardening::ExportArguments arguments;
  for (uint32_t& number : arguments.numbers) number = input.Byte();
  const std::string order(input.Sized());
  const std::string_view second = input.Sized();
  const std::string_view first = input.Rest();

  const fs::path in = Folder() / "in.mid";
  const fs::path second_in = Folder() / "second.mid";
  const bool in_place = (flags & 2) != 0 && call.output != hardening::Output::none;
  const fs::path out = in_place ? in : Folder() / "out.bin";
  const std::string kept = "kept";
  WriteFile(in, first);
  if (call.second != hardening::SecondInput::none) WriteFile(second_in, second);
  const bool existing = (flags & 1) != 0 && !in_place && call.output != hardening::Output::none;
  if (existing) WriteFile(out, kept);
  const std::set<std::string> before = Entries();

  // The instrument tables: one from the first number, one reversed.
  uint8_t keep[256], map[256];
  for (size_t i = 0; i < 256; ++i) {
    keep[i] = static_cast<uint8_t>(i * 7 + arguments.numbers[0]);
    map[i] = static_cast<uint8_t>(255 - i);
  }
  const std::string in_path = in.string(), second_path = second_in.string(), out_path = out.string();
  arguments.input = in_path.c_str();
  arguments.second = second_path.c_str();
  arguments.output = out_path.c_str();
  arguments.order = order.c_str();
  arguments.keep = keep;
  arguments.map = map;

  const int32_t status = call.call(arguments);
  fuzz::Check(Documented(call, status), "an undocumented status from", call.name);

  std::set<std::string> after = Entries();
  if (call.output != hardening::Output::none) {
    const bool reshaper = call.library == hardening::Library::reshaper;
    const bool written = status == hardening::kDone || (reshaper && status == hardening::kReshaperNotFormat1);
    std::set<std::string> expected = before;
    if (written) expected.insert(out.filename().string());
    fuzz::Check(after == expected, "files left in the folder other than the output, by", call.name);
    if (status == hardening::kDone) CheckOutput(call, ReadFile(out));
    // -4 leaves an empty output, but never empties the input it was named over.
    if (reshaper && status == hardening::kReshaperNotFormat1) {
      fuzz::Check(in_place ? ReadFile(in) == first : ReadFile(out).empty(),
                  in_place ? "-4 changed the input named as its output" : "-4 with a non-empty output");
    }
    if (!written && existing) fuzz::Check(ReadFile(out) == kept, "an existing output changed by a failed", call.name);
    if (!written && in_place) fuzz::Check(ReadFile(in) == first, "the input changed by a failed", call.name);
  } else {
    fuzz::Check(after == before, "a file left by", call.name);
  }
  fs::remove(out);
  return 0;
}
