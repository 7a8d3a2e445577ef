// What the main window shows for a file: the information text and the reads behind it,
// checked against the fixtures' known contents.
#include <gtest/gtest.h>

#include <ctime>

#include "formats/file_summary.h"
#include "platform/fileio.h"
#include "test_util.h"

using vq::ReadFileSummary;


TEST(TagKilobytesText, OneDecimalHalvesToEvenWithThousands) {
  EXPECT_EQ(vq::TagKilobytesText(1024), u"1.0");
  EXPECT_EQ(vq::TagKilobytesText(1190), u"1.2");   // 1.162
  EXPECT_EQ(vq::TagKilobytesText(256), u"0.2");    // 0.25 exactly: to the even digit
  EXPECT_EQ(vq::TagKilobytesText(768), u"0.8");    // 0.75 exactly
  EXPECT_EQ(vq::TagKilobytesText(10), u"0.0");
  EXPECT_EQ(vq::TagKilobytesText(40973), u"40.0");  // 40.01
  EXPECT_EQ(vq::TagKilobytesText(1024 * 1000), u"1,000.0");
  EXPECT_EQ(vq::TagKilobytesText(268435465), u"262,144.0");  // the largest tag length
}

TEST(V2VersionText, CharactersFromTheVersionBytes) {
  vq::V2Header h;
  h.major = 3;
  h.revision = 0;
  EXPECT_EQ(vq::V2VersionText(h), u"3.0");
  h.major = 4;
  h.revision = 1;
  EXPECT_EQ(vq::V2VersionText(h), u"4.1");
}

TEST(BuildInfoText, SevenLinesWithEmptyLinesBetween) {
  vq::V2Header v2;
  v2.present = true;
  v2.size = 1014;  // tag length 1024
  std::time_t t = vqtest::LocalTime(2024, 3, 5, 14, 7, 9);
  EXPECT_EQ(vq::BuildInfoText(3000000, v2, 221, t),
            u"File Size : 2,930 kb\r\n\r\nPlay Tine : 3:41\r\n\r\nv2ﾍｯﾀﾞ長 : 1.0 Kb\r\n\r\n最終更新日 : 2024/03/05 14:07:09");
}

TEST(BuildInfoText, WithoutTagsFourLineBreaksBetweenPlayTimeAndDate) {
  std::time_t midnight = vqtest::LocalTime(2001, 12, 31, 0, 0, 0);
  EXPECT_EQ(vq::BuildInfoText(100, vq::V2Header{}, 0, midnight),
            u"File Size : 0 kb\r\n\r\nPlay Tine : \r\n\r\n\r\n\r\n最終更新日 : 2001/12/31");
  EXPECT_EQ(vq::BuildInfoText(100, vq::V2Header{}, 0, std::nullopt),
            u"File Size : 0 kb\r\n\r\nPlay Tine : \r\n\r\n\r\n\r\n最終更新日 : ");
}

TEST(ReadFileSummary, Id3v2AndNoId3v1) {
  auto s = ReadFileSummary(vqtest::DataPath("02_v23_latin1_mutagen_mpeg1_l3_32k.mp3"), std::nullopt);
  EXPECT_FALSE(s.tooShort);
  EXPECT_EQ(s.length, 7355u);
  ASSERT_TRUE(s.v2.present);
  EXPECT_EQ(s.v2.major, 3);
  EXPECT_EQ(s.v2TagSize, 1180);
  EXPECT_FALSE(s.v1);
  // The first frame header behind the 1,190-byte tag: MPEG-1 Layer III, 32 kbit/s.
  EXPECT_TRUE(s.mpeg.found);
  EXPECT_EQ(s.mpeg.offset, 1190u);
  EXPECT_EQ(s.mpeg.bitrateIndex, 1);
  EXPECT_EQ(s.playSeconds, 2);  // (7355 - 127) / 1024 * 8 / 32 = 1.76
  EXPECT_EQ(s.FrameListing().substr(0, 23), u"TIT2(0) Latin-1 Title\r\n");
  ASSERT_GE(s.frameTable.size(), 6u);
  EXPECT_EQ(s.frameTable[0].id, u"TIT2");
  EXPECT_EQ(s.infoText,
            u"File Size : 7 kb\r\n\r\nPlay Tine : 0:02\r\n\r\nv2ﾍｯﾀﾞ長 : 1.2 Kb\r\n\r\n最終更新日 : ");
}

TEST(ReadFileSummary, Id3v1OnlySearchesTheHeaderFromTheStart) {
  auto s = ReadFileSummary(vqtest::DataPath("01_v1only_eyed3_mpeg1_l3_128k.mp3"), std::nullopt);
  EXPECT_FALSE(s.v2.present);
  EXPECT_EQ(s.v2TagSize, 0);
  EXPECT_TRUE(s.frameTable.empty());
  EXPECT_TRUE(s.FrameListing().empty());
  ASSERT_TRUE(s.v1);
  // The record keeps the other program's NUL padding; the window cuts it off.
  EXPECT_EQ(s.v1->title, u"v1 Only Title" + std::u16string(17, u'\0'));
  EXPECT_EQ(s.v1->genre, 13);
  EXPECT_EQ(s.mpeg.offset, 0u);
  EXPECT_EQ(s.mpeg.bitrateIndex, 9);  // 128 kbit/s
  EXPECT_EQ(s.playSeconds, 2);       // (25204 - 127) / 1024 * 8 / 128 = 1.53
}

TEST(ReadFileSummary, FilesShorterThan128BytesAreNotRead) {
  vqtest::TempDir dir;
  // 127 bytes that would be a tag if they were read.
  std::string bytes = "ID3\x03" + std::string(123, '\0');
  vqtest::WriteBytes(dir / "short.mp3", bytes);
  auto s = ReadFileSummary(dir / "short.mp3", std::nullopt);
  EXPECT_TRUE(s.tooShort);
  EXPECT_FALSE(s.v2.present);
  EXPECT_EQ(s.v2TagSize, 0);
  // Only what the file system tells: the size, no play time, no tag length.
  EXPECT_EQ(s.infoText, u"File Size : 0 kb\r\n\r\nPlay Tine : \r\n\r\n\r\n\r\n最終更新日 : ");

  // 128 bytes: an ID3v1 record and nothing else.
  std::string tag = "TAG" + std::string("Title") + std::string(25, ' ') + std::string(94, '\0') + "\x05";
  ASSERT_EQ(tag.size(), 128u);
  vqtest::WriteBytes(dir / "tag.mp3", tag);
  auto t = ReadFileSummary(dir / "tag.mp3", std::nullopt);
  EXPECT_FALSE(t.tooShort);
  ASSERT_TRUE(t.v1);
  EXPECT_EQ(t.v1->title, u"Title");
  EXPECT_EQ(t.v1->genre, 5);
  EXPECT_FALSE(t.mpeg.found);
  EXPECT_EQ(t.infoText.substr(0, 34), u"File Size : 0 kb\r\n\r\nPlay Tine : \r\n");
}

TEST(ReadFileSummary, MissingFileThrowsFileNotFound) {
  vqtest::TempDir dir;
  try {
    ReadFileSummary(dir / "gone.mp3", std::nullopt);
    ADD_FAILURE() << "no error";
  } catch (const vq::Error& e) {
    EXPECT_EQ(e.kind(), vq::ErrorKind::FileNotFound);
  }
}

TEST(ReadFileSummary, AReadErrorIsThrownNotHalfShown) {
  vq::FaultInjection::FailAt(2, EIO, vq::FileOp::Read);
  EXPECT_THROW(ReadFileSummary(vqtest::DataPath("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3"), std::nullopt),
               vq::Error);
  vq::FaultInjection::Reset();
}
