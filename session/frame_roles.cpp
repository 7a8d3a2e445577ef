#include "session/frame_roles.h"

#include "formats/frame_ids.h"
#include "formats/sort_fields.h"
#include "platform/text.h"

namespace vq {

namespace {

constexpr std::array<const char*, kEditorFieldCount> kEditorFieldIds = {"TIT2", "TALB", "TPE1", "TCOM",
                                                                        "COMM", "TYER", "TCON"};

// The v2.3 form of an id of either version, or "" for one without.
std::string_view V23Form(std::u16string_view id) {
  const FrameIdInfo* info = FrameIdOf(id);
  return info ? std::string_view(info->v23) : std::string_view();
}

constexpr struct {
  const char* v23;
  MainField field;
} kMainFields[] = {
    {"TIT2", MainField::Title},   {"TPE1", MainField::Artist}, {"TALB", MainField::Album},
    {"COMM", MainField::Comment}, {"TYER", MainField::Year},   {"TCON", MainField::Genre},
};

constexpr std::array<const char*, kExtraFieldCount> kExtraFieldIds = {"TRCK", "TPOS", "TSOT", "TSOP", "TSOA"};

}  // namespace

const char* ExtraFieldId(int field) { return kExtraFieldIds[static_cast<std::size_t>(field)]; }

ExtraFieldClaim ExtraFieldOf(std::u16string_view id) {
  const std::string_view v23 = V23Form(id);
  if (v23 == "TRCK") return {static_cast<int>(ExtraField::Track), 3};
  if (v23 == "TPOS") return {static_cast<int>(ExtraField::Disc), 3};
  if (const std::optional<SortFrameClaim> sort = SortFrameOf(id)) {
    switch (sort->field) {
      case SortedField::Title: return {static_cast<int>(ExtraField::TitleSort), sort->rank};
      case SortedField::Artist: return {static_cast<int>(ExtraField::ArtistSort), sort->rank};
      case SortedField::Album: return {static_cast<int>(ExtraField::AlbumSort), sort->rank};
      default: break;
    }
  }
  return {};
}

const char* EditorFieldId(int field) { return kEditorFieldIds[static_cast<std::size_t>(field)]; }

std::array<const char*, kEditorFieldCount> EditorFieldIds() { return kEditorFieldIds; }

int EditorFieldOf(std::u16string_view id) {
  const std::string_view v23 = V23Form(id);
  for (std::size_t k = 0; k < kEditorFieldIds.size(); ++k)
    if (!v23.empty() && v23 == kEditorFieldIds[k]) return static_cast<int>(k);
  return -1;
}

int MainFieldOf(std::u16string_view id) {
  const std::string_view v23 = V23Form(id);
  for (const auto& f : kMainFields)
    if (!v23.empty() && v23 == f.v23) return static_cast<int>(f.field);
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
