#include "passes/batch_frames.h"

#include <array>
#include <cstring>

#include "formats/frame_ids.h"
#include "passes/track_numbers.h"
#include "platform/fileio.h"
#include "platform/text.h"

namespace vq {
namespace {

// The v2.3 id each field is written under, in TagField order.
constexpr std::array<const char*, kTagFieldCount> kFieldIds = {"TPE1", "TALB", "TIT2", "TRCK",
                                                              "TPOS", "TYER", "TCON", "COMM"};

// The field a frame of any version holds, if any.
std::optional<TagField> FieldOf(std::u16string_view id) {
  if (id == u"TDRC") return TagField::Year;
  const FrameIdInfo* info = FrameIdOf(id);
  if (!info) return std::nullopt;
  for (TagField f : kTagFields)
    if (std::strcmp(info->v23, kFieldIds[static_cast<std::size_t>(f)]) == 0) return f;
  return std::nullopt;
}

bool IsNameField(TagField f) { return f == TagField::Artist || f == TagField::Album || f == TagField::Title; }

// Whether a comment frame as it is written (v2.3) has an empty description: after the
// encoding and the language, a terminator (in UTF-16 after an optional byte-order mark).
// A compressed, encrypted or grouped body cannot be looked into and counts as having one.
bool WithoutDescription(const OutFrame& f) {
  if (f.flags[1] & 0xE0) return false;
  const std::string& b = f.body;
  if (b.size() < 5) return b.size() == 4;
  if (b[0] == '\0' || b[0] == '\x03') return b[4] == '\0';
  std::size_t pos = 4;
  if (b.size() >= pos + 2 && ((b[pos] == '\xFF' && b[pos + 1] == '\xFE') || (b[pos] == '\xFE' && b[pos + 1] == '\xFF')))
    pos += 2;
  return b.size() >= pos + 2 && b[pos] == '\0' && b[pos + 1] == '\0';
}

}  // namespace

std::vector<OutFrame> BatchFramesFor(V2FrameTable existing, const TagValues& values, TextChoice choice) {
  std::array<bool, kTagFieldCount> taken{};
  std::vector<OutFrame> frames;
  for (V2FrameEntry& e : existing) {
    const std::optional<TagField> field = FieldOf(e.id);
    const auto k = field ? static_cast<std::size_t>(*field) : 0;
    if (!field || !values[*field]) {
      if (auto carried = CarryOverFrame(std::move(e))) frames.push_back(std::move(*carried));
      continue;
    }
    if (IsNameField(*field)) {
      // As BatchFrames: a second frame of the name gets an empty text.
      frames.push_back(MakeTextFrame(kFieldIds[k], taken[k] ? u"" : *values[*field], choice));
      taken[k] = true;
      continue;
    }
    if (*field == TagField::Comment) {
      std::optional<OutFrame> carried = CarryOverFrame(std::move(e));
      if (!carried) continue;
      if (!WithoutDescription(*carried)) {
        frames.push_back(std::move(*carried));
        continue;
      }
    }
    if (!taken[k]) frames.push_back(MakeTextFrame(kFieldIds[k], *values[*field], choice));
    taken[k] = true;
  }
  for (TagField f : kTagFields) {
    const auto k = static_cast<std::size_t>(f);
    if (!taken[k] && values[f] && !values[f]->empty()) frames.push_back(MakeTextFrame(kFieldIds[k], *values[f], choice));
  }
  return frames;
}

BatchID3v1Values ID3v1ValuesOf(const TagValues& values) {
  BatchID3v1Values v1;
  v1.title = values[TagField::Title];
  v1.artist = values[TagField::Artist];
  v1.album = values[TagField::Album];
  v1.year = values[TagField::Year];
  v1.comment = values[TagField::Comment];
  if (const auto& genre = values[TagField::Genre]) {
    try {
      if (!genre->empty()) v1.genre = ConvertGenreField(*genre);
    } catch (const Error&) {
      // A genre by name: the record's number stays.
    }
  }
  if (const auto& track = values[TagField::Track]) {
    int n = 0;
    std::size_t i = 0;
    for (; i < track->size() && i < 4 && DigitValue((*track)[i]) >= 0; ++i) n = n * 10 + DigitValue((*track)[i]);
    if (i > 0 && i < 4) v1.track = n;
  }
  return v1;
}

}  // namespace vq
