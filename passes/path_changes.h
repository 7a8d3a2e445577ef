// The changes of paths a pass makes: renames that never replace a file, new files that
// never replace one, files removed, folders made and removed. The file systems of the
// folders they touch are flushed once, after a group of changes.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

class PathChanges {
 public:
  // `from` takes the name `to` (the folders above `to` made as needed): RenameNoReplace
  // (platform/safe_rename.h), which never replaces an existing name (NameTaken).
  void Rename(const std::string& from, const std::string& to);
  // A new file with `bytes`, flushed (AlreadyExists when the name is taken).
  void Create(const std::string& path, std::string_view bytes);
  void Remove(const std::string& path);
  void MakeFolder(const std::string& path);
  // Removes the folder when it is empty; false when it is not (or is gone).
  bool RemoveFolderIfEmpty(const std::string& path);
  // Flushes the file system of every folder touched so far, once each (syncfs).
  void SyncFolders();

 private:
  std::set<std::string> touched_;
};

// The folders above `path` that do not exist yet, outermost first.
std::vector<std::string> FoldersToMake(const std::string& path);

}  // namespace vq
