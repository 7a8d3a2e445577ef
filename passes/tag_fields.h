// The values a file's name is made from: artist, album, title, track, disc, year, genre
// and comment, each from the ID3v2 tag when it holds it, else from the ID3v1 record.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "formats/bytesource.h"
#include "passes/tag_values.h"  // TagField: the same fields the batch writes

namespace vq {

// The field's name in a pattern, without the "%": "artist", ...
std::u16string_view TagFieldName(TagField field);
// The field of a name ("title"), nullopt for one that is not a field.
std::optional<TagField> TagFieldNamed(std::u16string_view name);

// One file's values, blanks removed at both ends; a field the tags do not hold (or hold
// empty) is nullopt.
//   track, disc: the number before "/" in "3/12" (TRCK, TPOS; the ID3v1.1 track byte);
//   year:        the first four digits of TYER, TDRC (v2.4) or the ID3v1 year;
//   genre:       a genre number's name ("(17)" and "17" are "Rock"), a refinement text
//                ("(17)Heavy" is "Heavy"), or the text as written;
//   comment:     the first comment frame without a description, else ID3v1's.
// Texts in single bytes are read as code page 932 or ISO-8859-1, whichever their bytes
// show (formats/text_reading.h), an undecided one by the file's other texts, else as
// code page 932.
struct TagFields {
  std::array<std::optional<std::u16string>, kTagFieldCount> values;
  std::optional<std::u16string>& operator[](TagField f) { return values[static_cast<std::size_t>(f)]; }
  const std::optional<std::u16string>& operator[](TagField f) const { return values[static_cast<std::size_t>(f)]; }
};

TagFields ReadTagFields(const ByteSource& source);
// Opens the file for reading. Throws Error.
TagFields ReadTagFields(const std::string& path);

}  // namespace vq
