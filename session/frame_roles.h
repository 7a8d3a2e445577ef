// The frames' roles in the windows: which of the ID3v2 editor's fields and of the main
// window's fields shows a frame, and what "v2参照(F8)" puts into the main window's
// fields from the session's frame table.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "formats/id3v2_reader.h"

namespace vq {

// The ID3v2 editor's seven fields, in the order the writer writes them.
enum class EditorField { Title = 0, Album, Artist, Composer, Comment, Year, Genre };
inline constexpr int kEditorFieldCount = 7;

// The v2.3 id the editor writes a field under ("TIT2" ... "TCON"), all in field order.
const char* EditorFieldId(int field);
std::array<const char*, kEditorFieldCount> EditorFieldIds();
// The field a frame id of version 2.3 or 2.2 fills in the editor, or -1.
int EditorFieldOf(std::u16string_view id);

// The editor's fields beyond the seven: the track and disc numbers and the sort
// readings (読み) of title, artist and album, in the order the window shows them.
enum class ExtraField { Track = 0, Disc, TitleSort, ArtistSort, AlbumSort };
inline constexpr int kExtraFieldCount = 5;

// The v2.3 id the editor writes an extra field under: "TRCK", "TPOS", "TSOT", "TSOP", "TSOA".
const char* ExtraFieldId(int field);

// The extra field a frame fills, and how strongly it claims it. TRCK and TPOS (v2.2
// TRK, TPA) rank 3. A sort reading ranks as formats/sort_fields.h says: TSOT, TSOP, TSOA
// 3; the v2.2 ids TST, TSP, TSA (in a v2.2 tag, or padded inside a v2.3 tag) 2; XSOT,
// XSOP, XSOA (an early draft's ids) 1. The track and disc fields show the frame of the
// highest rank, the last one among equals; a reading field shows the frame
// SortedFieldsOf chooses, which passes over a frame without text.
struct ExtraFieldClaim {
  int field = -1;  // -1: none
  int rank = 0;
};
ExtraFieldClaim ExtraFieldOf(std::u16string_view id);

// The main window's six ID3v1 fields, in the order of its tag fields.
enum class MainField { Title = 0, Artist, Album, Comment, Year, Genre };

// The field a frame id of version 2.3 or 2.2 fills on F8, or -1.
int MainFieldOf(std::u16string_view id);

// For each of the main window's six fields, the value of the last frame that fills it;
// nullopt when none does. A value is the frame's whole decoded text up to its first
// CR LF (a comment's language and description included). The genre gets the leading
// number of its value as plain decimal text ("(13)" and "Pop" give "0").
std::array<std::optional<std::u16string>, 6> FieldsFromFrames(const V2FrameTable& table);

}  // namespace vq
