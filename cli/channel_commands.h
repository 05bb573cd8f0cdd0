// Subcommands of the second set of edits: equalizer, instrument map,
// channel copy and removal, merge and combine.
#pragma once

#include <string>
#include <vector>

namespace cli {

// chimekit equalize IN OUT --bands L1,...,L8 [--drums L]
int RunEqualize(const std::vector<std::string>& arguments);
// chimekit instruments IN OUT --map FILE, or instruments IN (the listing)
int RunInstruments(const std::vector<std::string>& arguments);
// chimekit copy-channel IN OUT FROM TO
int RunCopyChannel(const std::vector<std::string>& arguments);
// chimekit remove-channel IN OUT CHANNEL
int RunRemoveChannel(const std::vector<std::string>& arguments);
// chimekit merge FIRST SECOND OUT
int RunMerge(const std::vector<std::string>& arguments);
// chimekit combine FIRST SECOND OUT
int RunCombine(const std::vector<std::string>& arguments);

}  // namespace cli
