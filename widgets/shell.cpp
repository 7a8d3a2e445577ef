#include "widgets/shell.h"

#include "platform/launch.h"

namespace vq::ui {

namespace {

Shell::Launcher& CurrentLauncher() {
  static Shell::Launcher launcher;
  return launcher;
}

}  // namespace

bool Shell::OpenWithAssociated(const std::string& file, const std::string& workingFolder) {
  const std::string program = "xdg-open";
  const std::vector<std::string> arguments{file};
  if (const auto& launcher = CurrentLauncher()) return launcher(program, arguments, workingFolder);
  return StartDetached(program, arguments, workingFolder);
}

Shell::Launcher Shell::SetLauncher(Launcher launcher) {
  Launcher previous = std::move(CurrentLauncher());
  CurrentLauncher() = std::move(launcher);
  return previous;
}

}  // namespace vq::ui
