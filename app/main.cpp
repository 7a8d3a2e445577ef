// Velquist: the main window starts the program; its closing ends it.
#include <QApplication>
#include <QLoggingCategory>

#include <cstdio>
#include <string>
#include <variant>
#include <vector>

#include "app/cli/batch_command.h"
#include "app/cli/command_line.h"
#include "app/cli/cover_command.h"
#include "app/cli/readings_command.h"
#include "app/cli/rename_command.h"
#include "app/cli/to_unicode_command.h"
#include "app/cli/undo_command.h"
#include "windows/main/main_window.h"
#include "widgets/picture_codec_qt.h"
#include "widgets/termination.h"
#include "session/session.h"

namespace {

// The windows: the only mode that needs a display.
int RunWindows(int argc, char** argv) {
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

// One handler per mode: a mode without one does not build.
template <class... Handlers>
struct Dispatch : Handlers... {
  using Handlers::operator()...;
};

// The parser's own answer: the usage, the version, or a refusal.
int Answer(const vq::CommandLineAnswer& answer) {
  std::fputs(answer.err.c_str(), stderr);
  std::fputs(answer.out.c_str(), stdout);
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? answer.status : 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Every mode but the windows runs before QApplication exists, so it works without a
  // display; a refusal comes before anything is read or written.
  const vq::CommandLine commandLine = vq::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  // The cover passes decode and scale images with Qt's image I/O, which needs no display.
  // A broken picture is reported by the program, naming its file; the decoders' own
  // lines about it ("Corrupt JPEG data: ...") would only repeat it without the name.
  QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
  const vq::ui::QtPictureCodec codec;
  return std::visit(Dispatch{
                        [](const vq::CommandLineAnswer& answer) { return Answer(answer); },
                        [&](const vq::WindowsOptions&) { return RunWindows(argc, argv); },
                        [&](const vq::BatchCommandOptions& options) { return vq::RunBatchCommand(options, &codec); },
                        [&](const vq::CoverCommandOptions& options) { return vq::RunCoverCommand(options, codec); },
                        [&](const vq::ExtractCoversCommandOptions& options) {
                          return vq::RunExtractCoversCommand(options, codec);
                        },
                        [](const vq::ToUnicodeCommandOptions& options) { return vq::RunToUnicodeCommand(options); },
                        [](const vq::RenameCommandOptions& options) { return vq::RunRenameCommand(options); },
                        [](const vq::ReadingsCommandOptions& options) { return vq::RunReadingsCommand(options); },
                        [](const vq::UndoCommandOptions& options) { return vq::RunUndoCommand(options); },
                        [](const vq::ListPassesCommandOptions& options) { return vq::RunListPassesCommand(options); },
                    },
                    commandLine);
}
