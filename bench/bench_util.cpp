#include "bench_util.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

namespace vqbench {

double CpuMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1000 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

namespace {
std::string liveBenchDir;  // removed by Fail too, which leaves without unwinding
}  // namespace

void Fail(const std::string& what) {
  std::cerr << "vq_bench: " << what << "\n";
  if (!liveBenchDir.empty()) RemoveTree(liveBenchDir);
  std::exit(1);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot read " + path);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) Fail("cannot create " + path + ": " + std::strerror(errno));
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) Fail("cannot write " + path + ": " + std::strerror(errno));
    done += static_cast<std::size_t>(w);
  }
  if (::close(fd) != 0) Fail("cannot close " + path);
}

void MakeDirs(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (ec) Fail("cannot create folder " + path + ": " + ec.message());
}

void RemoveTree(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

void SyncDisk() { ::sync(); }

void DropPageCache() {
  ::sync();
  // Root only; elsewhere the cache stays as it is.
  if (FILE* f = std::fopen("/proc/sys/vm/drop_caches", "w")) {
    std::fputs("1\n", f);
    std::fclose(f);
  }
}

void RecacheAsRead(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("cannot open " + path);
  ::fdatasync(fd);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  static std::vector<char> buffer(128 * 1024);
  while (::read(fd, buffer.data(), buffer.size()) > 0) {
  }
  ::close(fd);
}

BenchDir::BenchDir() {
  const char* base = std::getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/vq-bench-XXXXXX";
  if (!::mkdtemp(tmpl.data())) Fail("cannot create a temporary folder: " + std::string(std::strerror(errno)));
  path_ = tmpl;
  liveBenchDir = path_;
}

BenchDir::~BenchDir() {
  RemoveTree(path_);
  liveBenchDir.clear();
}

double RunVelquist(const std::vector<std::string>& args, double* cpuMs) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string var = *e;
    if (var.rfind("DISPLAY=", 0) != 0 && var.rfind("WAYLAND_DISPLAY=", 0) != 0 && var.rfind("QT_QPA_PLATFORM=", 0) != 0)
      env.push_back(var);
  }
  std::vector<char*> envp;
  for (auto& v : env) envp.push_back(v.data());
  envp.push_back(nullptr);
  std::string exe = VQ_VELQUIST_EXE;
  std::vector<std::string> words = args;
  std::vector<char*> argv{exe.data()};
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const double start = NowMs();
  pid_t pid;
  if (posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) Fail("cannot start " + exe);
  int status = 0;
  struct rusage usage {};
  while (::wait4(pid, &status, 0, &usage) < 0) {
  }
  const double ms = NowMs() - start;
  if (cpuMs)
    *cpuMs = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
             static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::string line = "velquist";
    for (const std::string& a : args) line += " " + a;
    Fail(line + " failed");
  }
  return ms;
}

double RunCopyAndSync(const std::string& from, const std::string& to) {
  const std::string command = "cp -r '" + from + "' '" + to + "' && sync";
  const double start = NowMs();
  if (std::system(command.c_str()) != 0) Fail("cp -r failed: " + command);
  return NowMs() - start;
}

}  // namespace vqbench
