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
  explicit TRecentResults(Compute compute) : compute_(compute) {}

  Result operator()(int64_t argument) {
    Entry& entry = entries_[static_cast<size_t>(argument) % entries_.size()];
    if (!entry.known || entry.argument != argument) entry = {argument, compute_(argument), true};
    return entry.result;
  }

 private:
  struct Entry {
    int64_t argument = 0;
    Result result{};
    bool known = false;
  };
  Compute compute_;
  std::array<Entry, 64> entries_{};
};

template <class Compute>
TRecentResults(Compute) -> TRecentResults<std::invoke_result_t<Compute, int64_t>, Compute>;

}  // namespace chimekit::smaf
