#include "session/listing.h"

#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/text.h"

namespace vq {

namespace {

std::vector<ListedFile> Rows(const std::string& folder, const std::string& entry) {
  std::vector<ListedFile> rows;
  for (auto& f : ListMp3Files(folder)) {
    rows.push_back(MakeRow(entry, std::move(f.name), f.modified, f.readOnly));
    rows.back().modifiedNs = f.modifiedNs;
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

std::vector<ListedFile> ListOwnFiles(const std::string& folder) { return Rows(folder, std::string()); }

std::vector<ListedFile> ListFilesWithSubfolders(const std::string& folder) {
  std::vector<std::string> entries{std::string()};
  try {
    for (auto& name : ListSubfolderNames(folder)) entries.push_back(kSepChar + name);
  } catch (const Error&) {
    // The folder's own files may still be readable; the listing goes on.
  }
  std::vector<ListedFile> rows;
  for (const auto& entry : entries) {
    try {
      auto part = Rows(folder + entry, entry);
      rows.insert(rows.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
    } catch (const Error&) {
      // A subfolder that cannot be read gives no rows.
    }
  }
  return rows;
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
