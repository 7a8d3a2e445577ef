#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>

#include "formats/module0.h"
#include "platform/fileio.h"
#include "test_util.h"

using namespace vq;

namespace {

struct Times {
  std::time_t access, modified;
};

Times StatTimes(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return {st.st_atim.tv_sec, st.st_mtim.tv_sec};
}

}  // namespace

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

TEST(ByteLength, CountsTwoForDoubleByteCharacters) {
  EXPECT_EQ(ByteLength(u""), 0);
  EXPECT_EQ(ByteLength(u"ABC"), 3);
  EXPECT_EQ(ByteLength(u"日本"), 4);
  EXPECT_EQ(ByteLength(u"ｶﾀｶﾅ"), 4);            // half-width katakana: one byte each
  EXPECT_EQ(ByteLength(u"珈琲ｶﾌｪ Album"), 13);  // level-2 kanji (lead 0xE0) count 2
  EXPECT_EQ(ByteLength(u"Ålbum"), 5);           // not in the code page: written as one "?"
  EXPECT_EQ(ByteLength(u"\uF8F0\u0080"), 2);    // the single bytes A0 and 80
}

TEST(EncodeFrameText, WritesEncodingByteThenCodePageBytesLeadFirst) {
  std::vector<std::uint8_t> bytes{9, 9, 9, 9, 9, 9, 9};  // old contents are replaced
  EncodeFrameText(u"AB", bytes);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x00, 0x41, 0x42}));

  EncodeFrameText(u"あ", bytes);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x00, 0x82, 0xA0}));

  EncodeFrameText(u"鶯ｶA珈", bytes);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x00, 0xE9, 0xF2, 0xB6, 0x41, 0xE0, 0xDB}));

  EncodeFrameText(u"", bytes);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x00}));

  EncodeFrameText(u"xÅy", bytes);  // what the code page cannot hold becomes "?"
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x00, 'x', '?', 'y'}));
}

TEST(EncodeFrameText, SizeMatchesByteLengthPlusOne) {
  const std::vector<std::u16string> texts{u"", u"a", u"漢字かなｶﾅ123", u"Ålbum 珈琲 ﾌｪ", {0xD83C, 0xDFB5, u' ', u'x'}};
  for (const std::u16string& text : texts) {
    std::vector<std::uint8_t> bytes;
    EncodeFrameText(text, bytes);
    EXPECT_EQ(bytes.size(), static_cast<std::size_t>(ByteLength(text)) + 1);
  }
}

TEST(SetFileDate, PutsLastAccessAndLastModifiedToTheLocalTime) {
  vqtest::TempDir dir;
  std::string path = dir / "a.mp3";
  vqtest::WriteBytes(path, "data");
  const std::time_t t = vqtest::LocalTime(2001, 2, 3, 4, 5, 6);
  SetFileDate(path, t);
  Times times = StatTimes(path);
  EXPECT_EQ(times.modified, t);
  EXPECT_EQ(times.access, t);
  std::tm tm{};
  localtime_r(&times.modified, &tm);
  EXPECT_EQ(tm.tm_year + 1900, 2001);
  EXPECT_EQ(tm.tm_mon + 1, 2);
  EXPECT_EQ(tm.tm_mday, 3);
  EXPECT_EQ(tm.tm_hour, 4);
  EXPECT_EQ(tm.tm_min, 5);
  EXPECT_EQ(tm.tm_sec, 6);
  EXPECT_EQ(ModifiedTime(path), t);
}

TEST(SetFileDate, WorksOnReadOnlyFilesAndNamesWithJapaneseCharacters) {
  vqtest::TempDir dir;
  std::string path = dir / "フォルダ/曲 1.mp3";
  vqtest::WriteBytes(path, "data");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  const std::time_t t = vqtest::LocalTime(1999, 12, 31, 23, 59, 59);
  SetFileDate(path, t);
  EXPECT_EQ(StatTimes(path).modified, t);
}

TEST(SetFileDate, IsSilentWhenTheTimesCannotBeSet) {
  vqtest::TempDir dir;
  EXPECT_NO_THROW(SetFileDate(dir / "missing.mp3", vqtest::LocalTime(2001, 2, 3, 4, 5, 6)));

  std::string path = dir / "a.mp3";
  vqtest::WriteBytes(path, "data");
  const std::time_t before = StatTimes(path).modified;
  FaultInjection::FailAt(1, EACCES, FileOp::SetTimes);
  EXPECT_NO_THROW(SetFileDate(path, vqtest::LocalTime(2001, 2, 3, 4, 5, 6)));
  EXPECT_TRUE(FaultInjection::Fired());
  FaultInjection::Reset();
  EXPECT_EQ(StatTimes(path).modified, before);
}
