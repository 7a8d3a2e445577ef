#include "platform/launch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace vq {

namespace {

std::string FindProgram(const std::string& program) {
  if (program.find('/') != std::string::npos) return program;
  const char* pathVar = std::getenv("PATH");
  std::string path = pathVar ? pathVar : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t colon = path.find(':', start);
    if (colon == std::string::npos) colon = path.size();
    std::string dir = path.substr(start, colon - start);
    std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
    struct stat st {};
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = colon + 1;
  }
  return {};
}

}  // namespace

bool StartDetached(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& workingFolder) {
  const std::string resolved = FindProgram(program);
  if (resolved.empty()) return false;
  // Everything the children use is prepared before the fork: between fork and exec
  // only async-signal-safe calls are made.
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const char* folder = workingFolder.empty() ? nullptr : workingFolder.c_str();
  int ready[2];
  if (::pipe2(ready, O_CLOEXEC) != 0) return false;

  const pid_t child = ::fork();
  if (child < 0) {
    ::close(ready[0]);
    ::close(ready[1]);
    return false;
  }
  if (child == 0) {
    // The first child starts the program in a new session and leaves at once, so the
    // program is nobody's child here and no zombie is left behind.
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
    const int devnull = ::open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      ::dup2(devnull, 0);
      ::dup2(devnull, 1);
      ::dup2(devnull, 2);
    }
    if (folder && ::chdir(folder) != 0) {
      const char failed = 1;
      (void)!::write(ready[1], &failed, 1);
      _exit(127);
    }
    ::execve(resolved.c_str(), argv.data(), environ);
    const char failed = 1;
    (void)!::write(ready[1], &failed, 1);
    _exit(127);
  }
  ::close(ready[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // The pipe closes on a successful exec; a byte in it means the start failed.
  char failed = 0;
  ssize_t n;
  do {
    n = ::read(ready[0], &failed, 1);
  } while (n < 0 && errno == EINTR);
  ::close(ready[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

}  // namespace vq
