#pragma once

#include <string>
#include <vector>

namespace cli {

// chimekit sp IN OUT [--order TEXT] [--drums] [--limit N]: renumbers the
// channels and limits the notes sounding at once per channel.
int RunSp(const std::vector<std::string>& arguments);

}  // namespace cli
