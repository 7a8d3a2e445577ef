// The texts that players sort by a reading, and their sort fields as any program wrote
// them, read from a frame table: TSOT/TSOP/TSOA/TSO2/TSOC (v2.3, v2.4), the three-letter
// TST/TSP/TSA/TS2/TSC of v2.2 tags and inside v2.3 tags (with a zero or a space as their
// fourth letter), and XSOT/XSOP/XSOA of v2.3 tags.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/id3v2_reader.h"

namespace vq {

enum class SortedField { Title, Artist, Album, AlbumArtist, Composer };
inline constexpr std::size_t kSortedFieldCount = 5;

struct SortedFieldIds {
  const char* text;      // TIT2, TPE1, TALB, TPE2, TCOM
  const char* textV22;   // TT2, TP1, TAL, TP2, TCM
  const char* sort;      // what Velquist writes: TSOT, TSOP, TSOA, TSO2, TSOC
  const char* sortV22;   // TST, TSP, TSA, TS2, TSC
  const char* sortOld;   // XSOT, XSOP, XSOA; nullptr for the others
};
const SortedFieldIds& IdsOf(SortedField field);

// The field whose text a frame id holds, or whose sort field it is.
std::optional<SortedField> TextFieldOf(std::u16string_view id);
std::optional<SortedField> SortFieldOf(std::u16string_view id);

// One field of a tag.
struct SortedFieldState {
  std::u16string text;          // the field's text ("" without the frame)
  std::u16string sort;          // its sort reading: the first non-empty one, TSO* before XSO* before TS*
  std::vector<std::size_t> sortFrames;  // indexes of every sort frame of the field, in table order
};
using SortedFields = std::array<SortedFieldState, kSortedFieldCount>;

// The fields of a frame table. Texts and readings are trimmed of spaces at both ends.
SortedFields SortedFieldsOf(const V2FrameTable& table);

// A text trimmed of spaces, tabs and zero characters at both ends.
std::u16string TrimmedText(std::u16string_view text);

}  // namespace vq
