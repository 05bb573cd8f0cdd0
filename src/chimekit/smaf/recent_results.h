// The results of a pure function of a whole number, kept for the numbers
// asked for last: a song repeats its few delta times and note lengths over
// and over, and the conversion of each costs a division and a rounding.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace chimekit::smaf {

template <class Result, class Compute>
class TRecentResults {
 public:
  // Every place starts out holding the result for 0, which is right for the
  // one number that maps to it and never matches any other.
  explicit TRecentResults(Compute compute) : compute_(compute) { entries_.fill({0, compute_(0)}); }

  Result operator()(int64_t argument) {
    Entry& entry = entries_[static_cast<size_t>(argument) % entries_.size()];
    if (entry.argument != argument) entry = {argument, compute_(argument)};
    return entry.result;
  }

 private:
  struct Entry {
    int64_t argument;
    Result result;
  };
  Compute compute_;
  std::array<Entry, 64> entries_;
};

template <class Compute>
TRecentResults(Compute) -> TRecentResults<std::invoke_result_t<Compute, int64_t>, Compute>;

}  // namespace chimekit::smaf
