// Artist, album and title from a file's place in the folder tree.
#pragma once

#include <string>
#include <string_view>

namespace vq {

struct DerivedNames {
  std::u16string FolderName;     // artist: the current folder's last component
  std::u16string SubfolderName;  // album: the row's subfolder, "" for the folder itself
  std::u16string FileTitle;      // title: the file name less its last four characters
};

// folderPath: the current folder ("/" at the root, no trailing separator elsewhere);
// subfolderEntry: "" or "/" + name; fileEntry: the bare file name.
// Throws Error(InvalidArgument) for a file entry of fewer than four characters after
// its leading spaces.
DerivedNames DeriveNames(std::u16string_view folderPath, std::u16string_view subfolderEntry,
                         std::u16string_view fileEntry);

// folderPath + subfolderEntry + "/" + fileEntry ("//a.mp3" at the root).
std::u16string FilePath(std::u16string_view folderPath, std::u16string_view subfolderEntry,
                        std::u16string_view fileEntry);

}  // namespace vq
