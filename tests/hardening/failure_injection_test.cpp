// Failures of the file system injected into every export of both libraries:
// an output that cannot be written (a read-only folder, a file size limit, a
// full disk), an input that cannot be read, an input that is a folder, an
// output that is the input, an output that names a folder. Each time the
// export gives its documented status, leaves no partial output and no
// temporary file, and leaves an existing output as it was.
//
// Each call runs in a child process, which alone takes on the file size
// limit or, when the tests run as root (who reads and writes any file),
// the identity of nobody; the child first makes sure that the fault is
// really in force.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "export_calls.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"
#include "test_songs.h"

namespace {

namespace fs = std::filesystem;
using hardening::ExportArguments;
using hardening::ExportCall;
using hardening::Library;
using test_support::ReadFileBytes;

enum class Fault {
  read_only_folder,
  file_size_limit,
  full_disk,
  unreadable_input,
  input_is_folder,
  output_is_input,
  output_is_folder,
};

const char* Name(Fault fault) {
  static const char* const kNames[] = {"read-only folder", "file size limit", "full disk",     "unreadable input",
                                       "input is a folder", "output is the input", "output is a folder"};
  return kNames[static_cast<int>(fault)];
}

int32_t ExpectedStatus(const ExportCall& call, Fault fault) {
  const bool reshaper = call.library == Library::reshaper;
  switch (fault) {
    case Fault::output_is_input: return hardening::kDone;
    case Fault::input_is_folder: return reshaper ? hardening::kReshaperCannotOpen : hardening::kMissingInput;
    case Fault::file_size_limit:
    case Fault::full_disk: return reshaper ? hardening::kReshaperCannotWrite : hardening::kChimekitError;
    default: return reshaper ? hardening::kReshaperCannotOpen : hardening::kChimekitError;
  }
}

// The folder of a case: the inputs, an empty folder, an output folder
// anyone may write to and one nobody may write to (as root: nobody but
// root).
class Workspace {
 public:
  Workspace() {
    song = dir_.Write("song.mid", hardening::TestSong(0));
    tags = dir_.Write("tags.txt", "\x03Injected\r\n\x01text\r\n");
    unreadable = dir_.Write("unreadable.mid", hardening::TestSong(0));
    chmod(unreadable.c_str(), 0);
    folder = dir_.Path("folder");
    open = dir_.Path("open");
    locked = dir_.Path("locked");
    for (const std::string* path : {&folder, &open, &locked}) fs::create_directory(*path);
    chmod(dir_.Path("").c_str(), 0755);
    chmod(open.c_str(), 0777);
    chmod(locked.c_str(), 0555);
  }
  ~Workspace() { chmod(locked.c_str(), 0755); }

  // Writes or removes a file, in the locked folder too.
  void Write(const std::string& path, const std::string& bytes) {
    chmod(locked.c_str(), 0755);
    std::ofstream(path, std::ios::binary) << bytes;
    chmod(locked.c_str(), 0555);
  }
  void Remove(const std::string& path) {
    chmod(locked.c_str(), 0755);
    fs::remove(path);
    chmod(locked.c_str(), 0555);
  }

  // Every entry below the folder, one a line, sorted.
  std::string Listing() const { return test_support::ListTree(dir_.Path("")); }

  std::string song, tags, unreadable, folder, open, locked;

 private:
  test_support::TempDir dir_;
};

struct Outcome {
  int32_t status = -100;
  bool injected = false;
  ExportArguments values;  // the values the export stored
};

// In the child: puts the process-wide part of the fault in force and tells
// whether the fault is real.
bool Inject(Fault fault, const Workspace& space) {
  if (fault == Fault::file_size_limit) {
    signal(SIGXFSZ, SIG_IGN);  // a failed write instead of the end of the process
    rlimit limit{1, 1};
    return setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  if (fault != Fault::read_only_folder && fault != Fault::unreadable_input) return true;
  if (geteuid() == 0) {
    const passwd* nobody = getpwnam("nobody");
    const uid_t uid = nobody != nullptr ? nobody->pw_uid : 65534;
    const gid_t gid = nobody != nullptr ? nobody->pw_gid : 65534;
    if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0) return false;
  }
  if (fault == Fault::read_only_folder) return access(space.locked.c_str(), W_OK) != 0;
  return access(space.unreadable.c_str(), R_OK) != 0 && access(space.open.c_str(), W_OK) == 0;
}

Outcome RunInChild(const ExportCall& call, const ExportArguments& arguments, Fault fault, const Workspace& space) {
  int channel[2];
  if (pipe(channel) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    Outcome outcome;
    outcome.values = arguments;
    outcome.injected = Inject(fault, space);
    if (outcome.injected) outcome.status = call.call(outcome.values);
    ssize_t written = write(channel[1], &outcome, sizeof outcome);
    _exit(written == static_cast<ssize_t>(sizeof outcome) ? 0 : 1);
  }
  close(channel[1]);
  Outcome outcome;
  ssize_t got = read(channel[0], &outcome, sizeof outcome);
  close(channel[0]);
  int wait_status = 0;
  waitpid(child, &wait_status, 0);
  // A child that did not end well (under valgrind: one with errors) fails.
  if (got != static_cast<ssize_t>(sizeof outcome) || !WIFEXITED(wait_status) || WEXITSTATUS(wait_status) != 0) {
    ADD_FAILURE() << "the child ended with wait status " << wait_status;
  }
  return outcome;
}

ExportArguments Arguments(const Workspace& space, const std::string& output) {
  ExportArguments arguments = hardening::ValidArguments();
  arguments.input = space.song.c_str();
  arguments.second = arguments.input;
  arguments.output = output.c_str();
  return arguments;
}

// Runs one case and checks what is left: the status, the values, and the
// folder as it was (no output, no temporary file, the existing output
// unchanged) unless the call is to succeed.
void CheckCase(const ExportCall& call, ExportArguments arguments, Fault fault, Workspace& space,
               const std::string& existing) {
  const std::string before = space.Listing();
  arguments.value = 7;
  std::fill(std::begin(arguments.levels), std::end(arguments.levels), 7);
  const Outcome outcome = RunInChild(call, arguments, fault, space);
  ASSERT_TRUE(outcome.injected) << "the fault could not be put in force";
  EXPECT_EQ(outcome.status, ExpectedStatus(call, fault));
  EXPECT_EQ(space.Listing(), before);
  if (!existing.empty()) {
    EXPECT_EQ(ReadFileBytes(arguments.output), existing);
  }
  // The values of the queries after a failure: the length and the levels
  // are set to 0 first, the first note time is left alone.
  const std::string name = call.name;
  const ExportArguments& values = outcome.values;
  if (name == "MIDIGetLengthMs") {
    EXPECT_EQ(values.value, 0);
  } else if (name == "MIDIFirstNoteTimeMs") {
    EXPECT_EQ(values.value, 7);
  } else if (name == "MIDIGetVol") {
    EXPECT_EQ(values.levels[0] | values.levels[1] | values.levels[2], 0);
  }
}

}  // namespace

TEST(FailureInjection, OutputsThatCannotBeWritten) {
  Workspace space;
  for (const ExportCall& call : hardening::AllExports()) {
    if (call.output == hardening::Output::none) continue;
    for (bool exists : {false, true}) {
      for (Fault fault : {Fault::read_only_folder, Fault::file_size_limit, Fault::output_is_folder}) {
        SCOPED_TRACE(std::string(call.name) + ", " + Name(fault) + (exists ? ", existing output" : ""));
        std::string output = fault == Fault::output_is_folder        ? space.folder
                             : fault == Fault::read_only_folder ? space.locked + "/out.bin"
                                                                 : space.open + "/out.bin";
        std::string kept = exists && fault != Fault::output_is_folder ? "kept" : "";
        if (!kept.empty()) space.Write(output, kept);
        CheckCase(call, Arguments(space, output), fault, space, kept);
        if (!kept.empty()) space.Remove(output);
      }
    }
    SCOPED_TRACE(std::string(call.name) + ", full disk");
    ASSERT_TRUE(fs::is_character_file("/dev/full"));
    CheckCase(call, Arguments(space, "/dev/full"), Fault::full_disk, space, "");
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
  }
}

TEST(FailureInjection, InputsThatCannotBeRead) {
  Workspace space;
  const std::string output = space.open + "/out.bin";
  for (const ExportCall& call : hardening::AllExports()) {
    const bool two = call.second != hardening::SecondInput::none;
    for (int which = 0; which < (two ? 2 : 1); ++which) {
      for (Fault fault : {Fault::unreadable_input, Fault::input_is_folder}) {
        SCOPED_TRACE(std::string(call.name) + ", " + Name(fault) + (which == 1 ? " (the second)" : ""));
        ExportArguments arguments = Arguments(space, output);
        const char* bad = fault == Fault::unreadable_input ? space.unreadable.c_str() : space.folder.c_str();
        (which == 0 ? arguments.input : arguments.second) = bad;
        if (call.second == hardening::SecondInput::tags && which == 0) arguments.second = space.tags.c_str();
        CheckCase(call, arguments, fault, space, "");
      }
    }
  }
}

TEST(FailureInjection, OutputThatIsTheInput) {
  Workspace space;
  for (const ExportCall& call : hardening::AllExports()) {
    if (call.output == hardening::Output::none) continue;
    SCOPED_TRACE(call.name);
    // The result the same call writes beside its input.
    const std::string beside = space.open + "/expected.bin";
    ExportArguments arguments = Arguments(space, beside);
    if (call.second == hardening::SecondInput::tags) arguments.second = space.tags.c_str();
    ASSERT_EQ(call.call(arguments), hardening::kDone);
    const std::string expected = ReadFileBytes(arguments.output);
    fs::remove(arguments.output);

    const std::string self = space.open + "/self.mid";
    space.Write(self, hardening::TestSong(0));
    arguments.input = self.c_str();
    arguments.output = self.c_str();
    CheckCase(call, arguments, Fault::output_is_input, space, expected);
    fs::remove(self);
  }
}

TEST(FailureInjection, FailedCallLeavesItsInputThatIsItsOutput) {
  // However the output spells the input file (the path, "./", a symbolic
  // and a hard link), a failed call leaves it byte for byte: the chimekit
  // exports fail on a file cut inside a chunk, Reshaper refuses a format 0
  // file (whose output elsewhere it leaves empty).
  Workspace space;
  const std::string self = space.open + "/self.mid";
  const std::string symbolic = space.open + "/symbolic.mid";
  const std::string hard = space.open + "/hard.mid";
  const std::string cut = hardening::TestSong(0).substr(0, 40);
  const std::string format0 = test_support::Smf(0, 96, {test_support::Track().NoteOn(0, 0, 60, 90).EndOfTrack(96)});
  for (const ExportCall& call : hardening::AllExports()) {
    if (call.output == hardening::Output::none) continue;
    const bool reshaper = call.library == Library::reshaper;
    const std::string content = reshaper ? format0 : cut;
    space.Write(self, content);
    ASSERT_EQ(symlink(self.c_str(), symbolic.c_str()), 0);
    ASSERT_EQ(link(self.c_str(), hard.c_str()), 0);
    const std::string before = space.Listing();
    for (const std::string& output : {self, space.open + "/./self.mid", symbolic, hard}) {
      SCOPED_TRACE(std::string(call.name) + ", output " + output);
      ExportArguments arguments = Arguments(space, output);
      arguments.input = self.c_str();
      if (call.second == hardening::SecondInput::tags) arguments.second = space.tags.c_str();
      EXPECT_EQ(call.call(arguments), reshaper ? hardening::kReshaperNotFormat1 : hardening::kChimekitError);
      EXPECT_EQ(ReadFileBytes(self), content);
      EXPECT_EQ(space.Listing(), before);
    }
    for (const std::string* path : {&self, &symbolic, &hard}) fs::remove(*path);
  }
}

TEST(FailureInjection, ReplacedOutputKeepsItsModeAndOwner) {
  // A mode no umask gives, and, where the tests may give a file away (as
  // root), another owner and group.
  Workspace space;
  const std::string output = space.open + "/kept.bin";
  const passwd* nobody = getpwnam("nobody");
  const bool root = geteuid() == 0 && nobody != nullptr;
  for (const ExportCall& call : hardening::AllExports()) {
    if (call.output == hardening::Output::none) continue;
    SCOPED_TRACE(call.name);
    space.Write(output, "old");
    ASSERT_EQ(chmod(output.c_str(), 0604), 0);
    if (root) {
      ASSERT_EQ(chown(output.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    }
    struct stat before {};
    ASSERT_EQ(stat(output.c_str(), &before), 0);
    ExportArguments arguments = Arguments(space, output);
    if (call.second == hardening::SecondInput::tags) arguments.second = space.tags.c_str();
    ASSERT_EQ(call.call(arguments), hardening::kDone);
    struct stat after {};
    ASSERT_EQ(stat(output.c_str(), &after), 0);
    EXPECT_NE(ReadFileBytes(output), "old");
    EXPECT_NE(after.st_ino, before.st_ino);  // replaced, not rewritten in place
    EXPECT_EQ(after.st_mode & 07777, 0604u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    fs::remove(output);
  }
}
