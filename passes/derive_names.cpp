#include "passes/derive_names.h"

#include "platform/fileio.h"
#include "platform/text.h"

namespace vq {
namespace {

std::u16string_view DropLeadingSpaces(std::u16string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == u' ') ++i;
  return s.substr(i);
}

}  // namespace

DerivedNames DeriveNames(std::u16string_view folderPath, std::u16string_view subfolderEntry,
                         std::u16string_view fileEntry) {
  DerivedNames names;
  size_t sep = folderPath.rfind(kSep);
  names.FolderName = std::u16string(DropLeadingSpaces(sep == std::u16string_view::npos ? folderPath
                                                                                         : folderPath.substr(sep + 1)));
  if (!subfolderEntry.empty()) names.SubfolderName = std::u16string(subfolderEntry.substr(1));
  std::u16string_view file = DropLeadingSpaces(fileEntry);
  if (file.size() < 4) throw Error(ErrorKind::InvalidArgument);
  names.FileTitle = std::u16string(file.substr(0, file.size() - 4));
  return names;
}

std::u16string FilePath(std::u16string_view folderPath, std::u16string_view subfolderEntry,
                        std::u16string_view fileEntry) {
  std::u16string p(folderPath);
  p += subfolderEntry;
  p += kSep;
  p += fileEntry;
  return p;
}

}  // namespace vq
