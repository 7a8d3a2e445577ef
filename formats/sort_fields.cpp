#include "formats/sort_fields.h"

#include "formats/frame_ids.h"

namespace vq {
namespace {

constexpr SortedFieldIds kIds[kSortedFieldCount] = {
    {"TIT2", "TT2", "TSOT", "TST", "XSOT"},
    {"TPE1", "TP1", "TSOP", "TSP", "XSOP"},
    {"TALB", "TAL", "TSOA", "TSA", "XSOA"},
    {"TPE2", "TP2", "TSO2", "TS2", nullptr},
    {"TCOM", "TCM", "TSOC", "TSC", nullptr},
};

bool Is(std::u16string_view id, const char* ascii) {
  if (!ascii) return false;
  std::size_t i = 0;
  for (; ascii[i]; ++i)
    if (i >= id.size() || id[i] != static_cast<char16_t>(ascii[i])) return false;
  return i == id.size();
}

// A three-letter id as a v2.2 tag holds it, or as programs that moved v2.2 frames into
// a v2.3 tag left it: padded with a zero byte or a space.
bool IsV22(std::u16string_view id, const char* ascii) {
  if (id.size() == 4 && (id[3] == u'\0' || id[3] == u' ')) id.remove_suffix(1);
  return Is(id, ascii);
}

}  // namespace

const SortedFieldIds& IdsOf(SortedField field) { return kIds[static_cast<std::size_t>(field)]; }

std::optional<SortedField> TextFieldOf(std::u16string_view id) {
  for (std::size_t f = 0; f < kSortedFieldCount; ++f)
    if (Is(id, kIds[f].text) || Is(id, kIds[f].textV22)) return static_cast<SortedField>(f);
  return std::nullopt;
}

std::optional<SortFrameClaim> SortFrameOf(std::u16string_view id) {
  for (std::size_t f = 0; f < kSortedFieldCount; ++f) {
    const auto field = static_cast<SortedField>(f);
    if (Is(id, kIds[f].sort)) return SortFrameClaim{field, 3};
    if (IsV22(id, kIds[f].sortV22)) return SortFrameClaim{field, 2};
    if (Is(id, kIds[f].sortOld)) return SortFrameClaim{field, 1};
  }
  return std::nullopt;
}

std::u16string SortFrameText(const V2FrameEntry& e) {
  if (!e.id.empty() && e.id[0] == u'X' && e.major >= 3 && !e.body.empty()) {
    const std::string id = NarrowId(e.id);
    return DecodeV23FrameText(std::string_view(e.body).substr(1), static_cast<std::uint8_t>(e.body[0]), id).tail;
  }
  return e.text;
}

std::u16string TrimmedText(std::u16string_view text) {
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\0' || c == u'\u3000'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::u16string(text);
}

SortedFields SortedFieldsOf(const V2FrameTable& table) {
  SortedFields fields;
  // The chosen frame's rank, and whether it has a text.
  std::array<std::pair<bool, int>, kSortedFieldCount> chosen;
  chosen.fill({false, 0});
  for (std::size_t i = 0; i < table.size(); ++i) {
    const V2FrameEntry& e = table[i];
    if (auto f = TextFieldOf(e.id)) {
      SortedFieldState& s = fields[static_cast<std::size_t>(*f)];
      if (s.text.empty()) s.text = TrimmedText(e.text);
      continue;
    }
    const std::optional<SortFrameClaim> claim = SortFrameOf(e.id);
    if (!claim) continue;
    const auto f = static_cast<std::size_t>(claim->field);
    SortedFieldState& s = fields[f];
    s.sortFrames.push_back(i);
    std::u16string value = TrimmedText(SortFrameText(e));
    const std::pair<bool, int> strength{!value.empty(), claim->rank};
    if (s.sortFrame < 0 || strength >= chosen[f]) {
      chosen[f] = strength;
      s.sortFrame = static_cast<int>(i);
      s.sort = std::move(value);
    }
  }
  return fields;
}

}  // namespace vq
