// The main window's folder work without a window: the MP3 files of a folder in both
// naming modes, and the next sibling folder. Paths are the file system's bytes ("/"
// separated, no trailing "/" except the root itself); each row also carries the text
// its names are shown with.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

struct ListedFile {
  std::string name;             // the file name's bytes, no folder
  std::string subfolderEntry;   // "" or "/" + the subfolder name's bytes (ListFilesBelow: the path below)
  std::time_t modified = 0;     // local last-modified time, 0 when it could not be read
  long modifiedNs = 0;          // its nanoseconds, which keep-date puts back too
  bool readOnly = false;
  std::u16string displayName;   // the file name as shown
  std::u16string subfolderName;  // the subfolder's name as shown, "" for the folder itself
};

// A row for a file name in a subfolder entry, with the texts they are shown with.
ListedFile MakeRow(std::string subfolderEntry, std::string name, std::time_t modified = 0, bool readOnly = false);

// File-name mode: the folder's own MP3 files in name order (platform/name_order.h).
// Throws Error when the folder cannot be read.
std::vector<ListedFile> ListOwnFiles(const std::string& folder);

// Folder-structure mode: the folder's own MP3 files, then those of each direct subfolder,
// the subfolders and each one's files in name order. A folder or subfolder that cannot
// be read contributes no rows; the listing goes on.
std::vector<ListedFile> ListFilesWithSubfolders(const std::string& folder);

// Every MP3 file below the folder: the folder's own files, then each subfolder's and
// theirs, at any depth; each folder's files and subfolders in name order, the
// subfolder entry the path below the folder ("/Artist/Album"). Links to folders are not
// followed, hidden entries are left out. Throws Error when the folder cannot be read;
// a subfolder that cannot be read contributes no rows.
std::vector<ListedFile> ListFilesBelow(const std::string& folder);

// Index of the last read-only row, -1 when there is none.
int LastReadOnlyRow(const std::vector<ListedFile>& rows);

// The folder part of a row's path, ending in "/": folder + entry + "/" ("//" at the root).
std::string FolderPrefix(std::string_view folder, std::string_view subfolderEntry);

struct NextFolderResult {
  bool deepEnough = false;  // the folder lies at least two levels below the root
  std::string next;         // the following sibling's full path, "" when there is none
  int position = 0;         // k: 1-based position of the folder among its siblings
  int count = 0;            // n: number of siblings
};

// Looks the folder up among its parent's subfolders (in name order):
// the next sibling, and k and n for the caption "次ﾌｫﾙﾀﾞへ(k/n)". A parent that cannot
// be read gives no next folder.
NextFolderResult FindNextFolder(const std::string& folder);

// "次ﾌｫﾙﾀﾞへ(2/5)"
std::u16string NextFolderCaption(int position, int count);

}  // namespace vq
