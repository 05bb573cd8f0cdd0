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
  LoadedInput input;
  midifile::ByteString bytes = midifile::ReadWholeFile(path);
  input.division = midifile::DivisionBytes(bytes);
  input.file.SetFilename(path);
  input.file.ReadOwnedBytes(std::move(bytes));
  return input;
}

}  // namespace chimekit
