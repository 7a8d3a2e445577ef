#include "platform/ui/shell.h"

#include <QProcess>

namespace vq::ui {

namespace {

Shell::Launcher& CurrentLauncher() {
  static Shell::Launcher launcher;
  return launcher;
}

}  // namespace

bool Shell::OpenWithAssociated(const QString& file, const QString& workingFolder) {
  const QString program = QStringLiteral("xdg-open");
  const QStringList arguments{file};
  if (const auto& launcher = CurrentLauncher()) return launcher(program, arguments, workingFolder);
  return QProcess::startDetached(program, arguments, workingFolder);
}

Shell::Launcher Shell::SetLauncher(Launcher launcher) {
  Launcher previous = std::move(CurrentLauncher());
  CurrentLauncher() = std::move(launcher);
  return previous;
}

}  // namespace vq::ui
