#include "mainwindow/listing_engine.h"

#include "platform/fileio.h"
#include "platform/text.h"

namespace vq {

namespace {

std::vector<ListedFile> Rows(const std::string& folderUtf8, const std::u16string& entry) {
  std::vector<ListedFile> rows;
  for (auto& f : ListMp3Files(folderUtf8)) {
    rows.push_back({Utf8ToUtf16(f.name), entry, f.modified, f.readOnly});
  }
  return rows;
}

}  // namespace

std::vector<ListedFile> ListOwnFiles(std::u16string_view folder) {
  return Rows(Utf16ToUtf8(folder), u"");
}

std::vector<ListedFile> ListFilesWithSubfolders(std::u16string_view folder) {
  std::string base = Utf16ToUtf8(folder);
  std::vector<std::u16string> entries{u""};
  try {
    for (auto& name : ListSubfolderNames(base)) entries.push_back(kSep + Utf8ToUtf16(name));
  } catch (const Error&) {
    // The folder's own files may still be readable; the listing goes on.
  }
  std::vector<ListedFile> rows;
  for (const auto& entry : entries) {
    try {
      auto part = Rows(base + Utf16ToUtf8(entry), entry);
      rows.insert(rows.end(), part.begin(), part.end());
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

std::u16string FolderPrefix(std::u16string_view folder, std::u16string_view subfolderEntry) {
  std::u16string p(folder);
  p += subfolderEntry;
  p += kSep;
  return p;
}

std::u16string ParentPath(std::u16string_view path) {
  auto pos = path.rfind(kSep);
  if (pos == std::u16string_view::npos) return std::u16string(path);
  return std::u16string(path.substr(0, pos));
}

std::u16string LastComponent(std::u16string_view path) {
  auto pos = path.rfind(kSep);
  if (pos == std::u16string_view::npos) return std::u16string(path);
  return std::u16string(path.substr(pos + 1));
}

NextFolderResult FindNextFolder(std::u16string_view folder) {
  NextFolderResult r;
  std::u16string parent = ParentPath(folder);
  if (parent.find(kSep) == std::u16string::npos) return r;
  r.deepEnough = true;
  std::vector<std::string> siblings;
  try {
    siblings = ListSubfoldersSorted(Utf16ToUtf8(parent));
  } catch (const Error&) {
    return r;
  }
  std::string current = Utf16ToUtf8(folder);
  int n = static_cast<int>(siblings.size());
  for (int i = 0; i + 1 < n; ++i) {
    if (siblings[i] == current) {
      r.next = Utf8ToUtf16(siblings[i + 1]);
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
