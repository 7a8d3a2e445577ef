// ID3v2 header and frame walk. Every read goes through the ByteSource, which gives zero
// bytes past the end, and every way out of the walk is a plain stop, never an error.
#include "formats/id3v2_reader.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/synchsafe.h"
#include "platform/codepage.h"

namespace vq {
namespace {

std::uint32_t PlainSize(const std::uint8_t* b, int bytes) {
  std::uint32_t s = 0;
  for (int k = 0; k < bytes; ++k) s = s << 8 | b[k];
  return s;
}

bool IsIdChar(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// Where a frame of version 4 may end: the tag's end, zero padding up to the tag's end,
// or the id of a next frame. Used to tell synchsafe frame sizes from plain ones.
class LandingCheck {
 public:
  LandingCheck(const ByteSource& src, std::int64_t tagEnd) : src_(src), tagEnd_(tagEnd) {}

  bool Lands(std::int64_t p) {
    if (p == tagEnd_) return true;
    if (p > tagEnd_) return false;
    if (p + 4 <= tagEnd_) {
      std::uint8_t id[4];
      src_.ReadAt(static_cast<std::uint64_t>(p), id, 4);
      if (std::all_of(id, id + 4, IsIdChar)) return true;
      if (id[0] != 0) return false;
    }
    return p >= ZeroFrom();
  }

 private:
  // The start of the run of zero bytes that ends the tag, found once from the end
  // backwards (bytes past the end of the source are zero).
  std::int64_t ZeroFrom() {
    if (zeroFrom_) return *zeroFrom_;
    std::int64_t k = std::min<std::int64_t>(tagEnd_, static_cast<std::int64_t>(src_.Length()));
    std::vector<std::uint8_t> buf(64 * 1024);
    while (k > 0) {
      std::int64_t from = std::max<std::int64_t>(0, k - static_cast<std::int64_t>(buf.size()));
      std::size_t n = static_cast<std::size_t>(k - from);
      src_.ReadAt(static_cast<std::uint64_t>(from), buf.data(), n);
      while (n > 0 && buf[n - 1] == 0) --n;
      if (n > 0) {
        k = from + static_cast<std::int64_t>(n);
        break;
      }
      k = from;
    }
    zeroFrom_ = k;
    return k;
  }

  const ByteSource& src_;
  std::int64_t tagEnd_;
  std::optional<std::int64_t> zeroFrom_;
};

}  // namespace

bool HasFooter(std::uint8_t major, std::uint8_t flags) { return major == 4 && (flags & 0x10) != 0; }

V2Header ReadV2Header(const ByteSource& src) {
  std::uint8_t b[10];
  src.ReadAt(0, b, sizeof b);
  V2Header h;
  if (b[0] != 'I' || b[1] != 'D' || b[2] != '3') return h;
  h.present = true;
  h.major = b[3];
  h.revision = b[4];
  h.flags = b[5];
  h.size = static_cast<std::int32_t>(ReadSynchsafe(b + 6));  // at most 535,773,503
  return h;
}

namespace {

// The listing lines of the entries from `from` on.
void AppendListing(std::u16string& listing, const V2FrameTable& table, std::size_t from) {
  for (std::size_t k = from; k < table.size(); ++k) AppendListingLine(listing, table[k]);
}

}  // namespace

void ReadV2Frames(const ByteSource& src, const V2Header& header, V2FrameTable& table, std::u16string& listing) {
  const std::size_t from = table.size();
  ReadV2Frames(src, header, table);
  AppendListing(listing, table, from);
}

void WalkV2Frames(const ByteSource& src, std::uint8_t major, std::int32_t size, V2FrameTable& table,
                  std::u16string& listing) {
  const std::size_t from = table.size();
  WalkV2Frames(src, major, size, table);
  AppendListing(listing, table, from);
}

void ReadV2Frames(const ByteSource& src, const V2Header& header, V2FrameTable& table) {
  if (header.major > 3 || !(header.flags & 0x80)) {
    WalkV2Frames(src, header.major, header.size, table);
    return;
  }
  const std::uint64_t length = std::min<std::uint64_t>(src.Length(), 10 + static_cast<std::uint64_t>(header.size));
  std::string tag(static_cast<std::size_t>(length), '\0');
  src.ReadAt(0, reinterpret_cast<std::uint8_t*>(tag.data()), tag.size());
  if (tag.size() < 10) return;
  std::string real = tag.substr(0, 10) + Resynchronise(std::string_view(tag).substr(std::min<std::size_t>(10, tag.size())));
  WalkV2Frames(MemorySource(real), header.major, static_cast<std::int32_t>(real.size() - 10), table);
}

void WalkV2Frames(const ByteSource& src, std::uint8_t major, std::int32_t size, V2FrameTable& table) {
  const bool v22 = major <= 2;
  const int headerLength = v22 ? 6 : 10;
  const int idLength = v22 ? 3 : 4;
  const std::int64_t tagEnd = static_cast<std::int64_t>(size) + 10;
  const std::int64_t sourceEnd = static_cast<std::int64_t>(src.Length());
  LandingCheck landing(src, tagEnd);

  std::int64_t o = 10;
  while (o < tagEnd - 2) {
    if (table.size() >= kMaxV2FrameEntries) break;

    std::uint8_t h[10];
    src.ReadAt(static_cast<std::uint64_t>(o), h, static_cast<std::size_t>(headerLength));
    std::int64_t s;
    if (v22) {
      s = PlainSize(h + 3, 3);
    } else if (major == 4) {
      std::uint32_t synchsafe = ReadSynchsafe(h + 4);
      std::uint32_t plain = PlainSize(h + 4, 4);
      s = synchsafe;
      if (plain != synchsafe && !landing.Lands(o + headerLength + synchsafe) && landing.Lands(o + headerLength + plain))
        s = plain;
    } else {
      s = PlainSize(h + 4, 4);
    }
    if (s == 0) break;  // padding
    const std::int64_t next = o + headerLength + s;
    // A frame must lie within the tag, and within the bytes the source really has.
    if (next > tagEnd || next > sourceEnd) break;

    V2FrameEntry entry;
    std::string id(reinterpret_cast<const char*>(h), static_cast<std::size_t>(idLength));
    for (char c : id) entry.id.push_back(cp932::DecodeSingle(static_cast<std::uint8_t>(c)));
    entry.major = major;
    if (!v22) {
      entry.flags[0] = h[8];
      entry.flags[1] = h[9];
    }
    entry.body.resize(static_cast<std::size_t>(s));
    src.ReadAt(static_cast<std::uint64_t>(o + headerLength), reinterpret_cast<std::uint8_t*>(entry.body.data()),
               entry.body.size());
    entry.fromFile = true;

    const std::uint8_t e = static_cast<std::uint8_t>(entry.body[0]);
    DecodedText text;
    if (id[0] == 'W' || id[0] == 'T' || id == (v22 ? "COM" : "COMM")) {
      std::string_view data = std::string_view(entry.body).substr(1);
      text = v22 ? DecodeV22FrameText(data, e, id) : DecodeV23FrameText(data, e, id);
    }
    entry.text = std::move(text.tail);
    entry.shownEncoding = e;
    entry.fullText = std::move(text.full);
    table.push_back(std::move(entry));
    o = next;
  }
}

}  // namespace vq
