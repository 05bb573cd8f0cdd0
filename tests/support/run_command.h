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

}  // namespace test_support
