#include "passes/path_changes.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/fileio.h"
#include "platform/safe_rename.h"

namespace vq {
namespace {

std::string ParentOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

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
  MakeFolders(ParentOf(to));
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
  MakeFolders(path);
  touched_.insert(ParentOf(path));
}

bool PathChanges::RemoveFolderIfEmpty(const std::string& path) {
  if (!RemoveEmptyFolder(path)) return false;
  touched_.insert(ParentOf(path));
  return true;
}

void PathChanges::SyncFolders() {
  // One sync of each file system: a folder's fsync costs a journal commit of its own
  // (about 4 ms on ext4), and a group touches dozens of folders.
  std::vector<dev_t> synced;
  for (const std::string& folder : touched_) {
    const int fd = ::open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && std::find(synced.begin(), synced.end(), st.st_dev) == synced.end()) {
      synced.push_back(st.st_dev);
      ::syncfs(fd);
    }
    ::close(fd);
  }
  touched_.clear();
}

}  // namespace vq
