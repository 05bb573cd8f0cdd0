#include "files.h"

#include <cerrno>
#include <cstdio>

#include "command.h"
#include "midifile/errors.h"
#include "midifile/file_io.h"

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace cli {
namespace {

// What a path names now.
enum class PathState { missing, folder, file, other };

#if defined(_WIN32)

constexpr const char* kSeparators = "/\\";

PathState StateOf(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathState::missing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathState::folder : PathState::file;
}

bool Writable(const std::string& path) { return _access(path.c_str(), 2) == 0; }

#else

constexpr const char* kSeparators = "/";

PathState StateOf(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return PathState::missing;
  if (S_ISDIR(info.st_mode)) return PathState::folder;
  return S_ISREG(info.st_mode) ? PathState::file : PathState::other;
}

bool Writable(const std::string& path) { return access(path.c_str(), W_OK) == 0; }

#endif

bool IsStandardStream(const std::string& path) { return path.empty() || path == "-"; }

// How a message names an input or an output.
std::string Shown(const std::string& path, bool output) {
  if (!IsStandardStream(path)) return path;
  return output ? "standard output" : "standard input";
}

// The folder a path names its file in, with its separator ("out/"); empty
// for a bare name, in the current folder.
std::string FolderOf(const std::string& path) {
  const size_t separator = path.find_last_of(kSeparators);
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// The folder in words: "the folder out/", or "the current folder".
std::string FolderText(const std::string& folder) {
  return folder.empty() ? "the current folder" : "the folder " + folder;
}

// An input that cannot be read, in words.
std::string InputFault(const std::string& path, int error_number) {
  const std::string folder = FolderOf(path);
  switch (error_number) {
    case ENOENT:
    case ENOTDIR:
      if (!folder.empty() && StateOf(folder) != PathState::folder) {
        return path + ": " + FolderText(folder) + " does not exist";
      }
      return path + ": no such file";
    case EISDIR:
      return path + ": a folder, not a file";
    case EACCES:
    case EPERM:
      return path + ": permission denied: the file may not be read";
    default:
      return Shown(path, false) + ": cannot be read (I/O error " + std::to_string(error_number) + ")";
  }
}

// An output that cannot be written, in words. No output is ever left half
// written: an existing file is as it was.
std::string OutputFault(const std::string& path, int error_number) {
  const std::string folder = FolderOf(path);
  const bool existing = StateOf(path) == PathState::file;
  const std::string kept = existing ? " (" + path + " was left as it was)" : " (nothing was written)";
  switch (error_number) {
    case ENOENT:
    case ENOTDIR:
      if (!folder.empty() && StateOf(folder) != PathState::folder) {
        return path + ": " + FolderText(folder) + " does not exist";
      }
      return path + ": cannot be created";
    case EISDIR:
      return path + ": a folder; name a file to write";
    case EACCES:
    case EPERM:
      if (existing && !Writable(path)) return path + ": permission denied: the file may not be written";
      return path + ": permission denied: " + FolderText(folder) + " may not be written";
    case EROFS:
      return path + ": the file system is read-only";
    case ENOSPC:
      return path + ": the disk is full" + kept;
    case EFBIG:
      return path + ": the file would be larger than the system allows" + kept;
    default:
      return path + ": cannot be written (I/O error " + std::to_string(error_number) + ")" + kept;
  }
}

midifile::ByteString ReadStandardInput() {
  midifile::ByteString bytes;
  char block[65536];
  size_t got = 0;
  while ((got = std::fread(block, 1, sizeof block, stdin)) > 0) bytes.append(block, got);
  if (std::ferror(stdin) != 0) throw midifile::InOutError("standard input: cannot be read");
  return bytes;
}

}  // namespace

std::string InputName(const std::string& path) { return Shown(path, false); }

FileKind SniffFileKind(midifile::ByteView bytes) {
  if (bytes.starts_with("MThd")) return FileKind::midi;
  if (bytes.size() >= 12 && bytes.starts_with("RIFF") && bytes.substr(8, 4) == "RMID") return FileKind::midi;
  if (bytes.starts_with("MMMD")) return FileKind::smaf;
  // Chunks the reader steps over may stand before the tracks; a file in
  // which it finds none is no MIDI file.
  midifile::TMidiFile file;
  try {
    if (file.ReadBytes(bytes) > 0) return FileKind::midi;
  } catch (const midifile::ChimeError&) {
  }
  return FileKind::other;
}

std::string WrongKindText(const std::string& path, FileKind got) {
  const std::string input = Shown(path, false);
  switch (got) {
    case FileKind::smaf:
      return input + ": a SMAF file; this command takes a MIDI file, see 'chimekit midi'";
    case FileKind::midi:
      return input + ": a MIDI file; this command takes a SMAF file, see 'chimekit smaf'";
    case FileKind::other:
      break;
  }
  return input + ": neither a MIDI file nor a SMAF file";
}

midifile::ByteString ReadInput(const std::string& path) {
  if (path == "-") return ReadStandardInput();
  if (StateOf(path) == PathState::folder) throw midifile::InOutError(path + ": a folder, not a file");
  try {
    return midifile::ReadWholeFile(path);
  } catch (const midifile::InOutError& error) {
    throw midifile::InOutError(InputFault(path, error.ErrorNumber()), error.ErrorNumber());
  }
}

midifile::ByteString RequireMidi(const std::string& path, midifile::ByteString bytes) {
  const FileKind kind = SniffFileKind(bytes);
  if (kind != FileKind::midi) throw midifile::ChimeError(WrongKindText(path, kind));
  return bytes;
}

midifile::ByteString RequireSmaf(const std::string& path, midifile::ByteString bytes) {
  const FileKind kind = SniffFileKind(bytes);
  if (kind != FileKind::smaf) throw midifile::ChimeError(WrongKindText(path, kind));
  return bytes;
}

midifile::TMidiFile LoadInput(const std::string& path) {
  midifile::ByteString bytes = ReadMidiInput(path);
  return NamingInput(path, [&] {
    midifile::TMidiFile file;
    file.SetFilename(path);
    file.ReadOwnedBytes(std::move(bytes));
    return file;
  });
}

chimekit::LoadedInput LoadRewriteInput(const std::string& path) {
  midifile::ByteString bytes = ReadMidiInput(path);
  return NamingInput(path, [&] { return chimekit::ParseForRewrite(std::move(bytes)); });
}

void ThrowNamingInput(const std::string& path) {
  try {
    throw;
  } catch (const midifile::InOutError& error) {
    // Failures without an error number are the reader's: the file ends
    // inside a chunk.
    if (error.ErrorNumber() != 0) throw midifile::ChimeError(InputFault(path, error.ErrorNumber()));
    throw midifile::ChimeError(Shown(path, false) + ": damaged MIDI file: " + error.what());
  } catch (const midifile::ChimeError& error) {
    throw midifile::ChimeError(Shown(path, false) + ": " + error.what());
  }
}

void WriteOutput(const std::string& path, midifile::ByteView bytes) {
  if (IsStandardStream(path)) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
      throw midifile::InOutError("standard output: cannot be written");
    }
    return;
  }
  try {
    midifile::WriteFileAtomically(path, bytes);
  } catch (const midifile::InOutError& error) {
    throw midifile::InOutError(OutputFault(path, error.ErrorNumber()), error.ErrorNumber());
  }
}

void RefuseOutputOverInput(const std::string& output, const std::string& input, const char* made,
                           const char* replaced) {
  if (IsStandardStream(output) || IsStandardStream(input) || !midifile::SameFile(input, output)) return;
  throw UsageError(output + " is the input file: " + made + " would replace the " + replaced +
                   "; name another output");
}

}  // namespace cli
