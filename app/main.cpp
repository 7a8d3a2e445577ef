// Velquist: the main window starts the program; its closing ends it.
#include <QApplication>

#include <cstdio>
#include <cstring>

#include "app/cli/batch_command.h"
#include "app/cli/to_unicode_command.h"
#include "app/cli/undo_command.h"
#include "windows/main/main_window.h"
#include "widgets/termination.h"
#include "session/session.h"

int main(int argc, char** argv) {
  // Options that need no windows are handled before QApplication exists, so they work
  // without a display.
  if (vq::IsToUnicodeCommand(argc, argv)) return vq::RunToUnicodeCommand(argc, argv);
  if (vq::IsUndoCommand(argc, argv)) return vq::RunUndoCommand(argc, argv);
  if (vq::IsBatchCommand(argc, argv)) return vq::RunBatchCommand(argc, argv, VQ_VERSION);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("velquist %s\n", VQ_VERSION);
      return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Velquist"));
  vq::ui::TerminationNotifier termination;
  // Only the main window's confirmed closing ends the program.
  QApplication::setQuitOnLastWindowClosed(false);

  vq::Session session;
  vq::MainWindow mainWindow(session);
  QObject::connect(&mainWindow, &vq::MainWindow::programEnded, &app, &QCoreApplication::quit, Qt::QueuedConnection);
  // The desktop session ending (SIGTERM, or SIGINT and SIGHUP from a terminal): a running
  // pass ends before its next file, then the program quits without asking and without
  // saving Path.dat.
  QObject::connect(&termination, &vq::ui::TerminationNotifier::requested, &app, [&session] {
    session.endRequested = true;
    QCoreApplication::exit(0);  // leaves every event loop; quit() would ask the windows to close
  });
  mainWindow.Start();
  return app.exec();
}
