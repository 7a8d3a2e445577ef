#include <algorithm>
#include <string>

#include "formats/id3v2_reader.h"
#include "formats/synchsafe.h"

namespace vq {

void AppendListingLine(std::u16string& listing, const V2FrameEntry& entry) {
  const std::string digits = std::to_string(entry.shownEncoding);
  listing += entry.id;
  listing += u'(';
  listing.append(digits.begin(), digits.end());
  listing += u") ";
  listing += entry.fullText;
  listing += u"\r\n";
}

std::u16string FrameListingText(const V2FrameTable& table) {
  std::u16string listing;
  for (const V2FrameEntry& e : table) AppendListingLine(listing, e);
  return listing;
}

bool FramesCoverTag(std::string_view tag, const V2Header& header, const V2FrameTable& table) {
  if (!header.present || header.size <= 0) return true;
  if (header.flags & 0x40) return false;
  // The tag as the walk saw it: a tag-wide unsynchronisation (before v2.4) undone, the
  // footer left out.
  std::string_view walked = tag.substr(0, std::min<std::size_t>(tag.size(), 10 + static_cast<std::size_t>(header.size)));
  std::string real;
  if (header.major <= 3 && (header.flags & 0x80) && walked.size() >= 10) {
    real = std::string(walked.substr(0, 10)) + Resynchronise(walked.substr(10));
    walked = real;
  }
  std::size_t pos = 10;
  const std::size_t frameHeader = header.major <= 2 ? 6 : 10;
  for (const V2FrameEntry& e : table) pos += frameHeader + e.body.size();
  if (pos > walked.size()) return false;
  return std::all_of(walked.begin() + static_cast<std::ptrdiff_t>(pos), walked.end(), [](char c) { return c == '\0'; });
}

}  // namespace vq
