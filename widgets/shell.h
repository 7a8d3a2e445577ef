// Opening a file with the program the desktop associates with it ("xdg-open FILE"),
// through a launcher that tests can replace so that no player starts. The file and the
// working folder are paths: the file system's bytes.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vq::ui {

class Shell {
 public:
  // Starts `program` with `arguments` detached, in `workingFolder`; true when it started.
  using Launcher = std::function<bool(const std::string& program, const std::vector<std::string>& arguments,
                                      const std::string& workingFolder)>;

  // Runs "xdg-open FILE" detached with the given working folder. Whether it started is
  // returned; the callers ignore it, as a player that fails to start is no error here.
  static bool OpenWithAssociated(const std::string& file, const std::string& workingFolder);

  // Test hook; an empty function restores the real start. Returns the previous one.
  static Launcher SetLauncher(Launcher launcher);
};

}  // namespace vq::ui
