// The program itself, run as a user runs it from a shell: no display, no Qt platform.
#pragma once

#include <string>
#include <vector>

namespace vqtest {

struct ProgramOutcome {
  int status = -1;       // the exit status; -1 when it did not exit
  std::string out, err;  // standard output and error, UTF-8
};

// The shell command that runs the program with `args` (each quoted), its journals in
// `stateHome` when one is given.
std::string ProgramCommand(const std::vector<std::string>& args, const std::string& stateHome = "");

// Runs the program to its end.
ProgramOutcome RunProgram(const std::vector<std::string>& args, const std::string& stateHome = "");

}  // namespace vqtest
