// chimekit inspect: lists a SMAF ringtone in words and checks it.
#pragma once

#include <string>
#include <vector>

namespace cli {

int RunInspect(const std::vector<std::string>& arguments);

}  // namespace cli
