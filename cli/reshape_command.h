#pragma once

#include <string>
#include <vector>

namespace cli {

// chimekit reshape IN.mid OUT.mid: merges a format 1 file into a format 0
// file with the Reshaper core and reports what it did.
int RunReshape(const std::vector<std::string>& arguments);

}  // namespace cli
