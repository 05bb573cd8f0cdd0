#pragma once

#include <string>
#include <vector>

namespace cli {

// chimekit trim IN OUT (--start MS --end MS | --start-percent P --end-percent P)
int RunTrim(const std::vector<std::string>& arguments);
// chimekit volume IN: the largest and mean channel volume and the mean key.
int RunVolume(const std::vector<std::string>& arguments);
// chimekit set-volume IN OUT [--volume N] [--key N] [--drums]
int RunSetVolume(const std::vector<std::string>& arguments);
// chimekit tags IN [OUT] [--list]
int RunTags(const std::vector<std::string>& arguments);
// chimekit set-tags IN TAGS OUT, or set-tags IN OUT --name TEXT ...
int RunSetTags(const std::vector<std::string>& arguments);

}  // namespace cli
