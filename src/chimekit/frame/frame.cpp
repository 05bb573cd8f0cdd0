#include "chimekit/frame/frame.h"

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

LoadedInput ParseForRewrite(midifile::ByteView bytes) {
  LoadedInput input;
  input.division = midifile::DivisionBytes(bytes);
  input.file.ReadBytes(bytes);
  input.byte_count = bytes.size();
  return input;
}

}  // namespace chimekit
