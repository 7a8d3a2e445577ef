// The main window's file list filled from a folder-structure listing, offscreen.
#pragma once

#include <string>
#include <vector>

namespace vqbench {

struct WindowTimes {
  std::vector<double> ms;     // one per timed run, wall clock
  std::vector<double> cpuMs;  // the same runs, processor time
  int rows = 0;            // rows in the file list after the last run
  int messages = 0;        // message boxes the window raised (answered with Ok)
};

// Starts the main window (MainWindow, with its reference viewer) on `folder` and times
// `runs` rebuilds of its file list as the window does it in folder-structure mode:
// the listing into the session's rows (which fileList shows), the first row selected
// and its file shown, and the window's pending events (layout and painting) processed.
// One untimed run goes first. Needs a QApplication.
WindowTimes TimeFileListWindow(const std::string& folder, const std::string& programFolder, int runs);

}  // namespace vqbench
