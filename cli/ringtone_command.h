#pragma once

#include <string>
#include <vector>

namespace cli {

// chimekit ringtone IN OUT.mmf [--length SECONDS] [--limit N] [--allow-empty]:
// merge, cut, limit and convert to SMAF in one go.
int RunRingtone(const std::vector<std::string>& arguments);

}  // namespace cli
