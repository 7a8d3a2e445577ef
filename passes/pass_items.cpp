#include "passes/pass_items.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/name_order.h"

namespace vq {
namespace {

// Direct subfolders that are real folders, not links to folders; hidden ones left out.
std::vector<std::string> RealSubfolders(const std::string& folder) {
  FaultInjection::CheckPoint(FileOp::List);
  DIR* d = opendir(folder.c_str());
  if (!d) ThrowErrno(errno);
  std::vector<std::string> out;
  const int dfd = dirfd(d);
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    bool dir = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN) {
      struct stat st {};
      dir = fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    }
    if (dir) out.emplace_back(e->d_name);
  }
  closedir(d);
  SortNames(out);
  return out;
}

void CollectBelow(const std::string& folder, std::vector<PassItem>& out, bool top) {
  std::vector<Mp3FileInfo> files;
  std::vector<std::string> subfolders;
  try {
    files = ListMp3Files(folder);
    subfolders = RealSubfolders(folder);
  } catch (const Error&) {
    if (top) throw;
    return;
  }
  std::vector<std::string> names;
  names.reserve(files.size());
  for (const Mp3FileInfo& f : files) names.push_back(f.name);
  SortNames(names);
  const std::u16string shownFolder = DecodePath(folder == "/" ? folder : folder + "/");
  for (const std::string& name : names) out.push_back({JoinPath(folder, name), shownFolder, DecodeName(name)});
  for (const std::string& sub : subfolders) CollectBelow(JoinPath(folder, sub), out, false);
}

}  // namespace

std::vector<PassItem> ListMp3FilesBelow(const std::string& folder) {
  std::vector<PassItem> out;
  CollectBelow(folder, out, true);
  return out;
}

std::vector<PassItem> ItemsOfRows(const std::string& folder, const std::vector<ListedFile>& rows) {
  std::vector<PassItem> out;
  out.reserve(rows.size());
  for (const ListedFile& row : rows) {
    const std::string prefix = FolderPrefix(folder, row.subfolderEntry);
    out.push_back({prefix + row.name, DecodePath(prefix), row.displayName});
  }
  return out;
}

}  // namespace vq
