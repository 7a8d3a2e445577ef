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
  std::int32_t size = 0;    // V2TagSize: b0*2^21 + b1*2^14 + b2*2^7 + b3, bytes used whole
  std::int64_t TagLength() const { return static_cast<std::int64_t>(size) + 10; }
};

// One frame of the table: id and decoded value text (the decoder's tail), plus what a
// rewrite needs to carry the frame over unchanged.
struct V2FrameEntry {
  std::u16string id;
  std::u16string text;
  // Raw frame as read (empty for entries that were not read from a file).
  std::uint8_t major = 0;        // major version of the tag it came from
  std::uint8_t flags[2] = {0, 0};  // frame flags (v2.3/v2.4 layout; 0 for v2.2)
  std::string body;              // the frame's body bytes, encoding byte included
  bool fromFile = false;
};

// The frames of the last read tag, in file order. Reset to one entry with an empty id
// before each read; readers skip entries whose id is empty.
using V2FrameTable = std::vector<V2FrameEntry>;
inline constexpr std::size_t kMaxV2FrameEntries = 32768;
void ResetV2FrameTable(V2FrameTable& table);

struct DecodedText {
  std::u16string full;  // the whole decoded text
  std::u16string tail;  // the text after the last separator
};

V2Header ReadV2Header(const ByteSource& src);

// Walks the frames of a tag with the given major version and size; appends entries to
// `table` (replacing the single empty entry first) and lines to `listing`
// ("TIT2(0) text" CR LF). Always ends, on any input, without error.
void WalkV2Frames(const ByteSource& src, std::uint8_t major, std::int32_t size, V2FrameTable& table,
                  std::u16string& listing);

// Decoders: pure functions of their bytes. `data` is the frame body after the encoding
// byte; `e` is that encoding byte. `id` is the frame id (the v2.3 decoder treats WXXX
// and COMM specially).
DecodedText DecodeV22FrameText(std::string_view data, std::uint8_t e, std::string_view id = {});
DecodedText DecodeV23FrameText(std::string_view data, std::uint8_t e, std::string_view id);

}  // namespace vq
