// Opening a file with the program the desktop associates with it ("xdg-open FILE"),
// through a launcher that tests can replace so that no player starts.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace vq::ui {

class Shell {
 public:
  // Starts `program` with `arguments` detached, in `workingFolder`; true when it started.
  using Launcher =
      std::function<bool(const QString& program, const QStringList& arguments, const QString& workingFolder)>;

  // Runs "xdg-open FILE" detached with the given working folder. Whether it started is
  // returned; the callers ignore it, as a player that fails to start is no error here.
  static bool OpenWithAssociated(const QString& file, const QString& workingFolder);

  // Test hook; an empty function restores QProcess::startDetached. Returns the previous one.
  static Launcher SetLauncher(Launcher launcher);
};

}  // namespace vq::ui
