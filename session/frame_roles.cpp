#include "session/frame_roles.h"

#include "formats/frame_ids.h"
#include "platform/text.h"

namespace vq {

namespace {

constexpr struct {
  const char* v23;
  MainField field;
} kMainFields[] = {
    {"TIT2", MainField::Title},   {"TPE1", MainField::Artist}, {"TALB", MainField::Album},
    {"COMM", MainField::Comment}, {"TYER", MainField::Year},   {"TCON", MainField::Genre},
};

}  // namespace

int MainFieldOf(std::u16string_view id) {
  const FrameIdInfo* info = FrameIdOf(id);
  if (!info) return -1;
  for (const auto& f : kMainFields)
    if (std::string_view(f.v23) == info->v23) return static_cast<int>(f.field);
  return -1;
}

std::array<std::optional<std::u16string>, 6> FieldsFromFrames(const V2FrameTable& table) {
  std::array<std::optional<std::u16string>, 6> fields;
  for (const V2FrameEntry& e : table) {
    const int field = MainFieldOf(e.id);
    if (field < 0) continue;
    const std::u16string_view whole = e.fullText;
    const std::u16string_view value = whole.substr(0, whole.find(u"\r\n"));
    if (field == static_cast<int>(MainField::Genre))
      fields[static_cast<std::size_t>(field)] = PlainNumber(LeadingNumber(value));
    else
      fields[static_cast<std::size_t>(field)] = std::u16string(value);
  }
  return fields;
}

}  // namespace vq
