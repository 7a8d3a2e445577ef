// What each ID3v2 frame id is to this program, in one table: its version 2.2 and 2.3
// ids, the value the batch gives it, where the strings of its body lie and whether the
// conversion to Unicode rewrites them. (Which window field shows a frame is the
// session's business: session/frame_roles.h.)
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

// Which name from the folder tree the batch writes into a frame.
enum class BatchRole { None, Artist, Album, Title };

// One step through a frame body after its encoding byte.
struct BodyStep {
  enum Kind : std::uint8_t {
    Bytes,          // `count` bytes that are no text (a language, a time stamp, a price)
    Latin1String,   // a string that stays single-byte (a MIME type), with its zero
    EncodedString,  // one string in the frame's encoding
    EncodedStrings, // strings in the frame's encoding up to the end
    RepeatRest,     // the steps after this one repeat up to the end
    Rest,           // the remaining bytes as they are (picture or object data)
  };
  Kind kind;
  std::uint8_t count = 0;
};
// Where the encoded strings of a frame body lie; empty for a frame that holds none.
using BodyLayout = std::span<const BodyStep>;

struct FrameIdInfo {
  const char* v22;        // three-character id; nullptr for a frame v2.2 does not have
  const char* v23;        // four-character id it is written under
  BatchRole batchRole;
  BodyLayout layout;      // text frames not in the table: BodyLayoutOf
  bool toUnicode;         // the conversion to Unicode rewrites its single-byte strings
};

// The entry of a frame id of either version; nullptr for an id the table does not
// hold (a v2.3 or v2.4 id without a v2.2 form other than USER, OWNE and COMR, CRM, an
// unknown id).
const FrameIdInfo* FrameIdOf(std::string_view id);
const FrameIdInfo* FrameIdOf(std::u16string_view id);

// A frame id as the tables hold it (bytes) and as the windows show it (UTF-16). Ids are
// ASCII; a unit outside one byte cannot be part of one and narrows to "?".
std::string NarrowId(std::u16string_view id);
std::u16string WidenId(std::string_view id);

// The v2.3 id of a v2.2 id by the full mapping of the two versions; empty when it has
// no v2.3 form (CRM) or is no v2.2 id.
std::string MapV22Id(std::string_view id3);

// The layout of a v2.3 frame's body; every text frame ("T...") has the text layout.
BodyLayout BodyLayoutOf(std::string_view v23id);
// Whether the conversion to Unicode rewrites the single-byte strings of a v2.3 frame.
bool ConvertedToUnicode(std::string_view v23id);

// A piece of a frame body after its encoding byte: bytes that are no encoded text, or
// one encoded string without its terminator.
struct BodyPiece {
  std::string_view bytes;
  bool text = false;
  bool terminated = false;
};
// The pieces of `data` (a body after its encoding byte) by its layout; bytes the layout
// does not reach come last as one piece. A string ends at a zero byte, or with `wide`
// (UTF-16) at a zero unit; a wide string cut by the end keeps its odd last byte.
std::vector<BodyPiece> SplitFrameBody(std::string_view data, BodyLayout layout, bool wide);

// The v2.3 id of the frame the batch gives a role ("TPE1", "TALB", "TIT2").
const char* BatchRoleId(BatchRole role);

}  // namespace vq
