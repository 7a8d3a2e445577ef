#include "bench_window.h"

#include <QApplication>
#include <QListWidget>

#include "bench_util.h"
#include "session/session.h"
#include "mainwindow/form1.h"
#include "platform/ui/dialogs.h"

namespace vqbench {

WindowTimes TimeFileListWindow(const std::string& folder, const std::string& programFolder, int runs) {
  WindowTimes result;
  auto previous = vq::ui::Dialogs::SetAnswerer([&result](const vq::ui::MessageRequest&) {
    ++result.messages;
    return vq::ui::MsgAnswer::Ok;
  });
  {
    vq::Session state;
    vq::Form1Setup setup;
    setup.programFolder = programFolder;
    setup.startFolder = folder;
    vq::Form1 form(state, setup);
    form.Form_Load();
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
    result.rows = form.List1->count();
    if (form.List1->currentRow() != 0) Fail("the file list's first row was not selected");
    form.hide();
  }
  QApplication::processEvents();
  vq::ui::Dialogs::SetAnswerer(previous);
  return result;
}

}  // namespace vqbench
