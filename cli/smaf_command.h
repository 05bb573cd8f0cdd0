#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "chimekit/ringtone/ringtone.h"
#include "support.h"

namespace cli {

// chimekit smaf IN.mid OUT.mmf [--first-track] [--library-timing]
// [--allow-empty]: converts and prints a summary.
int RunSmaf(const std::vector<std::string>& arguments);

// The ringtone job on the MIDI file at `input`: writes the ringtone and
// prints the job's report on `report`. A ringtone without a note is refused
// unless allow_empty: nothing is written and the failure says why.
int WriteRingtone(const std::string& input, const std::string& output, const chimekit::RingtoneOptions& options,
                  bool allow_empty, std::FILE* report);

// The timing a ringtone command was asked for: --library-timing or the
// tempo map.
chimekit::RingtoneTiming TimingOption(const ParsedArguments& parsed);

// The ringtone's title and copyright of --title and --copyright, and the
// input's file name, whose name is the title of last resort.
void TitleOptions(const ParsedArguments& parsed, const std::string& input, chimekit::RingtoneOptions& options);

}  // namespace cli
