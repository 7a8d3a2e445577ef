// The texts that players sort by a reading, and their sort fields as any program wrote
// them: TSOT/TSOP/TSOA/TSO2/TSOC (v2.3, v2.4), the three-letter TST/TSP/TSA/TS2/TSC of
// v2.2 tags and inside v2.3 tags (with a zero or a space as their fourth letter), and
// XSOT/XSOP/XSOA, an early draft's ids, in v2.3 tags. The readings pass and the ID3v2
// editor both read sort fields here, so that they agree on which frame a field's
// reading comes from.
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

// The field whose text a frame id holds.
std::optional<SortedField> TextFieldOf(std::u16string_view id);

// The field whose sort reading a frame id holds, and how strongly it claims it: TSO*
// rank 3, the v2.2 ids TS* (in a v2.2 tag, or padded inside a v2.3 tag) 2, XSO* 1.
struct SortFrameClaim {
  SortedField field;
  int rank;
};
std::optional<SortFrameClaim> SortFrameOf(std::u16string_view id);

// A sort frame's text. The frame walk decodes the texts of T frames only; an XSO* frame
// has the same body, which is decoded here.
std::u16string SortFrameText(const V2FrameEntry& entry);

// One field of a tag.
struct SortedFieldState {
  std::u16string text;  // the field's text ("" without the frame), its first frame's
  std::u16string sort;  // its sort reading: the text of sortFrame, trimmed
  // The frame the reading is read from: of the field's sort frames with a text, the one
  // of the highest rank, the last among equals; with none that has a text, the last of
  // the highest rank. -1 without a sort frame.
  int sortFrame = -1;
  std::vector<std::size_t> sortFrames;  // indexes of every sort frame of the field, in table order
};
using SortedFields = std::array<SortedFieldState, kSortedFieldCount>;

// The fields of a frame table. Texts and readings are trimmed of spaces at both ends.
SortedFields SortedFieldsOf(const V2FrameTable& table);

// A text trimmed of spaces, tabs and zero characters at both ends.
std::u16string TrimmedText(std::u16string_view text);

}  // namespace vq
