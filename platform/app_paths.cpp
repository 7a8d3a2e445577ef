#include "platform/app_paths.h"

#include "platform/fileio.h"

namespace vq {

std::string ReferenceTextPath(const std::string& programFolder) {
  std::string folder = programFolder;
  if (folder.empty() || folder.back() != '/') folder += '/';
  const std::string candidates[] = {
      folder + kReferenceTextName,
      folder + "../share/velquist/" + kReferenceTextName,
  };
  for (const auto& path : candidates) {
    if (FileExists(path)) return path;
  }
  return candidates[0];
}

}  // namespace vq
