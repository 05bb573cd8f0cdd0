// The table of subcommands.
#include "command.h"
#include "inspection_commands.h"

namespace cli {

const std::vector<Command>& AllCommands() {
  static const std::vector<Command> commands = {
      {"length", "print the song length in milliseconds",
       "Usage: chimekit length IN.mid\n"
       "Prints the length of the longest track in milliseconds, timed at the file's last tempo.",
       RunLength},
      {"first-note", "print the tick of the earliest note-on",
       "Usage: chimekit first-note IN.mid\n"
       "Prints the absolute time in ticks of the earliest note-on of any velocity that stands\n"
       "before the end of its track; 2147483647 when there is none.",
       RunFirstNote},
  };
  return commands;
}

}  // namespace cli
