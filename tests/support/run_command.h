// Runs the chimekit tool as a user would and captures what it prints.
#pragma once

#include <string>
#include <vector>

namespace test_support {

struct CommandResult {
  int exit_code = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs the program with the arguments (no shell involved) and waits for it.
CommandResult RunProgram(const std::string& program, const std::vector<std::string>& arguments);

#ifdef CHIMEKIT_CLI_PATH
// Runs the chimekit tool of this build.
inline CommandResult RunChimekit(const std::vector<std::string>& arguments) {
  return RunProgram(CHIMEKIT_CLI_PATH, arguments);
}
#endif

}  // namespace test_support
