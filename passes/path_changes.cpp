#include "passes/path_changes.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fileio.h"

namespace vq {
namespace {

std::string ParentOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return ::lstat(a.c_str(), &sa) == 0 && ::lstat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

void RenameOnce(const std::string& from, const std::string& to) {
  FaultInjection::CheckPoint(FileOp::Rename);
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
  int err = errno;
  if (err == EEXIST) throw Error(ErrorKind::AlreadyExists);
  if (err != EINVAL && err != ENOSYS) ThrowErrno(err);
  // No RENAME_NOREPLACE here: a new link never replaces a name; then the old name goes.
  if (::link(from.c_str(), to.c_str()) != 0) {
    err = errno;
    if (err == EEXIST) throw Error(ErrorKind::AlreadyExists);
    ThrowErrno(err);
  }
  if (::unlink(from.c_str()) != 0) {
    err = errno;
    ::unlink(to.c_str());
    ThrowErrno(err);
  }
}

}  // namespace

void RenameNoReplace(const std::string& from, const std::string& to) {
  if (from == to) return;
  // On a file system that ignores case, "a.mp3" and "A.mp3" name one file: the rename
  // goes through a name of its own.
  if (SameFile(from, to)) {
    const std::string between = ParentOf(from) + "/.~vq-rename-" + std::to_string(::getpid());
    RenameOnce(from, between);
    try {
      RenameOnce(between, to);
    } catch (...) {
      ::rename(between.c_str(), from.c_str());
      throw;
    }
    return;
  }
  RenameOnce(from, to);
}

std::vector<std::string> FoldersToMake(const std::string& path) {
  std::vector<std::string> out;
  for (std::string folder = ParentOf(path); folder != "/" && folder != "."; folder = ParentOf(folder)) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) == 0) break;
    out.insert(out.begin(), folder);
  }
  return out;
}

void PathChanges::Rename(const std::string& from, const std::string& to) {
  for (const std::string& folder : FoldersToMake(to)) MakeFolder(folder);
  RenameNoReplace(from, to);
  touched_.insert(ParentOf(from));
  touched_.insert(ParentOf(to));
}

void PathChanges::Create(const std::string& path, std::string_view bytes) {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  RawFile file = CreateNewFile(path, 0666 & ~mask);
  try {
    file.WriteAt(0, bytes.data(), bytes.size());
    file.Sync();
    file.Close();
  } catch (...) {
    file = RawFile();
    ::unlink(path.c_str());
    throw;
  }
  touched_.insert(ParentOf(path));
}

void PathChanges::Remove(const std::string& path) {
  RemoveFile(path);
  touched_.insert(ParentOf(path));
}

void PathChanges::MakeFolder(const std::string& path) {
  FaultInjection::CheckPoint(FileOp::Write);
  if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) ThrowErrno(errno);
  touched_.insert(ParentOf(path));
}

bool PathChanges::RemoveFolderIfEmpty(const std::string& path) {
  FaultInjection::CheckPoint(FileOp::Remove);
  if (::rmdir(path.c_str()) != 0) {
    if (errno == ENOTEMPTY || errno == EEXIST || errno == ENOENT) return false;
    ThrowErrno(errno);
  }
  touched_.insert(ParentOf(path));
  return true;
}

void PathChanges::SyncFolders() {
  for (const std::string& folder : touched_) SyncFolder(folder);
  touched_.clear();
}

}  // namespace vq
