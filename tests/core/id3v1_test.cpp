#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include <cstring>
#include <string>

#include "formats/id3v1.h"
#include "test_util.h"

using namespace vq;

namespace {

std::string Field(std::u16string_view text, std::size_t width) {
  std::string out(width, '\x55');  // filler that the encoder must overwrite
  EncodeID3v1Field(text, out.data(), width);
  return out;
}

std::string Pad(std::string s, std::size_t width) {
  s.resize(width, ' ');
  return s;
}

std::string RecordBytes(const ID3v1Record& rec) {
  return std::string(reinterpret_cast<const char*>(&rec), sizeof rec);
}

// 128 record bytes from their parts (texts given as raw code page bytes).
std::string RawRecord(const std::string& title, const std::string& artist, const std::string& album,
                      const std::string& year, const std::string& comment, unsigned char genre) {
  std::string r = "TAG" + title + artist + album + year + comment;
  r.push_back(static_cast<char>(genre));
  EXPECT_EQ(r.size(), 128u);
  return r;
}

ID3v1Record FromBytes(const std::string& bytes) {
  ID3v1Record rec;
  EXPECT_EQ(bytes.size(), sizeof rec);
  std::memcpy(&rec, bytes.data(), sizeof rec);
  return rec;
}

std::string Audio(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + 3);
  return s;
}

}  // namespace

// ---------------------------------------------------------------- field encoding

TEST(ID3v1Field, AsciiFillsAndIsCutAtTheByteWidth) {
  const std::u16string thirty = u"abcdefghijklmnopqrstuvwxyz0123";
  EXPECT_EQ(Field(thirty, 30), "abcdefghijklmnopqrstuvwxyz0123");
  EXPECT_EQ(Field(thirty + u"4", 30), "abcdefghijklmnopqrstuvwxyz0123");
  EXPECT_EQ(Field(u"1999", 4), "1999");
  EXPECT_EQ(Field(u"19995", 4), "1999");
}

TEST(ID3v1Field, EmptyAndShortValuesArePaddedWithSpacesNeverNul) {
  EXPECT_EQ(Field(u"", 30), std::string(30, ' '));
  EXPECT_EQ(Field(u"", 4), "    ");
  EXPECT_EQ(Field(u"ab", 30), Pad("ab", 30));
  EXPECT_EQ(Field(u" lead", 30), Pad(" lead", 30));  // the encoder itself keeps spaces
}

TEST(ID3v1Field, JapaneseTakesTwoBytesAndHalfWidthKatakanaOne) {
  const std::u16string fifteen = u"日本語の曲名日本語の曲名日本語";
  ASSERT_EQ(fifteen.size(), 15u);
  const std::string sjis15 = Field(fifteen, 30);
  EXPECT_EQ(sjis15.substr(0, 6), "\x93\xFA\x96\x7B\x8C\xEA");  // 日本語
  EXPECT_EQ(sjis15.substr(24, 6), "\x93\xFA\x96\x7B\x8C\xEA");
  EXPECT_EQ(Field(fifteen + u"X", 30), sjis15);
  EXPECT_EQ(Field(fifteen + u"鶯", 30), sjis15);
  EXPECT_EQ(Field(u"珈琲ｶﾌｪ", 30), Pad("\xE0\xDB\xE0\xE8\xB6\xCC\xAA", 30));
}

TEST(ID3v1Field, DoubleByteCharacterSplitByTheLimitBecomesASpace) {
  // 29 ASCII characters leave one byte: the two-byte character does not fit.
  const std::u16string text = u"abcdefghijklmnopqrstuvwxyz012あ";
  EXPECT_EQ(Field(text, 30), "abcdefghijklmnopqrstuvwxyz012 ");
  EXPECT_EQ(Field(u"A日本", 4), "A\x93\xFA ");
  EXPECT_EQ(Field(u"年", 1), " ");
}

TEST(ID3v1Field, CharactersOutsideTheCodePageAreWrittenAsQuestionMarks) {
  EXPECT_EQ(Field(u"Ålbum", 30), Pad("?lbum", 30));
}

// ---------------------------------------------------------------- finding and decoding

TEST(ID3v1Read, FindsTheRecordOnlyInTheLast128Bytes) {
  const std::string rec = RawRecord(Pad("T", 30), Pad("A", 30), Pad("B", 30), "2001", Pad("C", 30), 13);

  EXPECT_FALSE(ReadID3v1(MemorySource("")).has_value());
  EXPECT_FALSE(ReadID3v1(MemorySource(rec.substr(0, 127))).has_value());  // too short
  EXPECT_TRUE(ReadID3v1(MemorySource(rec)).has_value());                  // exactly 128

  const std::string withAudio = Audio(1000) + rec;
  auto found = ReadID3v1(MemorySource(withAudio));
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(RecordBytes(*found), rec);

  // "TAG" one byte too early, or in lower case, is no tag.
  EXPECT_FALSE(ReadID3v1(MemorySource(withAudio + "x")).has_value());
  std::string lower = withAudio;
  lower[1000] = 't';
  EXPECT_FALSE(ReadID3v1(MemorySource(lower)).has_value());
}

TEST(ID3v1Read, DecodesCodePageTextAndRemovesOnlySpacesAtBothEnds) {
  std::string comment = "  abcd";
  comment += std::string(23, '\0');
  comment.push_back('\x07');  // a track number written by another program
  const std::string rec = RawRecord(Pad("  \x93\xFA\x96\x7B \xB6", 30),
                                    Pad("\xE0\xDB\xE0\xE8\xB6\xCC\xAA", 30), std::string(30, ' '), "99  ",
                                    comment, 255);
  const ID3v1Values v = DecodeID3v1(FromBytes(rec));
  EXPECT_EQ(v.title, u"日本 ｶ");
  EXPECT_EQ(v.artist, u"珈琲ｶﾌｪ");
  EXPECT_EQ(v.album, u"");
  EXPECT_EQ(v.year, u"99");
  EXPECT_EQ(v.comment, std::u16string(u"abcd") + std::u16string(23, u'\0') + u"\x07");
  EXPECT_EQ(v.genre, 255);
}

// ---------------------------------------------------------------- genre

TEST(ID3v1Genre, AcceptsWhatAPersonTypesAsANumber) {
  EXPECT_EQ(ConvertGenreField(u""), 0);
  EXPECT_EQ(ConvertGenreField(u"   "), 0);
  EXPECT_EQ(ConvertGenreField(u"0"), 0);
  EXPECT_EQ(ConvertGenreField(u"12"), 12);
  EXPECT_EQ(ConvertGenreField(u" 12 "), 12);
  EXPECT_EQ(ConvertGenreField(u"013"), 13);
  EXPECT_EQ(ConvertGenreField(u"255"), 255);
  EXPECT_EQ(ConvertGenreField(u"１２"), 12);  // full-width digits from an input method
}

TEST(ID3v1Genre, RoundsFractionsHalvesToEven) {
  EXPECT_EQ(ConvertGenreField(u"12.5"), 12);
  EXPECT_EQ(ConvertGenreField(u"13.5"), 14);
  EXPECT_EQ(ConvertGenreField(u"12.50001"), 13);
  EXPECT_EQ(ConvertGenreField(u"12.49999"), 12);
  EXPECT_EQ(ConvertGenreField(u"12.6"), 13);
  EXPECT_EQ(ConvertGenreField(u".5"), 0);
  EXPECT_EQ(ConvertGenreField(u"7."), 7);
  EXPECT_EQ(ConvertGenreField(u"254.5"), 254);
  EXPECT_EQ(ConvertGenreField(u"255.4"), 255);
}

// The "0" in front makes a sign no part of a number.
TEST(ID3v1Genre, RejectsTextThatIsNoNumberAsTypeMismatch) {
  for (std::u16string text : {u"abc", u"12a", u"1 2", u"1.2.3", u"-", u"0x10", u"\t12", u"十二", u"+5", u"-0", u"-1",
                              u"-0.4", u"＋５"}) {
    try {
      ConvertGenreField(text);
      ADD_FAILURE() << "accepted " << testing::PrintToString(text);
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::TypeMismatch);
    }
  }
}

TEST(ID3v1Genre, RejectsNumbersOutsideAByteAsOverflow) {
  for (std::u16string text : {u"256", u"255.5", u"1000", u"99999999999999999999999"}) {
    try {
      ConvertGenreField(text);
      ADD_FAILURE() << "accepted " << testing::PrintToString(text);
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::Overflow);
    }
  }
}

// ---------------------------------------------------------------- the main window's record

TEST(ID3v1Build, TakesEachFieldToItsPlace) {
  ID3v1Fields f{u"Title", u"Artist", u"Album", u"Comment", u"1999", u"13"};
  EXPECT_EQ(RecordBytes(BuildID3v1FromFields(f, false)),
            RawRecord(Pad("Title", 30), Pad("Artist", 30), Pad("Album", 30), "1999", Pad("Comment", 30), 13));
}

TEST(ID3v1Build, LeadingSpacesGoOnlyWhenATagIsReplaced) {
  ID3v1Fields f{u" Title ", u"  Artist", u"   Album", u" c", u" 99", u" 5 "};
  EXPECT_EQ(RecordBytes(BuildID3v1FromFields(f, false)),
            RawRecord(Pad(" Title ", 30), Pad("  Artist", 30), Pad("   Album", 30), " 99 ", Pad(" c", 30), 5));
  EXPECT_EQ(RecordBytes(BuildID3v1FromFields(f, true)),
            RawRecord(Pad("Title ", 30), Pad("Artist", 30), Pad("Album", 30), "99  ", Pad("c", 30), 5));
}

TEST(ID3v1Build, CommentWithForeignTrackByteIsWrittenBackAsItsLetters) {
  std::string comment = "abcd" + std::string(25, '\0') + "\x09";
  const auto read = DecodeID3v1(FromBytes(RawRecord(Pad("T", 30), Pad("A", 30), Pad("B", 30), "2000", comment, 1)));
  // The main window's single-line field ends its text at the first NUL.
  const std::u16string shown = read.comment.substr(0, read.comment.find(u'\0'));
  EXPECT_EQ(shown, u"abcd");
  ID3v1Fields f{read.title, read.artist, read.album, shown, read.year, u"1"};
  const ID3v1Record rec = BuildID3v1FromFields(f, true);
  EXPECT_EQ(std::string(rec.Comment, 30), Pad("abcd", 30));
}

TEST(ID3v1Build, BadGenreThrowsTheConversionError) {
  ID3v1Fields f{u"T", u"A", u"B", u"C", u"2000", u"256"};
  EXPECT_THROW(BuildID3v1FromFields(f, true), Error);
  f.genre = u"pop";
  try {
    BuildID3v1FromFields(f, false);
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::TypeMismatch);
  }
}

// ---------------------------------------------------------------- writing

class ID3v1WriteTest : public testing::Test {
 protected:
  std::string Make(const std::string& bytes) {
    std::string path = dir_ / ("f" + std::to_string(++n_) + ".mp3");
    vqtest::WriteBytes(path, bytes);
    return path;
  }
  vqtest::TempDir dir_;
  int n_ = 0;
};

TEST_F(ID3v1WriteTest, AppendsToAFileWithoutTagAndKeepsEverythingElse) {
  const std::string audio = Audio(127);
  const std::string path = Make(audio);
  const ID3v1Record rec = BuildID3v1FromFields({u"曲", u"歌手", u"", u"", u"", u""}, false);
  {
    RawFile f(path, RawFile::Mode::ReadWrite);
    EXPECT_FALSE(ReadID3v1(FileSource(f)).has_value());  // 127 bytes: no tag
    EXPECT_TRUE(WriteID3v1(f, rec, false));
  }
  const std::string after = vqtest::ReadBytes(path);
  ASSERT_EQ(after.size(), 255u);
  EXPECT_EQ(after.substr(0, 127), audio);
  EXPECT_EQ(after.substr(127), RecordBytes(rec));
  EXPECT_EQ(after.substr(127 + 97, 30), std::string(30, ' '));  // empty comment: spaces
}

TEST_F(ID3v1WriteTest, SecondWriteReplacesTheFirstSoOneTagRemains) {
  const std::string audio = Audio(5000);
  const std::string path = Make(audio);
  const ID3v1Record first = BuildID3v1FromFields({u" one", u"", u"", u"", u"", u"1"}, false);
  const ID3v1Record second = BuildID3v1FromFields({u" two", u"", u"", u"", u"", u"2"}, true);
  {
    RawFile f(path, RawFile::Mode::ReadWrite);
    EXPECT_TRUE(WriteID3v1(f, first, false));
    EXPECT_FALSE(WriteID3v1(f, second, true));
  }
  const std::string after = vqtest::ReadBytes(path);
  ASSERT_EQ(after.size(), 5128u);
  EXPECT_EQ(after.substr(0, 5000), audio);
  EXPECT_EQ(after.substr(5000), RecordBytes(second));
  const auto v = DecodeID3v1(*ReadID3v1(MemorySource(after)));
  EXPECT_EQ(v.title, u"two");
  EXPECT_EQ(v.genre, 2);
}

TEST_F(ID3v1WriteTest, ReplaceOfATagThatIsGoneAppendsInsteadOfOverwritingAudio) {
  const std::string audio = Audio(3000);
  const std::string path = Make(audio);
  const ID3v1Record rec = BuildID3v1FromFields({u"t", u"", u"", u"", u"", u""}, true);
  {
    RawFile f(path, RawFile::Mode::ReadWrite);
    EXPECT_TRUE(WriteID3v1(f, rec, true));
  }
  const std::string after = vqtest::ReadBytes(path);
  EXPECT_EQ(after, audio + RecordBytes(rec));
}

TEST_F(ID3v1WriteTest, WriteFailureReachesTheCaller) {
  const std::string path = Make(Audio(500));
  RawFile f(path, RawFile::Mode::ReadWrite);
  FaultInjection::FailAt(1, ENOSPC, FileOp::Write);
  try {
    WriteID3v1(f, BuildID3v1FromFields({}, false), false);
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::DiskFull);
  }
  FaultInjection::Reset();
}

// An append that fails part-way leaves no fragment behind: the file goes back to its
// old length, so a later append does not land behind a broken record. A file-size limit
// lets the record's first 64 bytes through, then fails, as a full disk does.
TEST_F(ID3v1WriteTest, AnAppendFailingPartWayPutsTheFileBackToItsLength) {
  const std::string audio = Audio(1000);
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
  for (bool batch : {false, true}) {
    SCOPED_TRACE(batch ? "batch" : "main window");
    const std::string path = Make(audio);
    RawFile f(path, RawFile::Mode::ReadWrite);
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit limited = old;
    limited.rlim_cur = audio.size() + 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    bool threw = false;
    try {
      if (batch)
        WriteBatchID3v1(f, u"t", u"a", u"b", false);
      else
        WriteID3v1(f, BuildID3v1FromFields({u"t"}, false), false);
    } catch (const Error&) {
      threw = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_TRUE(threw);
    EXPECT_EQ(vqtest::ReadBytes(path), audio);
  }
  ::sigaction(SIGXFSZ, &previous, nullptr);
}

TEST_F(ID3v1WriteTest, AnAppendOnAFullDiskPutsTheFileBackToItsLength) {
  vqtest::SmallTmpfs disk(64 * 1024);
  if (!disk.mounted()) GTEST_SKIP() << "mounting a small tmpfs needs root";
  // The file fills every page but its last 64 bytes.
  const std::string audio = Audio(64 * 1024 - 64);
  for (bool batch : {false, true}) {
    SCOPED_TRACE(batch ? "batch" : "main window");
    vqtest::WriteBytes(disk / "a.mp3", audio);
    RawFile f(disk / "a.mp3", RawFile::Mode::ReadWrite);
    try {
      if (batch)
        WriteBatchID3v1(f, u"t", u"a", u"b", false);
      else
        WriteID3v1(f, BuildID3v1FromFields({u"t"}, false), false);
      ADD_FAILURE() << "the disk did not fill";
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::DiskFull);
    }
    EXPECT_EQ(vqtest::ReadBytes(disk / "a.mp3"), audio);
  }
}

// ---------------------------------------------------------------- the batch's record

TEST_F(ID3v1WriteTest, BatchAppendsANewRecordWithEmptyYearCommentAndGenreZero) {
  const std::string audio = Audio(400);
  const std::string path = Make(audio);
  {
    RawFile f(path, RawFile::Mode::ReadWrite);
    EXPECT_TRUE(WriteBatchID3v1(f, u" 曲名", u"フォルダ", u"サブ", false));
  }
  EXPECT_EQ(vqtest::ReadBytes(path),
            audio + RawRecord(Pad(" \x8B\xC8\x96\xBC", 30), Pad("\x83\x74\x83\x48\x83\x8B\x83\x5F", 30),
                              Pad("\x83\x54\x83\x75", 30), "    ", std::string(30, ' '), 0));
}

TEST_F(ID3v1WriteTest, BatchKeepsYearCommentAndGenreOfAnExistingRecord) {
  std::string comment = "keep me" + std::string(22, '\0') + "\x05";
  const std::string audio = Audio(700);
  const std::string path = Make(audio + RawRecord(Pad("old", 30), Pad("old", 30), Pad("old", 30), "1987", comment, 77));
  {
    RawFile f(path, RawFile::Mode::ReadWrite);
    EXPECT_TRUE(WriteBatchID3v1(f, u"Title", u"Artist", u"Album", false));
  }
  EXPECT_EQ(vqtest::ReadBytes(path),
            audio + RawRecord(Pad("Title", 30), Pad("Artist", 30), Pad("Album", 30), "1987", comment, 77));
}

TEST_F(ID3v1WriteTest, BatchCreateNewOnlyLeavesAnExistingRecordAlone) {
  const std::string tagged = Audio(300) + RawRecord(Pad("old", 30), Pad("", 30), Pad("", 30), "1987", Pad("", 30), 3);
  const std::string path = Make(tagged);
  const std::string plain = Audio(300);
  const std::string path2 = Make(plain);
  {
    RawFile f(path, RawFile::Mode::ReadWrite);
    EXPECT_FALSE(WriteBatchID3v1(f, u"new", u"new", u"new", true));
    RawFile g(path2, RawFile::Mode::ReadWrite);
    EXPECT_TRUE(WriteBatchID3v1(g, u"new", u"", u"", true));  // a missing record is still made
  }
  EXPECT_EQ(vqtest::ReadBytes(path), tagged);
  EXPECT_EQ(vqtest::ReadBytes(path2).size(), 428u);
}

TEST_F(ID3v1WriteTest, BatchRefusesAFileShorterThanARecord) {
  const std::string path = Make(Audio(127));
  {
    RawFile f(path, RawFile::Mode::ReadWrite);
    try {
      WriteBatchID3v1(f, u"t", u"a", u"b", false);
      ADD_FAILURE();
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::InvalidArgument);
    }
  }
  EXPECT_EQ(vqtest::ReadBytes(path), Audio(127));
}
