#include <cstdlib>
#include <string>
#include <string_view>

#include "passes/derive_names.h"
#include "fuzz/targets.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/path_dat.h"
#include "platform/text.h"

namespace vqfuzz {
namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

void FileNames(const std::uint8_t* data, std::size_t size) {
  std::string path(reinterpret_cast<const char*>(data), size);
  if (path.find('\0') != std::string::npos) path.resize(path.find('\0'));  // no name holds a NUL

  // Shown text: every "/" stays one separator, no lone surrogate, nothing lost.
  const std::u16string shown = vq::DecodePath(path);
  std::size_t slashes = 0, shownSlashes = 0;
  for (char c : path) slashes += c == '/';
  for (std::size_t i = 0; i < shown.size(); ++i) {
    shownSlashes += shown[i] == u'/';
    const char16_t c = shown[i];
    if (c >= 0xD800 && c <= 0xDBFF) Check(i + 1 < shown.size() && shown[i + 1] >= 0xDC00 && shown[i + 1] <= 0xDFFF);
    if (c >= 0xDC00 && c <= 0xDFFF) Check(i > 0 && shown[i - 1] >= 0xD800 && shown[i - 1] <= 0xDBFF);
  }
  Check(slashes == shownSlashes);
  Check(shown.empty() == path.empty());
  if (vq::IsValidUtf8(path)) Check(shown == vq::Utf8ToUtf16(path));

  // A clean folder path is absolute, without empty, "." or ".." parts.
  if (!path.empty() && path[0] == '/') {
    const std::string clean = vq::CleanFolderPath(path);
    Check(!clean.empty() && clean[0] == '/');
    Check(clean == "/" || clean.back() != '/');
    Check(clean.find("//") == std::string::npos);
    Check(clean.find("/./") == std::string::npos && clean.find("/../") == std::string::npos);
    Check(vq::CleanFolderPath(clean) == clean);
  }

  // The settings file gives every path without a line end back among its readings.
  if (path.find_first_of("\r\n") == std::string::npos && !path.empty()) {
    bool found = false;
    for (const auto& candidate : vq::StoredPathCandidates(vq::StoredPathLine(path))) found = found || candidate == path;
    Check(found);
  }

  // Names derived from the shown texts.
  const std::u16string name = vq::DecodeName(vq::LastComponent(path));
  try {
    vq::DerivedNames n = vq::DeriveNames(vq::DecodePath(vq::ParentPath(path)), u"", name);
    Check(n.FileTitle.size() + 4 <= name.size());
  } catch (const vq::Error& e) {
    Check(e.kind() == vq::ErrorKind::InvalidArgument);
  }
}

}  // namespace vqfuzz
