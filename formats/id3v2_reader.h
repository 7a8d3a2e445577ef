// ID3v2 tag reading: the 10-byte header, the frame walk and the two text decoders.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/bytesource.h"

namespace vq {

struct V2Header {
  bool present = false;     // the first three bytes are "ID3"
  std::uint8_t major = 0;
  std::uint8_t revision = 0;
  std::uint8_t flags = 0;
  std::int32_t size = 0;    // the size field: b0*2^21 + b1*2^14 + b2*2^7 + b3, bytes used whole
  std::int64_t TagLength() const { return static_cast<std::int64_t>(size) + 10; }
};

// One frame of the table: id and decoded value text (the decoder's tail), plus what a
// rewrite needs to carry the frame over unchanged.
struct V2FrameEntry {
  std::u16string id;
  std::u16string text;
  // The whole decoded text (a comment's language and description too), and the
  // encoding byte the listing shows with it (0 for a frame the editor wrote).
  std::u16string fullText;
  std::uint8_t shownEncoding = 0;
  // Raw frame as read (empty for entries that were not read from a file).
  std::uint8_t major = 0;        // major version of the tag it came from
  std::uint8_t flags[2] = {0, 0};  // frame flags (v2.3/v2.4 layout; 0 for v2.2)
  std::string body;              // the frame's body bytes, encoding byte included
  bool fromFile = false;
};

// The frames of the last read tag, in file order; empty for a file without frames.
using V2FrameTable = std::vector<V2FrameEntry>;
inline constexpr std::size_t kMaxV2FrameEntries = 32768;

// The frame listing, the table's rendering for the reference viewer: one line per
// frame, "TIT2(0) text" CR LF ("APIC(0) " CR LF for a frame whose text is not decoded).
void AppendListingLine(std::u16string& listing, const V2FrameEntry& entry);
std::u16string FrameListingText(const V2FrameTable& table);

struct DecodedText {
  std::u16string full;  // the whole decoded text
  std::u16string tail;  // the text after the last separator
};

V2Header ReadV2Header(const ByteSource& src);

// Whether a tag header's version and flags announce a 10-byte footer behind the tag
// ("3DI", v2.4 only).
bool HasFooter(std::uint8_t major, std::uint8_t flags);

// Walks the frames of a tag with the given major version and size and appends entries
// to `table`; the overload with `listing` also appends their listing lines.
// Always ends, on any input, without error:
// - a zero frame size (padding) ends the walk, and so does a frame that would reach
//   past the tag's end or past the end of the source;
// - major version 2 or less: 6-byte headers, 3-character ids, 24-bit sizes; above 2:
//   10-byte headers, 4-character ids, 32-bit sizes, except that version 4 sizes are
//   synchsafe, read as plain 32-bit only when the synchsafe size does not land on the
//   tag's end, on zero padding or on a frame id while the plain one does;
// - the table holds at most kMaxV2FrameEntries entries.
// Frame ids are taken byte by byte as code page characters (one unit per byte).
void WalkV2Frames(const ByteSource& src, std::uint8_t major, std::int32_t size, V2FrameTable& table);
void WalkV2Frames(const ByteSource& src, std::uint8_t major, std::int32_t size, V2FrameTable& table,
                  std::u16string& listing);

// The frames of the tag that `header` describes, as WalkV2Frames reads them, after a
// tag-wide unsynchronisation (flag 0x80 of a v2.2 or v2.3 header: every FF 00 of the
// tag stands for FF) is undone, so that frame sizes, texts and the bodies carried into a
// new tag are the frames' real bytes. (v2.4 marks unsynchronisation per frame; the
// frame's body keeps it until it is carried over.)
void ReadV2Frames(const ByteSource& src, const V2Header& header, V2FrameTable& table);
void ReadV2Frames(const ByteSource& src, const V2Header& header, V2FrameTable& table, std::u16string& listing);

// Whether the frames ReadV2Frames read from `tag` (the whole tag region as read, header
// first) are the whole tag but its padding: no extended header (which the walk does not
// read), and only zero bytes after the last frame the walk read (a tag-wide
// unsynchronisation undone). Only then does a tag rebuilt from the frames lose nothing.
bool FramesCoverTag(std::string_view tag, const V2Header& header, const V2FrameTable& table);

// Decoders: pure functions of their bytes. `data` is the frame body after the encoding
// byte; `e` is that encoding byte. `id` is the frame id: COM (v2.2) and COMM read their
// three language bytes as single-byte text before UTF-16/UTF-8 strings, and the URL
// of a WXXX frame after its description is single-byte text.
//
// DecodeV22FrameText: e = 0 code page 932 text, a zero byte shows as a space; e = 1
// UTF-16 pairs (FF pairs skipped); any other e decodes nothing.
// DecodeV23FrameText: e = 1 UTF-16 with a byte-order mark per string (little-endian
// without one), e = 2 UTF-16BE, e = 3 UTF-8; any other e (a URL frame's first byte)
// code page 932 text in which FF FE toggles UTF-16LE.
// A separator (zero byte or unit) empties tail, except when only zero bytes follow it.
DecodedText DecodeV22FrameText(std::string_view data, std::uint8_t e, std::string_view id = {});
DecodedText DecodeV23FrameText(std::string_view data, std::uint8_t e, std::string_view id);

}  // namespace vq
