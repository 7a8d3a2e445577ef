// ID3v2 reading on byte arrays: header, frame walk, the two text decoders, and a
// robustness run over random and damaged tags.
#include "formats/id3v2_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "formats/bytesource.h"
#include "platform/text.h"
#include "test_util.h"

using namespace vq;

namespace {

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

const std::string Z(1, '\0');

std::string U16LE(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

std::string U16BE(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) {
    out.push_back(static_cast<char>(c >> 8));
    out.push_back(static_cast<char>(c & 0xFF));
  }
  return out;
}

const std::string kLE = B({0xFF, 0xFE});
const std::string kBE = B({0xFE, 0xFF});

std::string U8(std::u16string_view s) { return Utf16ToUtf8(s); }

std::string Be32(std::uint32_t v) {
  return B({int(v >> 24 & 0xFF), int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF)});
}

std::string Synchsafe(std::uint32_t v) {
  return B({int(v >> 21 & 0x7F), int(v >> 14 & 0x7F), int(v >> 7 & 0x7F), int(v & 0x7F)});
}

// A v2.3-format frame; `sizeBytes` overrides the size field.
std::string F23(const std::string& id, const std::string& body, const std::string& flags = B({0, 0})) {
  return id + Be32(static_cast<std::uint32_t>(body.size())) + flags + body;
}
std::string F23Sized(const std::string& id, const std::string& sizeBytes, const std::string& body) {
  return id + sizeBytes + B({0, 0}) + body;
}
std::string F22(const std::string& id, const std::string& body) {
  std::uint32_t n = static_cast<std::uint32_t>(body.size());
  return id + B({int(n >> 16 & 0xFF), int(n >> 8 & 0xFF), int(n & 0xFF)}) + body;
}

// A whole tag: header with the synchsafe size of frames + padding.
std::string Tag(int major, const std::string& frames, std::size_t padding = 0) {
  return "ID3" + B({major, 0, 0}) + Synchsafe(static_cast<std::uint32_t>(frames.size() + padding)) + frames +
         std::string(padding, '\0');
}

struct Walked {
  V2Header header;
  V2FrameTable table;
  std::u16string listing;
};

Walked Walk(const std::string& bytes) {
  Walked w;
  MemorySource src(bytes);
  w.header = ReadV2Header(src);
  if (w.header.present) WalkV2Frames(src, w.header.major, w.header.size, w.table, w.listing);
  return w;
}

std::vector<std::u16string> Ids(const V2FrameTable& t) {
  std::vector<std::u16string> ids;
  for (const auto& e : t) ids.push_back(e.id);
  return ids;
}

DecodedText V22(const std::string& data, int e, std::string_view id = "TT2") {
  return DecodeV22FrameText(data, static_cast<std::uint8_t>(e), id);
}
DecodedText V23(const std::string& data, int e, std::string_view id = "TIT2") {
  return DecodeV23FrameText(data, static_cast<std::uint8_t>(e), id);
}

#define EXPECT_TEXT(decoded, expFull, expTail) \
  do {                                         \
    DecodedText d_ = (decoded);                \
    EXPECT_EQ(d_.full, expFull);               \
    EXPECT_EQ(d_.tail, expTail);               \
  } while (0)

}  // namespace

// ---------------------------------------------------------------------------------------
// Header

TEST(V2Header, SizeIsSevenBitsPerByteAndTagLengthAddsTheHeader) {
  const std::string bytes = "ID3" + B({3, 1, 0x40, 0x00, 0x00, 0x07, 0x76});
  MemorySource src(bytes);
  V2Header h = ReadV2Header(src);
  EXPECT_TRUE(h.present);
  EXPECT_EQ(h.major, 3);
  EXPECT_EQ(h.revision, 1);
  EXPECT_EQ(h.flags, 0x40);
  EXPECT_EQ(h.size, 1014);
  EXPECT_EQ(h.TagLength(), 1024);

  // Every size byte is used whole, bit 7 included.
  EXPECT_EQ(ReadV2Header(MemorySource("ID3" + B({4, 0, 0, 0xFF, 0x80, 0x81, 0xFF}))).size,
            0xFF * (1 << 21) + 0x80 * (1 << 14) + 0x81 * (1 << 7) + 0xFF);
}

TEST(V2Header, MissingOrShortTagReadsAsNoTagOrZeros) {
  EXPECT_FALSE(ReadV2Header(MemorySource("TAG" + std::string(125, 'x'))).present);
  EXPECT_EQ(ReadV2Header(MemorySource("id3" + B({3, 0, 0, 0, 0, 1, 0}))).size, 0);
  EXPECT_FALSE(ReadV2Header(MemorySource("")).present);
  // Only the magic: the rest reads as zero bytes.
  V2Header h = ReadV2Header(MemorySource("ID3"));
  EXPECT_TRUE(h.present);
  EXPECT_EQ(h.major, 0);
  EXPECT_EQ(h.size, 0);
}

// ---------------------------------------------------------------------------------------
// Frame walk

TEST(V2Walk, VersionByteSelectsFrameFormat) {
  // Version 2 (and below): three-character ids, 6-byte headers.
  for (int major : {0, 1, 2}) {
    Walked w = Walk(Tag(major, F22("TT2", Z + "abc") + F22("TP1", Z + "de"), 10));
    EXPECT_EQ(w.listing, u"TT2(0) abc\r\nTP1(0) de\r\n") << major;
    EXPECT_EQ(Ids(w.table), (std::vector<std::u16string>{u"TT2", u"TP1"})) << major;
  }
  // Versions 3, 4 and above: four-character ids, 10-byte headers.
  for (int major : {3, 4, 5, 255}) {
    Walked w = Walk(Tag(major, F23("TIT2", Z + "abc") + F23("TPE1", Z + "de"), 10));
    EXPECT_EQ(w.listing, u"TIT2(0) abc\r\nTPE1(0) de\r\n") << major;
    ASSERT_EQ(w.table.size(), 2u);
    EXPECT_EQ(w.table[0].text, u"abc");
    EXPECT_EQ(w.table[1].text, u"de");
  }
}

TEST(V2Walk, EntryKeepsWhatARewriteNeeds) {
  std::string apic = Z + "image/png" + Z + B({3}) + Z + B({0x89, 'P', 'N', 'G', 0, 0, 0xFF});
  Walked w = Walk(Tag(3, F23("TIT2", Z + "T", B({0x40, 0x00})) + F23("APIC", apic, B({0x00, 0x0C})), 20));
  ASSERT_EQ(w.table.size(), 2u);
  EXPECT_EQ(w.table[0].major, 3);
  EXPECT_EQ(w.table[0].flags[0], 0x40);
  EXPECT_EQ(w.table[0].flags[1], 0x00);
  EXPECT_EQ(w.table[0].body, Z + "T");
  EXPECT_TRUE(w.table[0].fromFile);
  EXPECT_EQ(w.table[1].flags[1], 0x0C);
  EXPECT_EQ(w.table[1].body, apic);  // a picture is kept whole though not decoded
  EXPECT_TRUE(w.table[1].fromFile);

  Walked v22 = Walk(Tag(2, F22("PIC", Z + "PNG" + B({3, 0, 1, 2})), 8));
  ASSERT_EQ(v22.table.size(), 1u);
  EXPECT_EQ(v22.table[0].major, 2);
  EXPECT_EQ(v22.table[0].flags[0], 0);
  EXPECT_EQ(v22.table[0].flags[1], 0);
  EXPECT_EQ(v22.table[0].body, Z + "PNG" + B({3, 0, 1, 2}));
}

TEST(V2Walk, FramesThatAreNotDecodedShowIdAndFirstByteOnly) {
  Walked w = Walk(Tag(3,
                      F23("APIC", Z + "image/jpeg" + Z + B({3}) + Z + "JFIF") + F23("COMR", Z + "price") +
                          F23("PRIV", "owner" + Z + "x") + F23("USLT", Z + "eng" + Z + "lyrics"),
                      4));
  EXPECT_EQ(w.listing, u"APIC(0) \r\nCOMR(0) \r\nPRIV(111) \r\nUSLT(0) \r\n");
  ASSERT_EQ(w.table.size(), 4u);
  for (const auto& e : w.table) EXPECT_EQ(e.text, u"") << U8(e.id);

  Walked v22 = Walk(Tag(2, F22("PIC", B({0}) + "PNG") + F22("CRM", Z + "x") + F22("COM", Z + "eng" + Z + "c"), 4));
  EXPECT_EQ(v22.listing, u"PIC(0) \r\nCRM(0) \r\nCOM(0) eng c\r\n");
}

TEST(V2Walk, UrlFrameFirstByteShowsAsEncoding) {
  Walked w = Walk(Tag(3, F23("WCOM", "abc"), 10));
  EXPECT_EQ(w.listing, u"WCOM(97) bc\r\n");
  ASSERT_EQ(w.table.size(), 1u);
  EXPECT_EQ(w.table[0].text, u"bc");
  EXPECT_EQ(w.table[0].body, "abc");
}

TEST(V2Walk, FrameOfSizeOneHasNoData) {
  Walked w = Walk(Tag(3, F23("TIT2", B({1})) + F23("TPE1", Z + "x"), 4));
  EXPECT_EQ(w.listing, u"TIT2(1) \r\nTPE1(0) x\r\n");
  EXPECT_EQ(w.table[0].text, u"");
}

TEST(V2Walk, PaddingAndEmptyTagsEndTheWalk) {
  // Zero bytes after the last frame end the walk, whatever follows them.
  Walked w = Walk(Tag(3, F23("TIT2", Z + "a") + std::string(10, '\0') + F23("TPE1", Z + "b"), 0));
  EXPECT_EQ(w.listing, u"TIT2(0) a\r\n");
  EXPECT_EQ(w.table.size(), 1u);

  // No frames: the table stays empty.
  for (const std::string& tag : {Tag(3, "", 100), Tag(3, "", 0), Tag(2, "", 0), Tag(4, std::string(20, '\0'))}) {
    Walked e = Walk(tag);
    EXPECT_EQ(e.listing, u"");
    EXPECT_TRUE(e.table.empty());
  }
}

TEST(V2Walk, ReadsPastTheEndOfTheDataSeeZeroBytes) {
  // The header claims 1,000 bytes but the data stops after one frame: the next header
  // reads as zeros and ends the walk.
  std::string bytes = "ID3" + B({3, 0, 0}) + Synchsafe(1000) + F23("TIT2", Z + "abc");
  Walked w = Walk(bytes);
  EXPECT_EQ(w.header.size, 1000);
  EXPECT_EQ(w.listing, u"TIT2(0) abc\r\n");
  // Half a frame header at the end: its missing size bytes are zero.
  Walked half = Walk(bytes + "TPE1" + B({0, 0}));
  EXPECT_EQ(half.listing, u"TIT2(0) abc\r\n");
}

TEST(V2Walk, FrameSizesAreUnsigned32Bit_R6) {
  // 00 00 80 00 and 00 00 9E 82 (third byte 0x80 or more) are ordinary sizes.
  std::string big(0x8000 - 1, 'x');
  Walked w = Walk(Tag(3, F23Sized("TXXX", B({0, 0, 0x80, 0x00}), Z + big) + F23("TPE1", Z + "after"), 16));
  EXPECT_EQ(w.listing, u"TXXX(0) " + std::u16string(big.begin(), big.end()) + u"\r\nTPE1(0) after\r\n");
  ASSERT_EQ(w.table.size(), 2u);
  EXPECT_EQ(w.table[0].body.size(), 0x8000u);

  std::string pic(0x9E82, '\x11');
  pic[0] = 0;
  Walked p = Walk(Tag(3, F23Sized("APIC", B({0, 0, 0x9E, 0x82}), pic) + F23("TIT2", Z + "t"), 8));
  EXPECT_EQ(p.listing, u"APIC(0) \r\nTIT2(0) t\r\n");

  // Version-2 format: a middle size byte of 0x80 or more.
  std::string body(0x8010, 'y');
  body[0] = 0;
  Walked v22 = Walk(Tag(2, F22("TXX", body) + F22("TT2", Z + "z"), 4));
  ASSERT_EQ(v22.table.size(), 2u);
  EXPECT_EQ(v22.table[0].body.size(), 0x8010u);
  EXPECT_EQ(v22.table[1].text, u"z");
}

TEST(V2Walk, FrameReachingPastTheTagEndsTheWalk_R6) {
  // Size 00 00 80 00 in a small tag: that frame is neither listed nor entered, the
  // frames before it stay.
  std::string frames = F23("TIT2", Z + "one") + F23Sized("TPE1", B({0, 0, 0x80, 0}), Z + "two") + F23("TALB", Z + "3");
  Walked w = Walk(Tag(3, frames, 50) + std::string(0x9000, 'x'));
  EXPECT_EQ(w.listing, u"TIT2(0) one\r\n");
  ASSERT_EQ(w.table.size(), 1u);
  EXPECT_EQ(w.table[0].id, u"TIT2");

  // One byte too long, at the very end of the tag.
  std::string exact = F23("TIT2", Z + "abc");
  Walked fits = Walk(Tag(3, exact) + "audio");
  EXPECT_EQ(fits.listing, u"TIT2(0) abc\r\n");
  std::string over = F23Sized("TIT2", Be32(5), Z + "abc");
  Walked past = Walk("ID3" + B({3, 0, 0}) + Synchsafe(static_cast<std::uint32_t>(over.size() - 1)) + over + "audio");
  EXPECT_EQ(past.listing, u"");
  EXPECT_TRUE(past.table.empty());

  // A frame size above 2^31.
  Walked huge = Walk(Tag(3, F23("TIT2", Z + "a") + F23Sized("TPE1", B({0xFF, 0xFF, 0xFF, 0xF0}), Z + "b"), 20));
  EXPECT_EQ(huge.listing, u"TIT2(0) a\r\n");
}

TEST(V2Walk, FrameClaimingBytesTheSourceLacksEndsTheWalk) {
  // The tag claims 100,000 bytes, the frame 50,000, the data holds 30.
  std::string bytes =
      "ID3" + B({3, 0, 0}) + Synchsafe(100000) + F23("TIT2", Z + "a") + F23Sized("TPE1", Be32(50000), Z + "partial");
  Walked w = Walk(bytes);
  EXPECT_EQ(w.listing, u"TIT2(0) a\r\n");
  EXPECT_EQ(w.table.size(), 1u);
}

TEST(V2Walk, TableHoldsAtMost32768Entries) {
  std::string frames;
  for (int k = 0; k < 32769; ++k) frames += F22("TT2", Z);
  Walked w = Walk(Tag(2, frames, 6));
  EXPECT_EQ(w.table.size(), kMaxV2FrameEntries);
  EXPECT_EQ(kMaxV2FrameEntries, 32768u);
  std::size_t lines = 0;
  for (std::size_t p = 0; (p = w.listing.find(u"\r\n", p)) != std::u16string::npos; p += 2) ++lines;
  EXPECT_EQ(lines, 32768u);

  // Exactly 32,768 frames all fit.
  std::string fit;
  for (int k = 0; k < 32768; ++k) fit += F22("TT2", Z + "a");
  Walked f = Walk(Tag(2, fit));
  EXPECT_EQ(f.table.size(), 32768u);
  EXPECT_EQ(f.table.back().text, u"a");
}

TEST(V2Walk, AppendsAfterEntriesItDidNotReset) {
  std::string tag = Tag(3, F23("TIT2", Z + "a"), 4);
  MemorySource src(tag);
  V2FrameTable table;
  std::u16string listing = u"kept\r\n";
  WalkV2Frames(src, 3, ReadV2Header(src).size, table, listing);
  WalkV2Frames(src, 3, ReadV2Header(src).size, table, listing);
  EXPECT_EQ(listing, u"kept\r\nTIT2(0) a\r\nTIT2(0) a\r\n");
  EXPECT_EQ(table.size(), 2u);
}

// ---------------------------------------------------------------------------------------
// Version-4 frame sizes (R4)

TEST(V24FrameSize, SynchsafeSizeIsRead_R4) {
  // 00 00 01 00 is 128 bytes in a version-4 tag, 256 in a version-3 tag.
  std::string body = Z + std::string(127, 'a');
  Walked v4 = Walk(Tag(4, F23Sized("TIT2", B({0, 0, 1, 0}), body) + F23("TPE1", Z + "b"), 300));
  ASSERT_EQ(v4.table.size(), 2u);
  EXPECT_EQ(v4.table[0].body, body);
  EXPECT_EQ(v4.table[1].id, u"TPE1");

  std::string body3 = Z + std::string(255, 'a');
  Walked v3 = Walk(Tag(3, F23Sized("TIT2", B({0, 0, 1, 0}), body3) + F23("TPE1", Z + "b"), 300));
  ASSERT_EQ(v3.table.size(), 2u);
  EXPECT_EQ(v3.table[0].body.size(), 256u);

  // Synchsafe bytes are used whole: 00 00 01 80 is 128 + 128.
  std::string body256 = Z + std::string(255, 'c');
  Walked whole = Walk(Tag(4, F23Sized("TIT2", B({0, 0, 1, 0x80}), body256) + F23("TPE1", Z + "d"), 600));
  ASSERT_EQ(whole.table.size(), 2u);
  EXPECT_EQ(whole.table[0].body.size(), 256u);
}

TEST(V24FrameSize, PlainSizeOnlyWhenSynchsafeDoesNotLandAndPlainDoes_R4) {
  // A writer that put plain sizes in a version-4 tag: 256 bytes with size bytes 00 00
  // 01 00. At byte 128 of the body there is text, at 256 the next frame.
  std::string body = Z + std::string(255, 'q');
  Walked next = Walk(Tag(4, F23Sized("TIT2", B({0, 0, 1, 0}), body) + F23("TPE1", Z + "b"), 300));
  ASSERT_EQ(next.table.size(), 2u);
  EXPECT_EQ(next.table[0].body.size(), 256u);
  EXPECT_EQ(next.table[1].text, u"b");

  // Plain size lands exactly on the tag's end.
  Walked end = Walk(Tag(4, F23Sized("TIT2", B({0, 0, 1, 0}), body)) + "\xFF\xFB audio");
  ASSERT_EQ(end.table.size(), 1u);
  EXPECT_EQ(end.table[0].body.size(), 256u);

  // Plain size lands on zero padding.
  Walked pad = Walk(Tag(4, F23Sized("TIT2", B({0, 0, 1, 0}), body), 40));
  ASSERT_EQ(pad.table.size(), 1u);
  EXPECT_EQ(pad.table[0].body.size(), 256u);

  // Both land (synchsafe on an id, plain on padding): synchsafe wins.
  std::string both = Z + std::string(127, 's') + "TPE1" + Be32(2) + B({0, 0}) + Z + "x" + std::string(116, '\0');
  ASSERT_EQ(both.size(), 256u);
  Walked w = Walk(Tag(4, F23Sized("TIT2", B({0, 0, 1, 0}), both), 20));
  ASSERT_EQ(w.table.size(), 2u);
  EXPECT_EQ(w.table[0].body.size(), 128u);
  EXPECT_EQ(w.table[1].id, u"TPE1");
  EXPECT_EQ(w.table[1].text, u"x");

  // Synchsafe lands on zero padding, plain inside it: synchsafe wins.
  std::string short128 = Z + std::string(127, 'p');
  Walked sp = Walk(Tag(4, F23Sized("TIT2", B({0, 0, 1, 0}), short128), 400));
  ASSERT_EQ(sp.table.size(), 1u);
  EXPECT_EQ(sp.table[0].body, short128);

  // Zero bytes that do not reach the tag's end are no landing place.
  std::string zeros = Z + std::string(127, 'p') + std::string(128, '\0');
  Walked mid = Walk(Tag(4, F23Sized("TIT2", B({0, 0, 1, 0}), zeros) + F23("TPE1", Z + "b"), 16));
  ASSERT_EQ(mid.table.size(), 2u);
  EXPECT_EQ(mid.table[0].body.size(), 256u);
  EXPECT_EQ(mid.table[1].text, u"b");

  // Neither lands: synchsafe stays, and the walk goes on at the place it gives.
  std::string junk = Z + std::string(127, 'j') + "zzkk" + B({0, 0, 0, 4, 0, 0}) + "abcd" + std::string(114, 'k');
  ASSERT_EQ(junk.size(), 256u);
  Walked nl = Walk(Tag(4, F23Sized("TIT2", B({0, 0, 1, 0}), junk) + "xxxxxxxx", 10));
  ASSERT_EQ(nl.table.size(), 2u);
  EXPECT_EQ(nl.table[0].body.size(), 128u);
  EXPECT_EQ(nl.table[1].id, u"zzkk");
  EXPECT_EQ(nl.listing, u"TIT2(0) " + std::u16string(127, u'j') + u"\r\nzzkk(97) \r\n");
}

// ---------------------------------------------------------------------------------------
// Three-character frames

TEST(V22Decoder, Encoding0IsCodePageTextWithZeroAsSpace) {
  EXPECT_TEXT(V22("abc", 0), u"abc", u"abc");
  EXPECT_TEXT(V22("eng" + Z + "Nice", 0, "COM"), u"eng Nice", u" Nice");
  EXPECT_TEXT(V22("a" + Z + "b" + Z + "c", 0), u"a b c", u" c");
  EXPECT_TEXT(V22("", 0), u"", u"");
  EXPECT_TEXT(V22(B({0xB6, 0xCC, 0xAA}), 0), u"ｶﾌｪ", u"ｶﾌｪ");
  // An undefined pair becomes U+FFFD and decoding goes on.
  EXPECT_TEXT(V22(B({0x85, 0x40}) + "A", 0), u"\uFFFDA", u"\uFFFDA");
}

TEST(V22Decoder, AllShiftJisLeadBytesTakeTheirTrailByte_R1) {
  // 珈琲 (E0 DB E0 E8), 鶯 (E9 F2), 薔 (E5 4B): lead bytes above 0xE0.
  EXPECT_TEXT(V22(B({0xE0, 0xDB, 0xE0, 0xE8, 0xE9, 0xF2, 0xE5, 0x4B}), 0), u"珈琲鶯薔", u"珈琲鶯薔");
  EXPECT_TEXT(V22(B({0x82, 0xA0, 0xFC, 0x4B}), 0), u"あ黑", u"あ黑");
  // A lead byte at the end stands alone (undefined); a lead byte takes a zero with it.
  EXPECT_TEXT(V22("A" + B({0xE0}), 0), u"A\uFFFD", u"A\uFFFD");
  EXPECT_TEXT(V22(B({0x41, 0xE0, 0x00, 0x42}), 0), u"A\uFFFDB", u"A\uFFFDB");
}

TEST(V22Decoder, Encoding1IsUtf16Pairs) {
  EXPECT_TEXT(V22(kLE + U16LE(u"AB"), 1), u"AB", u"AB");
  EXPECT_TEXT(V22(kLE + U16LE(u"歌手 v2"), 1), u"歌手 v2", u"歌手 v2");
  // A zero unit in the middle is a separator: a space in full, a fresh tail.
  EXPECT_TEXT(V22(kLE + U16LE(u"ab") + B({0, 0}) + kLE + U16LE(u"cd"), 1), u"ab cd", u"cd");
  // Units below 0x100 are code page single-byte characters; FF pairs are skipped.
  EXPECT_TEXT(V22(B({0xB1, 0x00, 0x41, 0x00}), 1), u"ｱA", u"ｱA");
  EXPECT_TEXT(V22(U16LE(u"x") + B({0xFF, 0x30}) + U16LE(u"y"), 1), u"xy", u"xy");
  // An odd last byte ends the decoding.
  EXPECT_TEXT(V22(kLE + U16LE(u"AB") + "C", 1), u"AB", u"AB");
}

TEST(V22Decoder, OtherEncodingsDecodeNothing) {
  for (int e : {2, 3, 4, 0x41, 0xFF}) EXPECT_TEXT(V22(kLE + U16LE(u"AB"), e), u"", u"");
  Walked w = Walk(Tag(2, F22("TT2", B({2}) + U16BE(u"AB")), 4));
  EXPECT_EQ(w.listing, u"TT2(2) \r\n");
  EXPECT_EQ(w.table[0].text, u"");
}

TEST(V22Decoder, CommentWithEncoding1ReadsLanguageAsSingleBytes_R3) {
  std::string com = "jpn" + kLE + U16LE(u"説明") + B({0, 0}) + kLE + U16LE(u"日本語のコメント");
  EXPECT_TEXT(V22(com, 1, "COM"), u"jpn説明 日本語のコメント", u"日本語のコメント");
  // Language bytes of zero are separators of the single-byte kind (a space each).
  EXPECT_TEXT(V22(B({0, 0, 0}) + kLE + U16LE(u"x"), 1, "COM"), u"   x", u" x");
  // Other three-character frames pair from the first byte.
  EXPECT_TEXT(V22("jp" + kLE + U16LE(u"x"), 1, "TT2"), u"\u706Ax", u"\u706Ax");
  // Short data: only the language.
  EXPECT_TEXT(V22("en", 1, "COM"), u"en", u"en");
}

TEST(V22Decoder, TrailingTerminatorKeepsTail_R5) {
  EXPECT_TEXT(V22("Title" + Z, 0), u"Title ", u"Title");
  EXPECT_TEXT(V22("Title" + Z + Z, 0), u"Title  ", u"Title");
  EXPECT_TEXT(V22("eng" + Z + "Nice" + Z, 0, "COM"), u"eng Nice ", u" Nice");
  EXPECT_TEXT(V22(kLE + U16LE(u"A") + B({0, 0}), 1), u"A ", u"A");
  EXPECT_TEXT(V22(kLE + U16LE(u"コンテンツ") + B({0, 0, 0, 0}), 1), u"コンテンツ  ", u"コンテンツ");
  // All zeros: nothing but spaces in full, tail stays empty.
  EXPECT_TEXT(V22(Z + Z, 0), u"  ", u"");
  // A zero followed by more text is a separator as before.
  EXPECT_TEXT(V22("a" + Z + Z + "b", 0), u"a  b", u" b");
}

// ---------------------------------------------------------------------------------------
// Four-character frames, encoding 0 (and any other value but 1, 2, 3)

TEST(V23Decoder, SingleByteTextAndSeparators) {
  EXPECT_TEXT(V23("abc", 0), u"abc", u"abc");
  EXPECT_TEXT(V23("eng" + Z + "Nice", 0, "COMM"), u"engNice", u"Nice");
  EXPECT_TEXT(V23(Z + Z + Z + Z + "id3lib comment", 0, "COMM"), u"id3lib comment", u"id3lib comment");
  EXPECT_TEXT(V23("MOOD" + Z + "calm" + Z, 0, "TXXX"), u"MOODcalm", u"calm");
  EXPECT_TEXT(V23("Home" + Z + "http://example.com/" + Z, 0, "WXXX"), u"Homehttp://example.com/",
              u"http://example.com/");
  // A URL frame's first byte is its "encoding": the rest decodes the same way.
  EXPECT_TEXT(V23("ttp://a.example/" + Z, 'h', "WOAR"), u"ttp://a.example/", u"ttp://a.example/");
  EXPECT_TEXT(V23("abc", 7), u"abc", u"abc");
  // 0xE9 (é in Latin-1) is a lead byte of code page 932 and takes the next byte with it.
  EXPECT_TEXT(V23("caf" + B({0xE9}) + " au lait", 0), u"caf\uFFFDau lait", u"caf\uFFFDau lait");
}

TEST(V23Decoder, ByteOrderMarkTogglesUtf16) {
  EXPECT_TEXT(V23(kLE + B({0x41, 0, 0x42, 0}), 0), u"AB", u"AB");
  EXPECT_TEXT(V23(kLE + U16LE(u"日本") + kLE + "x", 0), u"日本x", u"日本x");
  // UTF-16 mode: a zero unit is a space and a separator; units below 0x100 are code page characters.
  EXPECT_TEXT(V23(kLE + U16LE(u"a") + B({0, 0}) + U16LE(u"b"), 0), u"a b", u"b");
  EXPECT_TEXT(V23(kLE + B({0xB1, 0x00}), 0), u"ｱ", u"ｱ");
  // A lone FF is dropped in single-byte mode; FE FF is not a mark (FE is a character).
  EXPECT_TEXT(V23("A" + B({0xFF}) + "B", 0), u"AB", u"AB");
  EXPECT_TEXT(V23(kBE + "A", 0), u"\uF8F2A", u"\uF8F2A");
  // An odd last byte in UTF-16 mode ends the decoding.
  EXPECT_TEXT(V23(kLE + U16LE(u"AB") + "C", 0), u"AB", u"AB");
}

TEST(V23Decoder, AllShiftJisLeadBytesTakeTheirTrailByte_R1) {
  EXPECT_TEXT(V23(B({0xE0, 0xDB, 0xE0, 0xE8, 0xB6, 0xCC, 0xAA}), 0), u"珈琲ｶﾌｪ", u"珈琲ｶﾌｪ");
  EXPECT_TEXT(V23("jpn" + B({0x90, 0xE0, 0x96, 0xBE, 0, 0xE9, 0xF2}), 0, "COMM"), u"jpn説明鶯", u"鶯");
  // Lead byte followed by a zero: two spaces in full, and a separator; for 0xE0-0xFC as for 0x81-0x9F.
  EXPECT_TEXT(V23("A" + B({0xE9, 0}) + "B", 0), u"A  B", u"B");
  EXPECT_TEXT(V23("A" + B({0x81, 0}) + "B", 0), u"A  B", u"B");
  EXPECT_TEXT(V23("A" + B({0xFC, 0}) + "B", 0), u"A  B", u"B");
  // A lead byte in the last position is a single (undefined) byte.
  EXPECT_TEXT(V23("A" + B({0xE0}), 0), u"A\uFFFD", u"A\uFFFD");
  // Undefined pairs become U+FFFD and decoding goes on.
  EXPECT_TEXT(V23(B({0x85, 0x40, 0xEF, 0x40}) + "z", 0), u"\uFFFD\uFFFDz", u"\uFFFD\uFFFDz");
}

TEST(V23Decoder, TrailingTerminatorKeepsTail_R5) {
  EXPECT_TEXT(V23("Title" + Z, 0), u"Title", u"Title");
  EXPECT_TEXT(V23("Title" + Z + Z + Z, 0), u"Title", u"Title");
  // Lead byte plus zero at the end: two spaces in full, tail as it was.
  EXPECT_TEXT(V23("A" + B({0xE0, 0}), 0), u"A  ", u"A");
  EXPECT_TEXT(V23(kLE + U16LE(u"A") + B({0, 0}), 0), u"A ", u"A");
  EXPECT_TEXT(V23(kLE + U16LE(u"A") + B({0, 0}), 1), u"A ", u"A");
  EXPECT_TEXT(V23(U16BE(u"A") + B({0, 0}), 2), u"A ", u"A");
  EXPECT_TEXT(V23("A" + Z, 3), u"A", u"A");
  // A zero followed by text, then a zero at the end.
  EXPECT_TEXT(V23("x" + Z + "y" + Z, 0), u"xy", u"y");
  // Nothing but zeros.
  EXPECT_TEXT(V23(Z + Z, 0), u"", u"");
}

// ---------------------------------------------------------------------------------------
// Four-character frames, encodings 1, 2 and 3 (R2)

TEST(V23Decoder, Encoding1IsUtf16WithAMarkPerString_R2) {
  EXPECT_TEXT(V23(kLE + U16LE(u"日本語の曲名 珈琲") + B({0, 0}), 1), u"日本語の曲名 珈琲 ", u"日本語の曲名 珈琲");
  // Each string has its own mark; big-endian strings too; without one, little-endian.
  EXPECT_TEXT(V23(kLE + U16LE(u"説明") + B({0, 0}) + kBE + U16BE(u"値です"), 1, "TXXX"), u"説明 値です", u"値です");
  EXPECT_TEXT(V23(kBE + U16BE(u"Ab") + B({0, 0}) + U16LE(u"cd"), 1, "TXXX"), u"Ab cd", u"cd");
  EXPECT_TEXT(V23(U16LE(u"no mark"), 1), u"no mark", u"no mark");
  // Units below 0x100 are Unicode characters, not code page bytes.
  EXPECT_TEXT(V23(kLE + U16LE(u"café ｱ"), 1), u"café ｱ", u"café ｱ");
  EXPECT_TEXT(V23(kLE + B({0xB1, 0x00}), 1), u"\u00B1", u"\u00B1");
  // A mark inside a string is an ordinary character.
  EXPECT_TEXT(V23(kLE + U16LE(u"a") + kLE + U16LE(u"b"), 1), u"a\uFEFFb", u"a\uFEFFb");
}

TEST(V23Decoder, Utf16SurrogatesAndBrokenUnits_R2) {
  std::u16string note = u"\U0001F3B5";
  EXPECT_TEXT(V23(kLE + U16LE(note + u"x"), 1), note + u"x", note + u"x");
  EXPECT_TEXT(V23(U16BE(note), 2), note, note);
  // Lone surrogates become U+FFFD.
  EXPECT_TEXT(V23(kLE + U16LE(u"\xD83C"
                              u"A"),
                  1),
              u"\uFFFDA", u"\uFFFDA");
  EXPECT_TEXT(V23(kLE + U16LE(u"A\xDF75"), 1), u"A\uFFFD", u"A\uFFFD");
  EXPECT_TEXT(V23(kLE + U16LE(u"A\xD83C"), 1), u"A\uFFFD", u"A\uFFFD");
  // An odd last byte: U+FFFD, or nothing when it is zero.
  EXPECT_TEXT(V23(kLE + U16LE(u"AB") + "C", 1), u"AB\uFFFD", u"AB\uFFFD");
  EXPECT_TEXT(V23(kLE + U16LE(u"AB") + Z, 1), u"AB", u"AB");
}

TEST(V23Decoder, Encoding2IsUtf16BigEndian_R2) {
  EXPECT_TEXT(V23(U16BE(u"AB"), 2), u"AB", u"AB");
  EXPECT_TEXT(V23(U16BE(u"é鶯") + B({0, 0}) + U16BE(u"x"), 2, "TXXX"), u"é鶯 x", u"x");
  // No marks in big-endian text: FF FE is the character U+FFFE.
  EXPECT_TEXT(V23(kLE + U16BE(u"A"), 2), u"\uFFFEA", u"\uFFFEA");
}

TEST(V23Decoder, Encoding3IsUtf8_R2) {
  std::string s = Utf16ToUtf8(u"鶯の歌");
  EXPECT_TEXT(V23(s + Z, 3), u"鶯の歌", u"鶯の歌");
  EXPECT_TEXT(V23("comment" + Z + "ffmpeg comment" + Z, 3, "TXXX"), u"commentffmpeg comment", u"ffmpeg comment");
  EXPECT_TEXT(V23(Utf16ToUtf8(u"Ålbum \U0001F3B5"), 3), u"Ålbum \U0001F3B5", u"Ålbum \U0001F3B5");
  // Bytes that are not UTF-8 become U+FFFD.
  EXPECT_TEXT(V23("a" + B({0xFF, 0xC3}) + "b", 3), u"a\uFFFD\uFFFDb", u"a\uFFFD\uFFFDb");
}

TEST(V23Decoder, WxxxUrlAfterTheDescriptionIsSingleByte_R2) {
  EXPECT_TEXT(V23(kLE + U16LE(u"Home") + B({0, 0}) + "http://example.com/" + Z, 1, "WXXX"), u"Home http://example.com/",
              u"http://example.com/");
  EXPECT_TEXT(V23(U16BE(u"説明") + B({0, 0}) + "http://x/", 2, "WXXX"), u"説明 http://x/", u"http://x/");
  EXPECT_TEXT(V23(Utf16ToUtf8(u"説明") + Z + "http://x/" + Z, 3, "WXXX"), u"説明http://x/", u"http://x/");
  // Odd length URL after a UTF-16 description: still byte by byte.
  EXPECT_TEXT(V23(kLE + B({0, 0}) + "abc", 1, "WXXX"), u" abc", u"abc");
  // Without a separator the whole frame is the description.
  EXPECT_TEXT(V23(kLE + U16LE(u"desc"), 1, "WXXX"), u"desc", u"desc");
  // Other frames read every string by the encoding.
  EXPECT_TEXT(V23(kLE + U16LE(u"d") + B({0, 0}) + "ab", 1, "TXXX"), u"d \u6261", u"\u6261");
}

TEST(V23Decoder, CommentLanguageIsSingleBytesThenStringsByEncoding_R3) {
  EXPECT_TEXT(V23("jpn" + kLE + U16LE(u"説明") + B({0, 0}) + kLE + U16LE(u"日本語のコメント") + B({0, 0}), 1, "COMM"),
              u"jpn説明 日本語のコメント ", u"日本語のコメント");
  // An empty description written as 00 00 without a mark.
  EXPECT_TEXT(V23("eng" + B({0, 0}) + kLE + U16LE(u"lame comment"), 1, "COMM"), u"eng lame comment", u"lame comment");
  EXPECT_TEXT(V23("eng" + B({0, 0}) + U16BE(u"be text"), 2, "COMM"), u"eng be text", u"be text");
  EXPECT_TEXT(V23("jpn" + Z + Utf16ToUtf8(u"ユニコードのコメント") + Z, 3, "COMM"), u"jpnユニコードのコメント",
              u"ユニコードのコメント");
  // Zero language bytes are separators; lead bytes do not reach past the language.
  EXPECT_TEXT(V23(B({0, 0, 0}) + kLE + U16LE(u"c"), 1, "COMM"), u"c", u"c");
  EXPECT_TEXT(V23("en" + B({0x82}) + kLE + U16LE(u"c"), 1, "COMM"), u"en\uFFFDc", u"en\uFFFDc");
  EXPECT_TEXT(V23("e", 3, "COMM"), u"e", u"e");
}

// ---------------------------------------------------------------------------------------
// Robustness: random and damaged tags always end, within the table's bound.

namespace {

void CheckWalk(const std::string& bytes) {
  MemorySource src(bytes);
  V2Header h = ReadV2Header(src);
  V2FrameTable table;
  std::u16string listing;
  // Walk whatever the header claims, with the version byte as read.
  WalkV2Frames(src, h.major, h.size, table, listing);
  ASSERT_LE(table.size(), kMaxV2FrameEntries);
  std::size_t lines = 0;
  for (std::size_t p = 0; (p = listing.find(u"\r\n", p)) != std::u16string::npos; p += 2) ++lines;
  std::size_t frameBytes = 0;
  for (const auto& e : table) {
    EXPECT_TRUE(e.fromFile);
    EXPECT_EQ(e.id.size(), h.major <= 2 ? 3u : 4u);
    EXPECT_GE(e.body.size(), 1u);
    frameBytes += e.body.size() + (h.major <= 2 ? 6 : 10);
  }
  // Frames never overlap and never lie outside the data.
  EXPECT_LE(frameBytes + 10, std::max<std::size_t>(bytes.size(), 10));
  // One line per frame (decoded text may hold CR LF of its own).
  if (!table.empty())
    EXPECT_GE(lines, table.size());
  else
    EXPECT_EQ(listing, u"");
}

}  // namespace

TEST(V2Robustness, RandomAndMutatedTagsEndWithinBounds) {
  std::mt19937 rng(20240607);
  auto byte = [&] { return static_cast<char>(rng() & 0xFF); };
  std::vector<std::string> seeds;
  for (const char* name :
       {"02_v23_latin1_mutagen_mpeg1_l3_32k.mp3", "03_v23_utf16_japanese_mutagen_mpeg1_l3_128k.mp3",
        "05_v24_utf8_japanese_eyed3_mpeg1_l3_32k.mp3", "07_v23_txxx_wxxx_wcom_mutagen_mpeg1_l3_32k.mp3",
        "13_v22_handmade_mpeg1_l2_64k.mp3", "15_v23_v1_lame_mpeg2_l3_64k.mp3", "16_v24_ffmpeg_mpeg1_l3_32k.mp3"}) {
    std::string file = vqtest::ReadBytes(vqtest::DataPath(name));
    seeds.push_back(file.substr(0, std::min<std::size_t>(file.size(), 600)));
  }
  seeds.push_back(Tag(4, F23Sized("TIT2", B({0, 0, 1, 0}), Z + std::string(255, 'q')) + F23("TPE1", Z + "b"), 30));
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    switch (round % 4) {
      case 0: {  // random bytes behind a plausible header
        std::size_t n = rng() % 400;
        bytes = "ID3" + B({static_cast<int>(rng() % 6), 0, 0}) + Synchsafe(rng() % 500);
        for (std::size_t k = 0; k < n; ++k) bytes.push_back(byte());
        break;
      }
      case 1: {  // random bytes, random header
        std::size_t n = rng() % 300;
        bytes = "ID3";
        for (std::size_t k = 0; k < n; ++k) bytes.push_back(byte());
        break;
      }
      default: {  // a real tag with some bytes changed and maybe cut short
        bytes = seeds[rng() % seeds.size()];
        int changes = 1 + static_cast<int>(rng() % 8);
        for (int k = 0; k < changes; ++k) bytes[3 + rng() % (bytes.size() - 3)] = byte();
        if (rng() % 3 == 0) bytes.resize(3 + rng() % (bytes.size() - 3));
        break;
      }
    }
    SCOPED_TRACE(round);
    CheckWalk(bytes);
    if (HasFatalFailure()) return;
    // The decoders on the same bytes, with every encoding kind and special id.
    std::string data = bytes.substr(std::min<std::size_t>(bytes.size(), 10));
    for (int e : {0, 1, 2, 3, 0x68}) {
      for (const char* id : {"TIT2", "COMM", "WXXX"}) {
        DecodedText d = DecodeV23FrameText(data, static_cast<std::uint8_t>(e), id);
        EXPECT_LE(d.tail.size(), d.full.size());
        EXPECT_LE(d.full.size(), 2 * data.size());
      }
      for (const char* id : {"TT2", "COM"}) {
        DecodedText d = DecodeV22FrameText(data, static_cast<std::uint8_t>(e), id);
        EXPECT_LE(d.full.size(), data.size());
      }
    }
  }
}

TEST(V2Robustness, HugeClaimedSizesStayCheap) {
  // Largest header size, and frames claiming up to 4 GiB, in a few bytes of data.
  for (int major : {2, 3, 4}) {
    std::string frames = major == 2 ? F22("TT2", Z + "a") + "TP1" + B({0xFF, 0xFF, 0xFF})
                                    : F23("TIT2", Z + "a") + "TPE1" + B({0xFF, 0xFF, 0xFF, 0xFF, 0, 0});
    Walked w = Walk("ID3" + B({major, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}) + frames + "tail");
    EXPECT_EQ(w.table.size(), 1u) << major;
    EXPECT_EQ(w.table[0].text, u"a") << major;
  }
}
