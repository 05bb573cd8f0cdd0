#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace cli {

// chimekit sp IN OUT [--order TEXT] [--drums] [--limit N]: renumbers the
// channels and limits the notes sounding at once per channel.
int RunSp(const std::vector<std::string>& arguments);

// "12 (channel 0: 5, channel 9: 7)": note-ons dropped by output channel.
std::string DroppedText(const std::array<uint64_t, 16>& dropped);

}  // namespace cli
