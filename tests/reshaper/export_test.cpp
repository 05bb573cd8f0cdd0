// The shared library as a host sees it: ConvertMidi looked up by name.
#include <gtest/gtest.h>

#include <string>

#include "reshaper_test_support.h"
#include "support/shared_library.h"

#ifdef RESHAPER_LIBRARY_PATH

TEST(ReshaperLibrary, ConvertMidiRunsThroughTheLibrary) {
  test_support::SharedLibrary library(RESHAPER_LIBRARY_PATH);
  ASSERT_TRUE(library.Loaded()) << test_support::SharedLibrary::LastError();
  using Convert = int32_t (*)(const char*, const char*);
  auto convert = library.Symbol<Convert>("ConvertMidi");
  ASSERT_NE(convert, nullptr);

  test_support::TempDir dir;
  std::string body = test_support::Track().NoteOn(0, 0, 60, 64).EndOfTrack(10);
  std::string smf = test_support::Smf(1, 96, {body});
  // The same song plain and in a RIFF RMID form.
  std::string size = test_support::Bytes({static_cast<int>(smf.size()), 0, 0, 0});
  std::string rmid = "RIFF" + test_support::Bytes({static_cast<int>(smf.size() + 12), 0, 0, 0}) + "RMIDdata" + size + smf;
  std::string output = dir.Path("out.mid");
  for (const std::string& input : {dir.Write("in.mid", smf), dir.Write("in.rmi", rmid)}) {
    EXPECT_EQ(convert(input.c_str(), output.c_str()), 0) << input;
    EXPECT_EQ(test_support::ReadFileBytes(output), reshaper_test::Format0(96, body)) << input;
  }
  EXPECT_EQ(convert(dir.Path("missing.mid").c_str(), output.c_str()), -1);
  EXPECT_EQ(convert(nullptr, nullptr), -1);
  EXPECT_EQ(convert(dir.Write("zero.mid", test_support::Smf(0, 96, {body})).c_str(), output.c_str()), -4);
  EXPECT_EQ(test_support::ReadFileBytes(output), "");
}

#endif
