#include "support/ui/program_run.h"

#include <sys/wait.h>

#include <cstdlib>

#include "test_util.h"

namespace vqtest {

std::string ProgramCommand(const std::vector<std::string>& args, const std::string& stateHome) {
  std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
  if (!stateHome.empty()) command += "XDG_STATE_HOME='" + stateHome + "' ";
  command += "'" + std::string(VQ_VELQUIST_EXE) + "'";
  for (const auto& a : args) command += " '" + a + "'";
  return command;
}

ProgramOutcome RunProgram(const std::vector<std::string>& args, const std::string& stateHome) {
  TempDir dir;
  const std::string command =
      ProgramCommand(args, stateHome) + " >'" + (dir / "out") + "' 2>'" + (dir / "err") + "'";
  ProgramOutcome r;
  const int raw = std::system(command.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = ReadBytes(dir / "out");
  r.err = ReadBytes(dir / "err");
  return r;
}

}  // namespace vqtest
