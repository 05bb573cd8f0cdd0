#include "chimekit/frame/frame.h"

#include <utility>

#include "midifile/file_io.h"

namespace chimekit {

midifile::TMidiFile LoadMidiFile(const std::string& path) {
  midifile::TMidiFile file;
  file.SetFilename(path);
  file.ReadFile();
  return file;
}

LoadedInput LoadForRewrite(const std::string& path) {
  LoadedInput input = ParseForRewrite(midifile::ReadWholeFile(path));
  input.file.SetFilename(path);
  return input;
}

LoadedInput ParseForRewrite(midifile::ByteString bytes) {
  LoadedInput input;
  input.division = midifile::DivisionBytes(bytes);
  input.byte_count = bytes.size();
  input.file.ReadOwnedBytes(std::move(bytes));
  return input;
}

}  // namespace chimekit
