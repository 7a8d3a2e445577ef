#include "platform/folder_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/fileio.h"
#include "platform/file_names.h"

namespace vq {

namespace {

struct DirCloser {
  DIR* d;
  ~DirCloser() { closedir(d); }
};

// Gives the temporary file the name when nothing has it: renameat2 with
// RENAME_NOREPLACE, or, on a file system without it, a second link and the temporary
// name removed.
bool TakeNameIfFree(const std::string& temp, const std::string& target) {
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
  int err = errno;
  if (err == EINVAL || err == ENOSYS) {
    if (::link(temp.c_str(), target.c_str()) == 0) {
      ::unlink(temp.c_str());
      return true;
    }
    err = errno;
  }
  if (err == EEXIST) return false;
  ThrowErrno(err);
}

}  // namespace

std::vector<std::string> ListFileNames(const std::string& folder) {
  FaultInjection::CheckPoint(FileOp::List);
  if (folder.find('\0') != std::string::npos) throw Error(ErrorKind::PathNotFound);
  DIR* d = opendir(folder.empty() ? "/" : folder.c_str());
  if (!d) ThrowErrno(errno);
  DirCloser closer{d};
  const int dfd = dirfd(d);
  std::vector<std::string> out;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    if (e->d_type != DT_REG && e->d_type != DT_LNK && e->d_type != DT_UNKNOWN) continue;
    if (e->d_type != DT_REG) {
      struct stat st {};
      if (fstatat(dfd, e->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
    }
    out.emplace_back(e->d_name);
  }
  return out;
}

bool WriteNewFile(const std::string& path, std::string_view bytes) {
  if (path.find('\0') != std::string::npos) throw Error(ErrorKind::PathNotFound);
  const std::string folder = ParentPath(path);
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) return false;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  RawFile temp = CreateTemporaryFile(folder + "/");
  const std::string tempPath = temp.path();
  bool taken = false;
  try {
    temp.WriteAt(0, bytes.data(), bytes.size());
    FaultInjection::CheckPoint(FileOp::Chmod);
    if (::fchmod(temp.fd(), 0666 & ~mask) != 0) ThrowErrno(errno);
    temp.Sync();
    FaultInjection::CheckPoint(FileOp::Rename);
    taken = TakeNameIfFree(tempPath, path);
  } catch (...) {
    temp = RawFile();
    ::unlink(tempPath.c_str());
    throw;
  }
  temp = RawFile();
  if (!taken) {
    ::unlink(tempPath.c_str());
    return false;
  }
  SyncFolder(folder.empty() ? "/" : folder);
  return true;
}

}  // namespace vq
