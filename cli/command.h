// The subcommands of the chimekit tool: each is a name, a one-line summary,
// a help text and a function that runs it.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace cli {

struct Command {
  const char* name;
  const char* summary;
  const char* help;  // usage line(s) and details, printed by --help
  int (*run)(const std::vector<std::string>& arguments);
};

// Every subcommand, in the order the tool's help lists them.
const std::vector<Command>& AllCommands();

// Exit codes of the tool.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Wrong arguments: main prints the message and a pointer to the command's
// help, and exits with kExitUsage.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace cli
