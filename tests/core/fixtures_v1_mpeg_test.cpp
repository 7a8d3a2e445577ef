// ID3v1 values, play time and size of every fixture in tests/data, and ID3v1 writes on
// copies of them checked by an independent reader (TagLib).
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "formats/id3v2_reader.h"
#include "formats/id3v1.h"
#include "formats/mpeg.h"
#include "platform/text.h"
#include "test_util.h"

using namespace vq;

namespace {

// A decoded ID3v1 text as the tools left it: the text, then NUL bytes up to the field's
// width, with an ID3v1.1 track byte in the last comment byte when given.
std::u16string NulPadded(std::u16string text, std::size_t width, int trackByte = -1) {
  text.resize(width, u'\0');
  if (trackByte >= 0) text.back() = static_cast<char16_t>(trackByte);
  return text;
}

struct Fixture {
  std::string name;
  std::uint64_t size;          // bytes
  std::optional<int> v2SizeField;  // the ID3v2 header's size field
  int versionBit, layerCode, bitrateIndex;  // of the first frame header behind the tag
  std::optional<ID3v1Values> v1;
  // Play time and size texts, worked out by hand from the size and the first header's
  // bit rate: seconds = (size - 127) / 1024 * 8 / kbps, kilobytes = size / 1024.
  std::u16string playText, sizeText;
};

ID3v1Values V1(std::u16string title, std::u16string artist, std::u16string album, std::u16string year,
               std::u16string comment, int track, int genre) {
  return ID3v1Values{NulPadded(title, 30), NulPadded(artist, 30), NulPadded(album, 30), year,
                     NulPadded(comment, 30, track), genre};
}

const std::vector<Fixture>& Fixtures() {
  static const std::vector<Fixture> list = {
      // 25,077 / 16,384 = 1.53 s; 24.6 kb
      {"01_v1only_eyed3_mpeg1_l3_128k.mp3", 25204, std::nullopt, 1, 1, 9,
       V1(u"v1 Only Title", u"v1 Only Artist", u"v1 Only Album", u"1999", u"v1 only comment", 7, 13), u"0:02",
       u"25 kb"},
      // 7,228 / 4,096 = 1.76 s; 7.18 kb
      {"02_v23_latin1_mutagen_mpeg1_l3_32k.mp3", 7355, 1180, 1, 1, 1, std::nullopt, u"0:02", u"7 kb"},
      {"03_v23_utf16_japanese_mutagen_mpeg1_l3_128k.mp3", 26283, 1197, 1, 1, 9, std::nullopt, u"0:02", u"26 kb"},
      // 13,805 / 8,192 = 1.69 s; 13.6 kb
      {"04_v24_utf8_japanese_mutagen_mpeg2_l3_64k.mp3", 13932, 1176, 0, 1, 8, std::nullopt, u"0:02", u"14 kb"},
      {"05_v24_utf8_japanese_eyed3_mpeg1_l3_32k.mp3", 6586, 411, 1, 1, 1, std::nullopt, u"0:02", u"6 kb"},
      // 47,011 / 4,096 = 11.48 s; 46.03 kb
      {"06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3", 47138, 40963, 1, 1, 1, std::nullopt, u"0:11", u"46 kb"},
      {"07_v23_txxx_wxxx_wcom_mutagen_mpeg1_l3_32k.mp3", 7389, 1214, 1, 1, 1, std::nullopt, u"0:02", u"7 kb"},
      {"08_v23_trck_tcon13_mutagen_mpeg1_l3_32k.mp3", 7279, 1104, 1, 1, 1, std::nullopt, u"0:02", u"7 kb"},
      {"09_v23_kid3cli_mpeg1_l3_128k.mp3", 26265, 1179, 1, 1, 9, std::nullopt, u"0:02", u"26 kb"},
      // 14,337 / 8,192 = 1.75 s; 14.1 kb
      {"10_v23_v1_id3v2tool_mpeg2_l3_64k.mp3", 14464, 1580, 0, 1, 8,
       V1(u"id3lib Title", u"id3lib Artist", u"id3lib Album", u"2002", u"id3lib comment", 3, 13), u"0:02",
       u"14 kb"},
      // 25,426 / 16,384 = 1.55 s; 24.95 kb
      {"11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3", 25553, 339, 1, 1, 9,
       V1(u"V1 Title", u"V1 Artist", u"V1 Album", u"1998", u"v1 comment", 1, 17), u"0:02", u"25 kb"},
      {"12_v23_sjis_enc0_handmade_mpeg1_l3_32k.mp3", 6362, 187, 1, 1, 1, std::nullopt, u"0:02", u"6 kb"},
      // MPEG-1 Layer II 64 kbit/s: 12,329 / 8,192 = 1.505 s; 12.2 kb
      {"13_v22_handmade_mpeg1_l2_64k.mp3", 12456, 326, 1, 2, 4, std::nullopt, u"0:02", u"12 kb"},
      // 24,949 / 16,384 = 1.52 s; 24.49 kb
      {"14_notag_lame_mpeg1_l3_128k.mp3", 25076, std::nullopt, 1, 1, 9, std::nullopt, u"0:02", u"24 kb"},
      // 13,022 / 8,192 = 1.59 s; 12.84 kb
      {"15_v23_v1_lame_mpeg2_l3_64k.mp3", 13149, 265, 0, 1, 8,
       V1(u"LAME Title", u"LAME Artist", u"LAME Album", u"2003", u"lame comment", 7, 13), u"0:02", u"13 kb"},
      // The first frame is ffmpeg's Xing frame, index 4 = 56 kbit/s: 6,425 / 7,168 = 0.90 s.
      {"16_v24_ffmpeg_mpeg1_l3_32k.mp3", 6552, 195, 1, 1, 4, std::nullopt, u"0:01", u"6 kb"},
      // 25,036 / 16,384 = 1.53 s; 24.57 kb (the audio of 14 behind a tag with a footer)
      {"17_v24_footer_handmade_mpeg1_l3_128k.mp3", 25163, 67, 1, 1, 9, std::nullopt, u"0:02", u"25 kb"},
      // 25,028 / 16,384 = 1.53 s; 24.57 kb
      {"18_v23_unsync_priv_handmade_mpeg1_l3_128k.mp3", 25155, 69, 1, 1, 9, std::nullopt, u"0:02", u"25 kb"},
  };
  return list;
}

std::u16string U16(const std::string& utf8) { return Utf8ToUtf16(utf8); }

// TagLib hands over a comment without an ID3v1.1 track byte as its 30 raw bytes taken as
// Latin-1 (its string handler is not used there): this gives those bytes back.
class FixtureTest : public testing::TestWithParam<Fixture> {};

}  // namespace

namespace {

[[maybe_unused]] void PrintTo(const Fixture& f, std::ostream* os) { *os << f.name; }

std::string FixtureName(const testing::TestParamInfo<Fixture>& info) {
  return "F" + info.param.name.substr(0, 2);
}

}  // namespace

TEST(Fixtures, TheTableCoversEveryFileInTestData) {
  std::set<std::string> inFolder;
  for (const auto& e : std::filesystem::directory_iterator(vqtest::DataPath("")))
    if (e.path().extension() == ".mp3") inFolder.insert(e.path().filename().string());
  std::set<std::string> inTable;
  for (const auto& f : Fixtures()) inTable.insert(f.name);
  EXPECT_EQ(inFolder, inTable);
  EXPECT_EQ(inTable.size(), 18u);
}

TEST_P(FixtureTest, ReadsID3v1PlayTimeAndSize) {
  const Fixture& fx = GetParam();
  RawFile file(vqtest::DataPath(fx.name), RawFile::Mode::Read);
  FileSource src(file);
  ASSERT_EQ(src.Length(), fx.size);

  const auto rec = ReadID3v1(src);
  ASSERT_EQ(rec.has_value(), fx.v1.has_value());
  if (fx.v1) {
    const ID3v1Values v = DecodeID3v1(*rec);
    EXPECT_EQ(v.title, fx.v1->title);
    EXPECT_EQ(v.artist, fx.v1->artist);
    EXPECT_EQ(v.album, fx.v1->album);
    EXPECT_EQ(v.year, fx.v1->year);
    EXPECT_EQ(v.comment, fx.v1->comment);
    EXPECT_EQ(v.genre, fx.v1->genre);
  }

  // The search starts behind the ID3v2 tag (size field + 10 header bytes); the first
  // frame lies there, or behind a v2.4 footer's 10 bytes.
  const std::uint64_t start = fx.v2SizeField ? *fx.v2SizeField + 10 : 0;
  const V2Header v2 = ReadV2Header(src);
  const MpegHeader h = FindMpegHeader(src, start);
  ASSERT_TRUE(h.found);
  EXPECT_EQ(h.offset, start + (HasFooter(v2.major, v2.flags) ? 10 : 0));
  EXPECT_EQ(h.versionBit, fx.versionBit);
  EXPECT_EQ(h.layerCode, fx.layerCode);
  EXPECT_EQ(h.bitrateIndex, fx.bitrateIndex);
  EXPECT_EQ(PlayTimeText(PlayTimeSeconds(src.Length(), h)), fx.playText);
  EXPECT_EQ(SizeText(src.Length()), fx.sizeText);
}

TEST_P(FixtureTest, MainWindowWriteAppendsOnceThenReplacesAndTagLibReadsItBack) {
  const Fixture& fx = GetParam();
  vqtest::TempDir dir;
  const std::string path = dir.CopyFixture(fx.name, "曲.mp3");
  const std::string original = vqtest::ReadBytes(path);
  const vqtest::TagLibView before = vqtest::ReadWithTagLib(path);
  const bool hadTag = fx.v1.has_value();
  // The part of the file that no ID3v1 write may touch.
  const std::string body = original.substr(0, original.size() - (hadTag ? 128 : 0));

  // First write: a new tag is appended, an existing one replaced.
  ID3v1Fields first{u" 日本語の曲名 珈琲", u"歌手ｶﾀｶﾅ", u"薔薇のアルバム", u"コメント", u"2024", u" 12 "};
  {
    RawFile f(path, RawFile::Mode::ReadWrite);
    ASSERT_EQ(ReadID3v1(FileSource(f)).has_value(), hadTag);
    EXPECT_EQ(WriteID3v1(f, BuildID3v1FromFields(first, hadTag), hadTag), !hadTag);
  }
  std::string after = vqtest::ReadBytes(path);
  ASSERT_EQ(after.size(), body.size() + 128);
  EXPECT_EQ(after.substr(0, body.size()), body);
  vqtest::TagLibView v = vqtest::ReadWithTagLib(path);
  ASSERT_TRUE(v.hasV1);
  // An appended tag keeps the title's leading space, a replaced one loses it; TagLib's
  // reader strips it either way, so look at the bytes too.
  EXPECT_EQ(after[body.size() + 3], hadTag ? '\x93' : ' ');
  EXPECT_EQ(v.v1Title, "日本語の曲名 珈琲");
  EXPECT_EQ(v.v1Artist, "歌手ｶﾀｶﾅ");
  EXPECT_EQ(v.v1Album, "薔薇のアルバム");
  EXPECT_EQ(v.v1Comment, "コメント");
  EXPECT_EQ(v.v1Year, 2024u);
  EXPECT_EQ(v.v1Genre, 12u);
  // The ID3v2 tag and the audio are untouched.
  EXPECT_EQ(v.hasV2, before.hasV2);
  EXPECT_EQ(v.ids, before.ids);
  EXPECT_EQ(v.texts, before.texts);

  // Second write with the indicator now showing "v1": replaced in place, no growth.
  const std::u16string longTitle = u"abcdefghijklmnopqrstuvwxyz012あ";  // the last character does not fit
  ID3v1Fields second{longTitle, u"Artist", u"", u"", u"1999", u"255"};
  {
    RawFile f(path, RawFile::Mode::ReadWrite);
    EXPECT_FALSE(WriteID3v1(f, BuildID3v1FromFields(second, true), true));
  }
  after = vqtest::ReadBytes(path);
  ASSERT_EQ(after.size(), body.size() + 128);
  EXPECT_EQ(after.substr(0, body.size()), body);
  v = vqtest::ReadWithTagLib(path);
  ASSERT_TRUE(v.hasV1);
  EXPECT_EQ(v.v1Title, "abcdefghijklmnopqrstuvwxyz012");
  EXPECT_EQ(v.v1Artist, "Artist");
  EXPECT_EQ(v.v1Album, "");
  EXPECT_EQ(v.v1Comment, "");  // 30 spaces
  EXPECT_EQ(v.v1Year, 1999u);
  EXPECT_EQ(v.v1Genre, 255u);

  // Our own reader sees the same record, spaces trimmed.
  MemorySource mem(after);
  const ID3v1Values own = DecodeID3v1(*ReadID3v1(mem));
  EXPECT_EQ(own.title, u"abcdefghijklmnopqrstuvwxyz012");
  EXPECT_EQ(own.comment, u"");
  EXPECT_EQ(own.genre, 255);
  // The play time still comes from the same header and the new length.
  const std::uint64_t start = fx.v2SizeField ? *fx.v2SizeField + 10 : 0;
  EXPECT_TRUE(FindMpegHeader(mem, start).found);
}

TEST_P(FixtureTest, BatchWriteKeepsYearCommentAndGenreOrAddsANewRecord) {
  const Fixture& fx = GetParam();
  vqtest::TempDir dir;
  const std::string path = dir.CopyFixture(fx.name, "a.mp3");
  const std::string original = vqtest::ReadBytes(path);
  const vqtest::TagLibView before = vqtest::ReadWithTagLib(path);

  {
    RawFile f(path, RawFile::Mode::ReadWrite);
    EXPECT_FALSE(WriteBatchID3v1(f, u"曲", u"フォルダ", u"サブ", true) && fx.v1.has_value());
  }
  if (fx.v1) {
    EXPECT_EQ(vqtest::ReadBytes(path), original);  // create-new-only leaves a tag alone
  }

  {
    RawFile f(path, RawFile::Mode::ReadWrite);
    EXPECT_TRUE(WriteBatchID3v1(f, u"ファイル名", u"フォルダ", u" サブフォルダ", false));
  }
  const std::string after = vqtest::ReadBytes(path);
  EXPECT_EQ(after.size(), original.size() + (fx.v1 ? 0 : 128));
  const vqtest::TagLibView v = vqtest::ReadWithTagLib(path);
  ASSERT_TRUE(v.hasV1);
  EXPECT_EQ(v.v1Title, "ファイル名");
  EXPECT_EQ(v.v1Artist, "フォルダ");
  EXPECT_EQ(v.v1Album, "サブフォルダ");
  if (fx.v1) {
    EXPECT_EQ(v.v1Year, before.v1Year);
    EXPECT_EQ(v.v1Comment, before.v1Comment);
    EXPECT_EQ(v.v1Genre, before.v1Genre);
    EXPECT_EQ(U16(v.v1Comment), fx.v1->comment.substr(0, fx.v1->comment.find(u'\0')));
    EXPECT_EQ(static_cast<int>(v.v1Genre), fx.v1->genre);
    EXPECT_EQ(after.substr(after.size() - 128 + 93, 35), original.substr(original.size() - 128 + 93, 35));
  } else {
    EXPECT_EQ(v.v1Year, 0u);
    EXPECT_EQ(v.v1Comment, "");  // 30 spaces
    EXPECT_EQ(v.v1Genre, 0u);
    EXPECT_EQ(after.substr(after.size() - 128 + 93, 35), std::string(34, ' ') + '\0');
    EXPECT_EQ(after.substr(0, original.size()), original);
  }
  EXPECT_EQ(v.ids, before.ids);
}

INSTANTIATE_TEST_SUITE_P(AllFixtures, FixtureTest, testing::ValuesIn(Fixtures()), FixtureName);
