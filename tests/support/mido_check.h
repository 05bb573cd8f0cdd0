// MIDI outputs read back by two readers: chimekit's own and python3-mido.
#pragma once

#include <string>
#include <vector>

namespace test_support {

// For each file a line "TYPE N1 N2 ..." (the header's format, then the
// events of each track), as mido reads it; an error text when mido refuses
// a file.
std::string MidoSummary(const std::vector<std::string>& paths);
// The same lines as chimekit's reader sees the files.
std::string OwnSummary(const std::vector<std::string>& paths);

}  // namespace test_support
