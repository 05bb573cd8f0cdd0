#pragma once

#include <string>
#include <vector>

namespace cli {

int RunChannels(const std::vector<std::string>& arguments);
int RunDump(const std::vector<std::string>& arguments);

}  // namespace cli
