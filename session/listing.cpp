#include "session/listing.h"

#include <algorithm>
#include <numeric>

#include <sys/stat.h>

#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/name_order.h"
#include "platform/text.h"

namespace vq {

namespace {

// One folder's MP3 files as the file system gave them, with the entry they are listed under.
struct FolderFiles {
  std::string entry;
  std::vector<Mp3FileInfo> files;
};

// The rows of each folder's files in name order, the folders in the order given.
std::vector<ListedFile> Rows(std::vector<FolderFiles>& folders) {
  std::size_t total = 0;
  for (const auto& f : folders) total += f.files.size();
  std::vector<ListedFile> rows;
  rows.reserve(total);
  std::vector<std::u16string> shown;
  std::vector<std::size_t> order;
  for (auto& folder : folders) {
    auto& files = folder.files;
    shown.clear();
    for (const auto& f : files) shown.push_back(DecodeName(f.name));
    order.resize(files.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return CompareNames(shown[a], files[a].name, shown[b], files[b].name) < 0;
    });
    const std::u16string subfolderName =
        folder.entry.empty() ? std::u16string() : DecodePath(std::string_view(folder.entry).substr(1));
    for (std::size_t k : order) {
      ListedFile& row = rows.emplace_back();
      row.name = std::move(files[k].name);
      row.subfolderEntry = folder.entry;
      row.modified = files[k].modified;
      row.modifiedNs = files[k].modifiedNs;
      row.readOnly = files[k].readOnly;
      row.displayName = std::move(shown[k]);
      row.subfolderName = subfolderName;
    }
  }
  return rows;
}

}  // namespace

ListedFile MakeRow(std::string subfolderEntry, std::string name, std::time_t modified, bool readOnly) {
  ListedFile row;
  row.subfolderName = subfolderEntry.empty() ? std::u16string() : DecodeName(std::string_view(subfolderEntry).substr(1));
  row.displayName = DecodeName(name);
  row.name = std::move(name);
  row.subfolderEntry = std::move(subfolderEntry);
  row.modified = modified;
  row.readOnly = readOnly;
  return row;
}

std::vector<ListedFile> ListOwnFiles(const std::string& folder) {
  std::vector<FolderFiles> folders{{std::string(), ListMp3Files(folder)}};
  return Rows(folders);
}

std::vector<ListedFile> ListFilesWithSubfolders(const std::string& folder) {
  std::vector<std::string> entries{std::string()};
  try {
    for (auto& name : ListSubfolderNames(folder)) entries.push_back(kSepChar + name);
  } catch (const Error&) {
    // The folder's own files may still be readable; the listing goes on.
  }
  std::vector<FolderFiles> folders;
  folders.reserve(entries.size());
  for (auto& entry : entries) {
    try {
      auto files = ListMp3Files(folder + entry);
      folders.push_back({std::move(entry), std::move(files)});
    } catch (const Error&) {
      // A subfolder that cannot be read gives no rows.
    }
  }
  return Rows(folders);
}

namespace {

// Direct subfolders that are folders themselves, not links to folders.
std::vector<std::string> RealSubfolderNames(const std::string& folder) {
  std::vector<std::string> out;
  for (std::string& name : ListSubfolderNames(folder)) {
    struct stat st {};
    if (::lstat(JoinPath(folder, name).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) out.push_back(std::move(name));
  }
  return out;
}

void CollectBelow(const std::string& folder, const std::string& entry, std::vector<FolderFiles>& out) {
  const std::string path = folder + entry;
  std::vector<std::string> subfolders;
  try {
    out.push_back({entry, ListMp3Files(path)});
    subfolders = RealSubfolderNames(path);
  } catch (const Error&) {
    if (entry.empty()) throw;
    return;
  }
  for (const std::string& name : subfolders) CollectBelow(folder, entry + kSepChar + name, out);
}

}  // namespace

std::vector<ListedFile> ListFilesBelow(const std::string& folder) {
  std::vector<FolderFiles> folders;
  CollectBelow(folder == "/" ? std::string() : folder, std::string(), folders);  // "" + "/x" at the root
  return Rows(folders);
}

int LastReadOnlyRow(const std::vector<ListedFile>& rows) {
  int row = -1;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].readOnly) row = static_cast<int>(i);
  return row;
}

std::string FolderPrefix(std::string_view folder, std::string_view subfolderEntry) {
  std::string p(folder);
  p += subfolderEntry;
  p += kSepChar;
  return p;
}

NextFolderResult FindNextFolder(const std::string& folder) {
  NextFolderResult r;
  const std::string parent = ParentPath(folder);
  if (parent.find(kSepChar) == std::string::npos) return r;
  r.deepEnough = true;
  std::vector<std::string> siblings;
  try {
    siblings = ListSubfoldersSorted(parent);
  } catch (const Error&) {
    return r;
  }
  const int n = static_cast<int>(siblings.size());
  for (int i = 0; i + 1 < n; ++i) {
    if (siblings[static_cast<std::size_t>(i)] == folder) {
      r.next = siblings[static_cast<std::size_t>(i) + 1];
      r.position = i + 1;
      r.count = n;
      break;
    }
  }
  return r;
}

std::u16string NextFolderCaption(int position, int count) {
  return u"次ﾌｫﾙﾀﾞへ(" + Utf8ToUtf16(std::to_string(position)) + u"/" + Utf8ToUtf16(std::to_string(count)) + u")";
}

}  // namespace vq
