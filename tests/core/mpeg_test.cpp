#include <gtest/gtest.h>

#include <string>

#include "formats/mpeg.h"

using namespace vq;

namespace {

// `length` bytes of 0x00 with the given bytes placed at `at`.
std::string Stream(std::size_t length, std::size_t at, std::string bytes) {
  std::string s(length, '\0');
  s.replace(at, bytes.size(), bytes);
  return s;
}

MpegHeader Header(int versionBit, int layerCode, int index) {
  MpegHeader h;
  h.found = true;
  h.versionBit = versionBit;
  h.layerCode = layerCode;
  h.bitrateIndex = index;
  return h;
}

MpegHeader FindIn(const std::string& bytes, std::uint64_t start = 0) {
  return FindMpegHeader(MemorySource(bytes), start);
}

std::u16string PlayText(const std::string& bytes, std::uint64_t start = 0) {
  MemorySource src(bytes);
  return PlayTimeText(PlayTimeSeconds(src.Length(), FindMpegHeader(src, start)));
}

}  // namespace

TEST(BitrateTable, HoldsTheMpeg1AndMpeg2LowSamplingRateTables) {
  const std::int16_t mpeg1L3[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  const std::int16_t mpeg1L2[16] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0};
  const std::int16_t mpeg1L1[16] = {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0};
  const std::int16_t mpeg2L23[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
  const std::int16_t mpeg2L1[16] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0};
  for (int i = 0; i < 16; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(BitrateTable[1][0][i], mpeg1L3[i]);
    EXPECT_EQ(BitrateTable[1][1][i], mpeg1L2[i]);
    EXPECT_EQ(BitrateTable[1][2][i], mpeg1L1[i]);
    EXPECT_EQ(BitrateTable[0][0][i], mpeg2L23[i]);
    EXPECT_EQ(BitrateTable[0][1][i], mpeg2L23[i]);
    EXPECT_EQ(BitrateTable[0][2][i], mpeg2L1[i]);
  }
}

TEST(FindMpegHeader, TakesVersionLayerAndIndexFromTheFirstMatch) {
  const std::string src = Stream(4000, 10, "\xFF\xFB\x90\xC4");
  MpegHeader h = FindIn(src);
  ASSERT_TRUE(h.found);
  EXPECT_EQ(h.offset, 10u);
  EXPECT_EQ(h.versionBit, 1);
  EXPECT_EQ(h.layerCode, 1);  // Layer III
  EXPECT_EQ(h.bitrateIndex, 9);

  const std::string l2 = Stream(4000, 0, "\xFF\xFD\x40\xC4");  // MPEG-1 Layer II, protection bit set
  h = FindIn(l2);
  EXPECT_EQ(h.versionBit, 1);
  EXPECT_EQ(h.layerCode, 2);
  EXPECT_EQ(h.bitrateIndex, 4);

  const std::string l1 = Stream(4000, 0, "\xFF\xF6\xE0\x00");  // MPEG-2 Layer I
  h = FindIn(l1);
  EXPECT_EQ(h.versionBit, 0);
  EXPECT_EQ(h.layerCode, 3);
  EXPECT_EQ(h.bitrateIndex, 14);
}

TEST(FindMpegHeader, SearchesExactly1020OffsetsFromTheStart) {
  for (std::size_t start : {0u, 300u}) {
    SCOPED_TRACE(start);
    const std::string last = Stream(5000, start + 1019, "\xFF\xFB\x90\x00");
    MpegHeader h = FindIn(last, start);
    EXPECT_TRUE(h.found);
    EXPECT_EQ(h.offset, start + 1019);
    const std::string beyond = Stream(5000, start + 1020, "\xFF\xFB\x90\x00");
    EXPECT_FALSE(FindIn(beyond, start).found);
  }
  // A header before the start offset (inside the tag) is not seen.
  const std::string before = Stream(5000, 99, "\xFF\xFB\x90\x00");
  EXPECT_FALSE(FindIn(before, 100).found);
}

TEST(FindMpegHeader, SkipsMpeg25AndOtherNonMatchesAndTakesTheFirstRealOne) {
  std::string s(3000, '\0');
  s.replace(0, 2, "\xFF\xE3");  // MPEG 2.5
  s.replace(5, 2, "\xFF\xEF");
  s.replace(9, 2, "\xFE\xFB");
  s.replace(20, 3, "\xFF\xFF\x50");  // FF FF: the second FF counts as the byte >= F0
  s.replace(40, 3, "\xFF\xFB\x90");
  MpegHeader h = FindMpegHeader(MemorySource(s), 0);
  ASSERT_TRUE(h.found);
  EXPECT_EQ(h.offset, 20u);
  EXPECT_EQ(h.bitrateIndex, 5);
  EXPECT_EQ(h.layerCode, 3);

  s.replace(20, 3, std::string(3, '\0'));
  h = FindMpegHeader(MemorySource(s), 0);
  EXPECT_EQ(h.offset, 40u);
}

TEST(FindMpegHeader, BytesPastTheEndReadAsZeroAndMatchNothing) {
  EXPECT_FALSE(FindMpegHeader(MemorySource(""), 0).found);
  EXPECT_FALSE(FindMpegHeader(MemorySource(std::string(10, '\0') + "\xFF"), 0).found);
  EXPECT_FALSE(FindMpegHeader(MemorySource("\xFF\xFB\x90\x00"), 2000).found);
  // A header whose third byte lies past the end still matches, with index 0.
  MpegHeader h = FindMpegHeader(MemorySource(std::string("ab\xFF\xFB")), 0);
  ASSERT_TRUE(h.found);
  EXPECT_EQ(h.bitrateIndex, 0);
}

TEST(PlayTime, ThreeMillionBytesAt128kbps) {
  const std::string bytes = Stream(3000000, 0, "\xFF\xFB\x90");
  MemorySource src(bytes);
  EXPECT_EQ(PlayTimeSeconds(src.Length(), FindMpegHeader(src, 0)), 183);
  EXPECT_EQ(PlayText(bytes), u"3:03");
  EXPECT_EQ(SizeText(src.Length()), u"2,930 kb");
}

TEST(PlayTime, Mpeg2HeaderSelectsTheLowSamplingRateRow) {
  // FF F3 80: MPEG-2 Layer III index 8 = 64 kbit/s (MPEG-1 would be 112).
  const std::uint64_t length = 127 + 64 * 1024 / 8 * 100;  // exactly 100 s at 64 kbit/s
  const std::string bytes = Stream(length, 0, "\xFF\xF3\x80");
  EXPECT_EQ(PlayTimeSeconds(length, FindMpegHeader(MemorySource(bytes), 0)), 100);
  EXPECT_EQ(PlayText(bytes), u"1:40");
}

TEST(PlayTime, RoundsHalvesToEvenAndWritesTwoDigitSeconds) {
  // MPEG-2 Layer III index 1: 8 kbit/s, so (length - 127) / 1024 is the play time.
  const MpegHeader h8 = Header(0, 1, 1);
  EXPECT_EQ(PlayTimeSeconds(127 + 60 * 1024 + 512, h8), 60);  // 60.5
  EXPECT_EQ(PlayTimeSeconds(127 + 61 * 1024 + 512, h8), 62);  // 61.5
  EXPECT_EQ(PlayTimeSeconds(127 + 61 * 1024 + 513, h8), 62);
  EXPECT_EQ(PlayTimeSeconds(127 + 60 * 1024 + 511, h8), 60);
  EXPECT_EQ(PlayTimeSeconds(127 + 65 * 1024, h8), 65);
  EXPECT_EQ(PlayText(Stream(127 + 60 * 1024 + 512, 0, "\xFF\xF3\x10")), u"1:00");
  EXPECT_EQ(PlayText(Stream(127 + 61 * 1024 + 512, 0, "\xFF\xF3\x10")), u"1:02");
  EXPECT_EQ(PlayText(Stream(127 + 65 * 1024, 0, "\xFF\xF3\x10")), u"1:05");
}

TEST(PlayTime, IsZeroWithoutAUsableHeader) {
  const std::uint64_t length = 1000000;
  EXPECT_EQ(PlayTimeSeconds(length, MpegHeader{}), 0);
  EXPECT_EQ(PlayTimeSeconds(length, Header(1, 1, 0)), 0);   // free format
  EXPECT_EQ(PlayTimeSeconds(length, Header(1, 1, 15)), 0);  // not allowed
  EXPECT_EQ(PlayTimeSeconds(length, Header(1, 0, 9)), 0);   // reserved layer
  EXPECT_EQ(PlayTimeSeconds(length, Header(1, 1, 9)), 61);  // the same with a usable header
  EXPECT_EQ(PlayText(Stream(length, 0, "\xFF\xF9\x90")), u"");  // reserved layer in the stream
  EXPECT_EQ(PlayText(Stream(length, 0, "\xFF\xFB\xF0")), u"");  // index 15 in the stream
  EXPECT_EQ(PlayText(Stream(length, 2000, "\xFF\xFB\x90")), u"");  // too far in
  // A short file does not come out negative.
  EXPECT_EQ(PlayTimeSeconds(100, Header(0, 1, 1)), 0);
}

TEST(PlayTime, TextHasMinutesWithoutLeadingZerosAndTwoDigitSeconds) {
  EXPECT_EQ(PlayTimeText(0), u"");
  EXPECT_EQ(PlayTimeText(2), u"0:02");
  EXPECT_EQ(PlayTimeText(59), u"0:59");
  EXPECT_EQ(PlayTimeText(60), u"1:00");
  EXPECT_EQ(PlayTimeText(605), u"10:05");
  EXPECT_EQ(PlayTimeText(3600), u"60:00");
  EXPECT_EQ(PlayTimeText(36061), u"601:01");
}

TEST(SizeKilobytes, RoundsHalvesToEvenAndFormatsThousands) {
  EXPECT_EQ(SizeKilobytes(40000000), 39062);  // 39,062.5
  EXPECT_EQ(SizeText(40000000), u"39,062 kb");
  EXPECT_EQ(SizeKilobytes(512), 0);
  EXPECT_EQ(SizeKilobytes(513), 1);
  EXPECT_EQ(SizeKilobytes(1536), 2);
  EXPECT_EQ(SizeKilobytes(2560), 2);
  EXPECT_EQ(SizeText(0), u"0 kb");
  EXPECT_EQ(SizeText(999 * 1024), u"999 kb");
  EXPECT_EQ(SizeText(1000 * 1024), u"1,000 kb");
  EXPECT_EQ(SizeText(5ull * 1024 * 1024 * 1024), u"5,242,880 kb");  // beyond 32-bit byte counts
}

TEST(TestBit, CountsBitsFromTheMostSignificant) {
  EXPECT_EQ(TestBit(0xFB, 6), 0);  // mask 0x04
  EXPECT_EQ(TestBit(0xFB, 5), 1);  // mask 0x08
  EXPECT_EQ(TestBit(0xFB, 7), 1);  // mask 0x02
  EXPECT_EQ(TestBit(0x80, 1), 1);
  EXPECT_EQ(TestBit(0x7F, 1), 0);
  EXPECT_EQ(TestBit(0x01, 8), 1);
  EXPECT_EQ(TestBit(0xFE, 8), 0);
  EXPECT_EQ(TestBit(0xF3, 5), 0);  // MPEG-2 Layer III: version bit clear
}

TEST(TestBit, EightBitsRebuildEveryByte) {
  for (int v = 0; v < 256; ++v) {
    int rebuilt = 0;
    for (int n = 1; n <= 8; ++n) rebuilt = rebuilt * 2 + TestBit(static_cast<std::uint8_t>(v), n);
    EXPECT_EQ(rebuilt, v);
  }
}
