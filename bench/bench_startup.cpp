#include "bench_startup.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <iostream>

#include "bench_util.h"
#include "windows/main/main_window.h"
#include "widgets/dialogs.h"
#include "session/session.h"

extern char** environ;

namespace vqbench {

StartupCosts TimeStartup(const std::string& self, const std::string& folder, const std::string& programFolder,
                         std::size_t rows, int runs) {
  StartupCosts costs;
  std::string option = kStartupOption, target = folder, program = programFolder, count = std::to_string(rows);
  std::string exe = self;
  char* argv[] = {exe.data(), option.data(), target.data(), program.data(), count.data(), nullptr};
  for (int r = 0; r < runs; ++r) {
    pid_t pid;
    if (posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, environ) != 0) Fail("cannot start " + exe);
    int status = 0;
    struct rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Fail("the start-up process failed on " + folder);
    auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1000 + static_cast<double>(t.tv_usec) / 1000; };
    costs.cpuMs.push_back(ms(usage.ru_utime) + ms(usage.ru_stime));
    costs.peakMb.push_back(static_cast<double>(usage.ru_maxrss) / 1024);  // ru_maxrss is in KB
  }
  return costs;
}

void RunStartupProcess(int argc, char** argv, const std::string& folder, const std::string& programFolder,
                      std::size_t rows) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int messages = 0;
  vq::ui::Dialogs::SetAnswerer([&messages](const vq::ui::MessageRequest&) {
    ++messages;
    return vq::ui::MsgAnswer::Ok;
  });
  vq::Session session;
  vq::MainWindowSetup setup;
  setup.programFolder = programFolder;
  setup.startFolder = folder;
  vq::MainWindow form(session, setup);
  form.Start();
  QApplication::processEvents();
  QApplication::processEvents();
  std::string problem;
  if (session.fileNameMode) problem = "the main window did not start in folder-structure mode";
  else if (session.rows.size() != rows) problem = "the list holds " + std::to_string(session.rows.size()) + " rows";
  else if (session.selectedRow != 0 || session.FrameListing().empty()) problem = "the first file was not shown";
  else if (messages != 0) problem = "the main window raised a message box";
  if (!problem.empty()) std::cerr << "vq_bench start-up process: " << problem << "\n";
  // Ends here, idle with the first file shown: tearing the window down is not start-up.
  std::fflush(nullptr);
  ::_exit(problem.empty() ? 0 : 1);
}

}  // namespace vqbench
