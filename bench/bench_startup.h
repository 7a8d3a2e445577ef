// The program started on a big listing, as a process of its own: from the start to the
// first file shown, with its processor time and peak memory.
#pragma once

#include <string>
#include <vector>

namespace vqbench {

struct StartupCosts {
  std::vector<double> cpuMs;   // user and system time of each run's whole process
  std::vector<double> peakMb;  // each run's peak resident memory, MB (2^20 bytes)
};

// Runs `runs` fresh processes of this program (`self`, with the option below) that each
// start the main window offscreen on `folder` in folder-structure mode, list it, select
// and show its first file, and handle the window's pending events.
StartupCosts TimeStartup(const std::string& self, const std::string& folder, const std::string& programFolder,
                         std::size_t rows, int runs);

// The option that makes this program such a process, and what the process does: the
// main window on `folder`; exits 0 when the list holds `rows` rows and the first one is
// selected and shown, else 1 with a message. Never returns.
inline constexpr char kStartupOption[] = "--startup-process";
[[noreturn]] void RunStartupProcess(int argc, char** argv, const std::string& folder, const std::string& programFolder,
                      std::size_t rows);

}  // namespace vqbench
