// Every export of both libraries called from eight threads at once gives
// what the same call gives alone; eight threads replacing one output leave
// one whole result and no temporary file. The test command runs these
// tests under ThreadSanitizer as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "export_calls.h"
#include "support/temp_dir.h"
#include "test_songs.h"

namespace {

using hardening::ExportArguments;
using hardening::ExportCall;
using test_support::TempDir;

constexpr int kThreads = 8;
constexpr int kRounds = 2;

struct Result {
  int32_t status = -100;
  std::string output;  // the output file, or the values of a query
  bool operator==(const Result&) const = default;
};

// The files of one thread: its own song and output.
struct Files {
  std::string song, output;
};

Result Call(const ExportCall& call, const Files& files, const std::string& tags) {
  ExportArguments arguments = hardening::ValidArguments();
  arguments.input = files.song.c_str();
  arguments.second = call.second == hardening::SecondInput::tags ? tags.c_str() : files.song.c_str();
  arguments.output = files.output.c_str();
  Result result;
  result.status = call.call(arguments);
  if (call.output != hardening::Output::none) {
    result.output = test_support::ReadFileBytes(files.output);
    std::filesystem::remove(files.output);
  } else {
    result.output = std::to_string(arguments.value) + " " + std::to_string(arguments.levels[0]) + " " +
                    std::to_string(arguments.levels[1]) + " " + std::to_string(arguments.levels[2]);
  }
  return result;
}

// Runs body(thread) on eight threads that start at the same moment.
template <class Body>
void OnEightThreads(Body&& body) {
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      body(t);
    });
  }
  for (std::thread& thread : threads) thread.join();
}

class Concurrency : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int t = 0; t < kThreads; ++t) {
      files_.push_back({dir_.Write("song" + std::to_string(t) + ".mid", hardening::TestSong(t)),
                        dir_.Path("out" + std::to_string(t) + ".bin")});
    }
  }

  TempDir dir_;
  std::vector<Files> files_;
  std::string tags_ = dir_.Write("tags.txt", "\x03Threads\r\n\x05la\r\n");
};

}  // namespace

TEST_F(Concurrency, EveryExportFromEightThreadsGivesWhatItGivesAlone) {
  const auto exports = hardening::AllExports();
  // Alone, one call after the other.
  std::vector<std::vector<Result>> alone(exports.size());
  for (size_t e = 0; e < exports.size(); ++e) {
    for (int t = 0; t < kThreads; ++t) alone[e].push_back(Call(exports[e], files_[t], tags_));
    EXPECT_EQ(alone[e][0].status, 0) << exports[e].name;
  }
  // Each thread calls every export on its files, starting at its own place
  // in the list, so that different exports run side by side too.
  std::vector<std::vector<Result>> together(kThreads);
  OnEightThreads([&](int t) {
    for (size_t n = 0; n < kRounds * exports.size(); ++n) {
      together[t].push_back(Call(exports[(n + t) % exports.size()], files_[t], tags_));
    }
  });
  for (int t = 0; t < kThreads; ++t) {
    for (size_t n = 0; n < together[t].size(); ++n) {
      const size_t e = (n + t) % exports.size();
      EXPECT_TRUE(together[t][n] == alone[e][t]) << exports[e].name << " on thread " << t;
    }
  }
}

TEST_F(Concurrency, EightThreadsReplacingOneOutputLeaveOneWholeResult) {
  const std::string before = test_support::ListFolder(dir_.Path(""));
  for (const ExportCall& call : hardening::AllExports()) {
    if (call.output == hardening::Output::none) continue;
    std::vector<Result> alone;
    for (int t = 0; t < kThreads; ++t) alone.push_back(Call(call, files_[t], tags_));
    const std::string shared = dir_.Path("shared.bin");
    std::vector<int32_t> statuses(kThreads);
    OnEightThreads([&](int t) {
      ExportArguments arguments = hardening::ValidArguments();
      arguments.input = files_[t].song.c_str();
      arguments.second = call.second == hardening::SecondInput::tags ? tags_.c_str() : files_[t].song.c_str();
      arguments.output = shared.c_str();
      statuses[t] = call.call(arguments);
    });
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 0), kThreads) << call.name;
    const std::string last = test_support::ReadFileBytes(shared);
    EXPECT_TRUE(std::any_of(alone.begin(), alone.end(), [&](const Result& r) { return r.output == last; }))
        << call.name << ": the output is none of the results";
    std::filesystem::remove(shared);
    EXPECT_EQ(test_support::ListFolder(dir_.Path("")), before) << call.name << " left a file behind";
  }
}
