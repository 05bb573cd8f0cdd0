// Existence tests, whole-file reads and outputs written in one piece.
#include <gtest/gtest.h>

#include "midifile/errors.h"
#include "midifile/file_io.h"
#include "midifile/midi_file.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

using test_support::ReadFileBytes;
using test_support::TempDir;

TEST(FileIo, InputExists) {
  TempDir dir;
  EXPECT_TRUE(midifile::InputExists(dir.Write("a.mid", "x").c_str()));
  EXPECT_TRUE(midifile::InputExists(dir.Write("empty.mid", "").c_str()));
  EXPECT_FALSE(midifile::InputExists(dir.Path("missing.mid").c_str()));
  EXPECT_FALSE(midifile::InputExists(dir.Path("").c_str()));  // the folder itself
  EXPECT_FALSE(midifile::InputExists(""));
  EXPECT_FALSE(midifile::InputExists(nullptr));
}

TEST(FileIo, ReadWholeFileAndErrors) {
  TempDir dir;
  std::string big(200000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  EXPECT_EQ(midifile::ReadWholeFile(dir.Write("big", big)), big);
  try {
    midifile::ReadWholeFile(dir.Path("missing"));
    ADD_FAILURE();
  } catch (const midifile::InOutError& error) {
    EXPECT_STREQ(error.what(), "File not found");
  }
  EXPECT_THROW(midifile::ReadDivisionBytes(dir.Write("short", std::string(13, 'x'))), midifile::InOutError);
  std::string header = test_support::Header(1, 1, 0x01E0);
  EXPECT_EQ(midifile::ReadDivisionBytes(dir.Write("head", header + "rest")), "\x01\xE0");
  EXPECT_EQ(midifile::DivisionBytes(test_support::Header(0, 1, 0xE728)), "\xE7\x28");
}

TEST(FileIo, ErrorTexts) {
  EXPECT_STREQ(midifile::InOutError::FromErrno(ENOENT).what(), "File not found");
  EXPECT_STREQ(midifile::InOutError::FromErrno(EACCES).what(), "File access denied");
  EXPECT_STREQ(midifile::InOutError::FromErrno(ENOSPC).what(), "Disk full");
  EXPECT_STREQ(midifile::InOutError::FromErrno(EIO).what(), ("I/O error " + std::to_string(EIO)).c_str());
}

TEST(FileIo, WriteFileAtomically) {
  TempDir dir;
  std::string target = dir.Path("out.bin");
  midifile::WriteFileAtomically(target, "first");
  EXPECT_EQ(ReadFileBytes(target), "first");
  midifile::WriteFileAtomically(target, "");  // an empty output is an empty file
  EXPECT_EQ(ReadFileBytes(target), "");
  midifile::WriteFileAtomically(target, std::string("a\0b", 3));
  EXPECT_EQ(ReadFileBytes(target), std::string("a\0b", 3));
  // Failures: a missing folder, a folder as target. Nothing is left behind.
  EXPECT_THROW(midifile::WriteFileAtomically(dir.Path("no/such/folder.bin"), "x"), midifile::InOutError);
  std::string folder = dir.Path("folder");
  std::filesystem::create_directory(folder);
  EXPECT_THROW(midifile::WriteFileAtomically(folder, "x"), midifile::InOutError);
  EXPECT_THROW(midifile::WriteFileAtomically("", "x"), midifile::InOutError);
  EXPECT_EQ(test_support::ListFolder(dir.Path("")), "folder\nout.bin\n");
}

TEST(FileIo, WriteThroughLinksAndToDevices) {
  TempDir dir;
  std::string real = dir.Write("real.txt", "old");
  std::string link = dir.Path("link.txt");
  std::filesystem::create_symlink(real, link);
  midifile::WriteFileAtomically(link, "new");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFileBytes(real), "new");
  // A device is written directly, never replaced by a regular file.
  midifile::WriteFileAtomically("/dev/null", "discarded");
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
  EXPECT_THROW(midifile::WriteFileAtomically("/dev/full", "no room"), midifile::InOutError);
}
