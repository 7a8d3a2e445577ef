#include "bench_window.h"

#include <QApplication>
#include <QListView>

#include "bench_util.h"
#include "session/session.h"
#include "windows/main/main_window.h"
#include "widgets/dialogs.h"

namespace vqbench {

WindowTimes TimeFileListWindow(const std::string& folder, const std::string& programFolder, int runs) {
  WindowTimes result;
  auto previous = vq::ui::Dialogs::SetAnswerer([&result](const vq::ui::MessageRequest&) {
    ++result.messages;
    return vq::ui::MsgAnswer::Ok;
  });
  {
    vq::Session state;
    vq::MainWindowSetup setup;
    setup.programFolder = programFolder;
    setup.startFolder = folder;
    vq::MainWindow form(state, setup);
    form.Start();
    QApplication::processEvents();
    if (form.FileNameMode()) Fail("the main window did not start in folder-structure mode");

    for (int r = 0; r <= runs; ++r) {
      double start = NowMs(), cpu = CpuMs();
      form.ListSubfolderFiles();
      QApplication::processEvents();
      double ms = NowMs() - start;
      if (r > 0) {
        result.ms.push_back(ms);
        result.cpuMs.push_back(CpuMs() - cpu);
      }
    }
    result.rows = form.fileList->model()->rowCount();
    if (form.fileList->currentIndex().row() != 0) Fail("the file list's first row was not selected");
    form.hide();
  }
  QApplication::processEvents();
  vq::ui::Dialogs::SetAnswerer(previous);
  return result;
}

}  // namespace vqbench
