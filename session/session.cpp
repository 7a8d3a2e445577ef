#include "session/session.h"

#include "platform/file_names.h"

namespace vq {

std::string Session::FolderPrefix(int row) const {
  const ListedFile* r = Row(row);
  return vq::FolderPrefix(folder, r && !fileNameMode ? std::string_view(r->subfolderEntry) : std::string_view());
}

std::string Session::FilePath(int row) const {
  const ListedFile* r = Row(row);
  return r ? FolderPrefix(row) + r->name : std::string();
}

std::u16string Session::ShownFolderPrefix(int row) const { return DecodePath(FolderPrefix(row)); }

std::u16string Session::ShownFileName(int row) const {
  const ListedFile* r = Row(row);
  return r ? r->displayName : std::u16string();
}

std::u16string Session::ShownFolderName() const { return DecodeName(LastComponent(folder)); }

void Session::ClearSelectedTags() {
  v2TagSize = 0;
  v2Frames.clear();
  hasV1 = false;
}

void Session::TakeSummary(FileSummary& summary) {
  ClearSelectedTags();
  if (summary.v2.present) {
    v2TagSize = summary.v2TagSize;
    v2Frames = std::move(summary.frameTable);
  }
  hasV1 = summary.v1.has_value();
}

std::time_t Session::DateToKeep(int row) const {
  const ListedFile* r = Row(row);
  return keepDate && r ? r->modified : 0;
}

}  // namespace vq
