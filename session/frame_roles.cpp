#include "session/frame_roles.h"

#include "formats/frame_ids.h"
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

// The ids that name each sort reading, by rank from 3 down.
constexpr struct {
  ExtraField field;
  const char16_t* ids[3];  // standard, v2.2, draft
} kSortIds[] = {
    {ExtraField::TitleSort, {u"TSOT", u"TST", u"XSOT"}},
    {ExtraField::ArtistSort, {u"TSOP", u"TSP", u"XSOP"}},
    {ExtraField::AlbumSort, {u"TSOA", u"TSA", u"XSOA"}},
};

// A three-character id as a v2.2 tag holds it, or as a v2.3 tag does, padded to four.
std::u16string_view WithoutPadding(std::u16string_view id) {
  if (id.size() == 4 && (id[3] == u'\0' || id[3] == u' ')) id.remove_suffix(1);
  return id;
}

}  // namespace

const char* ExtraFieldId(int field) { return kExtraFieldIds[static_cast<std::size_t>(field)]; }

ExtraFieldClaim ExtraFieldOf(std::u16string_view id) {
  const std::string_view v23 = V23Form(id);
  if (v23 == "TRCK") return {static_cast<int>(ExtraField::Track), 3};
  if (v23 == "TPOS") return {static_cast<int>(ExtraField::Disc), 3};
  const std::u16string_view bare = WithoutPadding(id);
  for (const auto& s : kSortIds)
    for (int r = 0; r < 3; ++r)
      if ((r == 1 ? bare : id) == s.ids[r]) return {static_cast<int>(s.field), 3 - r};
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
