// The collection as a source of readings: how often each text of the files' titles,
// artists, albums, album artists and composers carries which sort reading, so that a
// text without one can take the reading the same text has elsewhere in the tree.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "formats/id3v2_reader.h"

namespace vq {

class CollectionTally {
 public:
  // Counts every field of the table that has both a text and a sort reading
  // (formats/sort_fields.h). A "reading" that still holds kanji is no reading and is not
  // counted.
  void AddTable(const V2FrameTable& table);
  void Add(std::u16string_view text, std::u16string_view reading);

  // The reading the text carries most often; of equal counts the first in code point
  // order, so the answer never depends on the order the files were read in.
  std::optional<std::u16string> MostCommon(std::u16string_view text) const;
  std::size_t texts() const { return counts_.size(); }

 private:
  std::unordered_map<std::u16string, std::map<std::u16string, int>> counts_;
};

}  // namespace vq
