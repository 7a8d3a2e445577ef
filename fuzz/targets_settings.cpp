#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/targets.h"
#include "platform/codepage.h"
#include "platform/path_dat.h"
#include "platform/text_file.h"

namespace vqfuzz {
namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

void PathDat(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines;
  for (std::string_view line : vq::SplitLines(bytes)) lines.emplace_back(line);
  vq::PathDatRestore r = vq::InterpretPathDat(lines);
  if (r.mode) Check(*r.mode == 0 || *r.mode == 1);
  if (!lines.empty()) vq::LeadingNumber(vq::cp932::Decode(lines[0]));

  // A stored path reads back as one of its candidates, whatever its bytes.
  const std::string folder = r.folder.value_or("/music");
  vq::PathDatValues v;
  v.mode = r.mode.value_or(0);
  v.drive = r.drive.value_or("/");
  v.folder = folder;
  v.keepDate = r.keepDate.value_or(false);
  v.createNewOnly = r.createNewOnly.value_or(false);
  v.pattern = r.pattern.value_or(u"");
  std::string written = vq::PathDatBytes(v);
  std::vector<std::string> back;
  for (std::string_view line : vq::SplitLines(written)) back.emplace_back(line);
  vq::PathDatRestore again = vq::InterpretPathDat(back);
  Check(again.mode.value_or(-1) == v.mode);
  Check(again.keepDate.value_or(false) == v.keepDate);
  Check(again.createNewOnly.value_or(!v.createNewOnly) == v.createNewOnly);
  // The batch's pattern reads back as it was.
  if (v.pattern.find_first_of(u"\r\n") == std::u16string::npos) Check(again.pattern.value_or(u"?") == v.pattern);
  if (folder.find_first_of("\r\n") == std::string::npos) {
    Check(again.folder.has_value());
    bool found = false;
    for (const auto& candidate : vq::StoredPathCandidates(*again.folder)) found = found || candidate == folder;
    Check(found);
  }
}

}  // namespace vqfuzz
