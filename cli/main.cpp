// chimekit: the command-line client of the chimekit core.
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "command.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace {

void PrintToolHelp(std::FILE* out) {
  std::fprintf(out,
               "chimekit " CHIMEKIT_VERSION ": inspect, edit and convert Standard MIDI Files, above all into handset ringtones.\n"
               "Usage: chimekit COMMAND [ARGUMENTS]\n\n"
               "Commands:\n");
  for (const cli::Command& command : cli::AllCommands()) {
    std::fprintf(out, "  %-15s %s\n", command.name, command.summary);
  }
  std::fprintf(out,
               "\nRun 'chimekit COMMAND --help' for the arguments of a command, 'chimekit --version' for the version.\n"
               "An input named '-' is read from standard input; an output named '-' (or left out, where\n"
               "optional) goes to standard output. Time options take seconds (up to three decimals) as the\n"
               "song plays; channels are numbered 1 to 16 (drums on 10).\n"
               "Exit status: 0 done, 1 failure (the reason is printed), 2 wrong arguments.\n");
}

const cli::Command* FindCommand(const std::string& name) {
  for (const cli::Command& command : cli::AllCommands()) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  // Inputs and outputs are bytes (ringtones, MIDI files, text with its own CR LF).
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.empty()) {
    PrintToolHelp(stderr);
    return cli::kExitUsage;
  }
  if (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
    PrintToolHelp(stdout);
    return cli::kExitOk;
  }
  if (arguments[0] == "--version") {
    std::printf("chimekit %s\n", CHIMEKIT_VERSION);
    return cli::kExitOk;
  }
  const cli::Command* command = FindCommand(arguments[0]);
  if (command == nullptr) {
    std::fprintf(stderr, "chimekit: unknown command '%s'\nsee 'chimekit --help'\n", arguments[0].c_str());
    return cli::kExitUsage;
  }
  arguments.erase(arguments.begin());
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      std::fprintf(stdout, "%s\n", command->help);
      return cli::kExitOk;
    }
  }
  try {
    return command->run(arguments);
  } catch (const cli::UsageError& error) {
    std::fprintf(stderr, "chimekit %s: %s\nsee 'chimekit %s --help'\n", command->name, error.what(), command->name);
    return cli::kExitUsage;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "chimekit %s: Out of memory\n", command->name);
    return cli::kExitFailure;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "chimekit %s: %s\n", command->name, error.what());
    return cli::kExitFailure;
  }
}
