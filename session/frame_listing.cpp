#include "session/frame_listing.h"

#include <algorithm>

#include "formats/frame_ids.h"
#include "platform/text.h"

namespace vq {

std::array<std::optional<std::u16string>, 6> FieldsFromFrameListing(std::u16string_view listing) {
  std::array<std::optional<std::u16string>, 6> fields;
  constexpr std::u16string_view kLineEnd = u"\r\n";
  for (std::size_t pos = 0;;) {
    const std::size_t end = listing.find(kLineEnd, pos);
    if (end == std::u16string_view::npos) break;
    const std::u16string_view line = listing.substr(pos, end - pos);
    pos = end + kLineEnd.size();

    const std::size_t paren = line.find(u')');
    if (paren == std::u16string_view::npos) continue;
    // A line of a multi-line value may hold ")" near its start: its id is then empty.
    const std::u16string_view id = line.substr(0, paren >= 2 ? paren - 2 : 0);
    const std::u16string_view value = paren + 2 <= line.size() ? line.substr(paren + 2) : std::u16string_view();
    const FrameIdInfo* info = FrameIdOf(id);
    if (!info || info->mainField < 0) continue;
    const int field = info->mainField;
    if (field == static_cast<int>(MainField::Genre)) {
      fields[static_cast<std::size_t>(field)] = PlainNumber(LeadingNumber(value));
    } else {
      fields[static_cast<std::size_t>(field)] = std::u16string(value);
    }
  }
  return fields;
}

}  // namespace vq
