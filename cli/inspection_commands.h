#pragma once

#include <string>
#include <vector>

namespace cli {

int RunLength(const std::vector<std::string>& arguments);
int RunFirstNote(const std::vector<std::string>& arguments);

}  // namespace cli
