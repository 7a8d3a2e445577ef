// Bringing one ID3v2 tag to Unicode: every single-byte text (encoding 0) that is not
// plain ASCII becomes UTF-16 (encoding 1, FF FE) in an ID3v2.3 tag, read from its bytes
// as code page 932 or as ISO-8859-1 (formats/text_reading.h).
//
// Texts converted: every text frame (T***, TXXX's description and value), COMM and USLT
// (description and text), the descriptions of APIC and WXXX (the URL stays single-byte),
// GEOB's file name and description. UTF-8 (v2.4) texts become UTF-16 too, which v2.3
// has. Everything else is kept byte for byte: ASCII-only frames, texts already in
// UTF-16, pictures, frames of other kinds. A frame with a text whose reading stays
// undecided is left as it is, and so is a tag whose frames the reader cannot walk whole
// (an extended header, bytes after the frames that are not padding, a frame with no v2.3
// form).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "formats/id3v2_writer.h"
#include "formats/text_reading.h"

namespace vq {

// One text of a file's preview.
struct UnicodeText {
  std::string frameId;    // v2.3 id: "TIT2", "COMM", ...
  std::u16string today;   // what players that follow the standard show now: the bytes as
                          // ISO-8859-1 (its undefined control bytes as U+FFFD), or the
                          // UTF-8 text
  std::u16string becomes; // the text as it is written in UTF-16; for an undecided text,
                          // its code page 932 reading (what Velquist shows)
  TextReading reading = TextReading::Undecided;  // how the bytes are read
  bool fromUtf8 = false;        // a UTF-8 text (reading is then not used)
  bool byOtherTexts = false;    // decided by the file's or the folder's other texts
};

// What the conversion does to one file.
struct UnicodeFilePlan {
  std::vector<UnicodeText> changes;    // texts that become UTF-16
  std::vector<UnicodeText> undecided;  // texts left as they are
  bool rewrite = false;                // the tag is written again
  bool unreadableTag = false;          // unsynchronised or extended header: left alone
  ReadingTally own;                    // texts decided by their own bytes
  bool waitsForFolder = false;         // an undecided text the file's texts do not decide
};

// The plan and the new frames for one tag: `tag` is the whole tag as read (header and
// `header.size` bytes). `folder`, when given, is the tally of the folder's texts for the
// texts the file's own texts leave undecided. The frames are those of the v2.3 tag to
// write (empty when plan.rewrite is false).
struct UnicodeTagResult {
  UnicodeFilePlan plan;
  std::vector<OutFrame> frames;
};
UnicodeTagResult PlanUnicodeTag(std::string_view tag, const ReadingTally* folder);

}  // namespace vq
