#pragma once

#include <string>
#include <vector>

namespace cli {

// chimekit smaf IN.mid OUT.mmf: converts and prints a summary.
int RunSmaf(const std::vector<std::string>& arguments);

}  // namespace cli
