// Small helpers of the benchmark program: clocks, medians, files and a temporary folder.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace vqbench {

// Milliseconds since an arbitrary start, steady.
inline double NowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Milliseconds of processor time this process has used (user and system), for telling
// a slow measurement from one that other processes on the machine held up.
double CpuMs();

double Median(std::vector<double> values);

// Stops the program with a message: a benchmark whose work failed measures nothing.
[[noreturn]] void Fail(const std::string& what);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
void MakeDirs(const std::string& path);
void RemoveTree(const std::string& path);

// Writes every dirty page to disk, so that a measurement that flushes does not also pay
// for what an earlier step left in the page cache.
void SyncDisk();
// Writes dirty pages out, then empties the page cache (as root; elsewhere only the former).
void DropPageCache();

// Flushes the file, drops it from the page cache and reads it back whole, so that the
// cache holds it as reading a file from disk leaves it. A file the benchmark has just
// written in one piece sits in the cache in the large blocks of that write instead,
// which makes the next small write into it several times slower than on a file that
// was read (for every program alike), and is not how a user's files are cached.
void RecacheAsRead(const std::string& path);

// "velquist ARGS..." as a user runs it: a process of its own, without a display, its
// output to /dev/null. Returns the whole run's wall-clock milliseconds (start-up,
// listing and pass); `cpuMs`, when given, gets the process's processor time (user and
// system). A run that does not end with status 0 fails the benchmark.
double RunVelquist(const std::vector<std::string>& args, double* cpuMs = nullptr);

// "cp -r FROM TO; sync" as a process: what a safe copy of a tree costs with one flush.
double RunCopyAndSync(const std::string& from, const std::string& to);

// A fresh folder under $TMPDIR (else /tmp), removed with its contents.
class BenchDir {
 public:
  BenchDir();
  ~BenchDir();
  BenchDir(const BenchDir&) = delete;
  BenchDir& operator=(const BenchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

 private:
  std::string path_;
};

}  // namespace vqbench
