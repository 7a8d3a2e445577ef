// What each ID3v2 frame id is to this program, in one table: its version 2.2 and 2.3
// ids, the ID3v2 editor's field it fills and the value the batch gives it. (The main
// window's fields are the session's business: session/frame_roles.h.)
#pragma once

#include <string>
#include <string_view>

namespace vq {

// The ID3v2 editor's seven fields, in the order the writer writes them.
enum class EditorField { Title = 0, Album, Artist, Composer, Comment, Year, Genre };
inline constexpr int kEditorFieldCount = 7;

// Which name from the folder tree the batch writes into a frame.
enum class BatchRole { None, Artist, Album, Title };

struct FrameIdInfo {
  const char* v22;        // three-character id
  const char* v23;        // four-character id it is written under
  int editorField;        // EditorField, -1 for none
  BatchRole batchRole;
};

// The entry of a frame id of either version; nullptr for an id the table does not
// hold (a v2.3 or v2.4 id without a v2.2 form, CRM, an unknown id).
const FrameIdInfo* FrameIdOf(std::string_view id);
const FrameIdInfo* FrameIdOf(std::u16string_view id);

// A frame id as the tables hold it (bytes) and as the windows show it (UTF-16). Ids are
// ASCII; a unit outside one byte cannot be part of one and narrows to "?".
std::string NarrowId(std::u16string_view id);
std::u16string WidenId(std::string_view id);

// The v2.3 id of a v2.2 id by the full mapping of the two versions; empty when it has
// no v2.3 form (CRM) or is no v2.2 id.
std::string MapV22Id(std::string_view id3);

// The v2.3 id of the frame the batch gives a role ("TPE1", "TALB", "TIT2").
const char* BatchRoleId(BatchRole role);

// The v2.3 id the editor writes a field under ("TIT2" ... "TCON").
const char* EditorFieldId(int field);
// The field a frame id of version 2.3 or 2.2 fills in the editor, or -1.
int EditorFieldOf(std::u16string_view id);

}  // namespace vq
