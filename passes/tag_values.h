// The values the batch writes into one file: each one optional, so that a naming pattern
// that names no album leaves the file's album alone.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vq {

enum class TagField { Artist = 0, Album, Title, Track, Disc, Year, Genre, Comment };
inline constexpr int kTagFieldCount = 8;
inline constexpr std::array<TagField, kTagFieldCount> kTagFields = {
    TagField::Artist, TagField::Album, TagField::Title, TagField::Track,
    TagField::Disc,   TagField::Year,  TagField::Genre, TagField::Comment};

struct TagValues {
  // nullopt: not written (the tag keeps what it has); an empty text is written as such.
  std::array<std::optional<std::u16string>, kTagFieldCount> values;

  std::optional<std::u16string>& operator[](TagField f) { return values[static_cast<std::size_t>(f)]; }
  const std::optional<std::u16string>& operator[](TagField f) const { return values[static_cast<std::size_t>(f)]; }
  bool operator==(const TagValues&) const = default;
};

// The field's name as the windows and the command line show it ("作者", "曲番号").
std::u16string_view TagFieldLabel(TagField f);

}  // namespace vq
