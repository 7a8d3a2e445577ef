#include <string>

#include "formats/id3v2_reader.h"

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

}  // namespace vq
