// "Path.dat" and the code page 932 line files: number parsing, the print form, what a
// file restores, and the bytes that are written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "platform/codepage.h"
#include "platform/file_names.h"
#include "platform/text.h"
#include "platform/fileio.h"
#include "platform/path_dat.h"
#include "platform/text_file.h"
#include "test_util.h"

using vq::InterpretPathDat;
using vq::LeadingNumber;

TEST(LeadingNumber, TakesTheNumberAtTheStartAfterBlanks) {
  EXPECT_EQ(LeadingNumber(u"1"), 1.0);
  EXPECT_EQ(LeadingNumber(u" 1 "), 1.0);
  EXPECT_EQ(LeadingNumber(u"\t 2"), 2.0);
  EXPECT_EQ(LeadingNumber(u"-3.5abc"), -3.5);
  EXPECT_EQ(LeadingNumber(u"+7"), 7.0);
  EXPECT_EQ(LeadingNumber(u"12x34"), 12.0);
  EXPECT_EQ(LeadingNumber(u".5"), 0.5);
  EXPECT_EQ(LeadingNumber(u"4."), 4.0);
  EXPECT_EQ(LeadingNumber(u"1e2"), 100.0);
  EXPECT_EQ(LeadingNumber(u"3e"), 3.0);  // an exponent without digits is not part of it
}

TEST(LeadingNumber, TextWithoutANumberCountsZero) {
  EXPECT_EQ(LeadingNumber(u""), 0.0);
  EXPECT_EQ(LeadingNumber(u"   "), 0.0);
  EXPECT_EQ(LeadingNumber(u"abc"), 0.0);
  EXPECT_EQ(LeadingNumber(u"-"), 0.0);
  EXPECT_EQ(LeadingNumber(u"."), 0.0);
  EXPECT_EQ(LeadingNumber(u"x1"), 0.0);
  EXPECT_EQ(LeadingNumber(u"１"), 0.0);  // a full-width digit is not a number
}

TEST(NumberPrintForm, BlankDigitsBlank) {
  EXPECT_EQ(vq::NumberPrintForm(0), u" 0 ");
  EXPECT_EQ(vq::NumberPrintForm(1), u" 1 ");
  EXPECT_EQ(vq::NumberPrintForm(25), u" 25 ");
  EXPECT_EQ(vq::NumberPrintForm(-1), u"-1 ");
}

TEST(InterpretPathDat, CompleteFileRestoresEverything) {
  auto r = InterpretPathDat({"1", "/", "/music/B", " 1 ", " 1 "});
  ASSERT_TRUE(r.mode);
  EXPECT_EQ(*r.mode, 1);
  EXPECT_EQ(r.drive.value(), "/");
  EXPECT_EQ(r.folder.value(), "/music/B");
  EXPECT_EQ(r.keepDate.value(), true);
  EXPECT_TRUE(r.createNewOnly.value());
}

TEST(InterpretPathDat, ShortFilesRestoreTheirFirstLinesOnly) {
  auto three = InterpretPathDat({"0", "/", "/music"});
  EXPECT_EQ(three.mode.value(), 0);
  EXPECT_TRUE(three.folder);
  EXPECT_FALSE(three.keepDate);
  EXPECT_FALSE(three.createNewOnly);

  auto none = InterpretPathDat({});
  EXPECT_FALSE(none.mode || none.drive || none.folder || none.keepDate || none.createNewOnly);
}

TEST(InterpretPathDat, EmptyLinesLeaveModeDriveAndFolder) {
  auto r = InterpretPathDat({"", "", "", "", ""});
  EXPECT_FALSE(r.mode);
  EXPECT_FALSE(r.drive);
  EXPECT_FALSE(r.folder);
  // Lines 4 and 5 always set their value: empty counts 0.
  EXPECT_EQ(r.keepDate.value(), false);
  EXPECT_FALSE(r.createNewOnly.value());
}

TEST(InterpretPathDat, ModeLineIsRoundedAndOnlyZeroOrOneSelects) {
  EXPECT_EQ(InterpretPathDat({" 1 "}).mode.value(), 1);
  EXPECT_EQ(InterpretPathDat({"0.5"}).mode.value(), 0);   // half to even
  EXPECT_EQ(InterpretPathDat({"0.6"}).mode.value(), 1);
  EXPECT_EQ(InterpretPathDat({"abc"}).mode.value(), 0);   // not empty, not a number: 0
  EXPECT_FALSE(InterpretPathDat({"1.5"}).mode);           // rounds to 2
  EXPECT_FALSE(InterpretPathDat({"2"}).mode);
  EXPECT_FALSE(InterpretPathDat({"-1"}).mode);
  EXPECT_FALSE(InterpretPathDat({"1e300"}).mode);
}

// Line 6, "ID3v2をUnicodeで書く": a file of five lines leaves the box unchecked, and a
// file of six read by a reader of five lines (the lines it knows) restores the same.
TEST(InterpretPathDat, TheSixthLineIsTheUnicodeBox) {
  EXPECT_FALSE(InterpretPathDat({"0", "/", "/m", " 1 ", " 0 "}).unicode);
  EXPECT_EQ(InterpretPathDat({"0", "/", "/m", " 1 ", " 0 ", " 1 "}).unicode.value(), true);
  EXPECT_EQ(InterpretPathDat({"0", "/", "/m", " 1 ", " 0 ", " 0 "}).unicode.value(), false);
  vqtest::TempDir dir;
  vq::WritePathDat(dir / "Path.dat", {1, "/", "/music", true, true, true});
  const auto six = vq::ReadPathDat(dir / "Path.dat");
  EXPECT_EQ(six.unicode.value(), true);
  const std::string bytes = vqtest::ReadBytes(dir / "Path.dat");
  std::vector<std::string> firstFive;
  for (auto line : vq::SplitLines(bytes)) firstFive.emplace_back(line);
  firstFive.resize(5);
  const auto five = InterpretPathDat(firstFive);
  EXPECT_EQ(five.mode, six.mode);
  EXPECT_EQ(five.folder, six.folder);
  EXPECT_EQ(five.keepDate, six.keepDate);
  EXPECT_EQ(five.createNewOnly, six.createNewOnly);
  EXPECT_FALSE(five.unicode);
}

// Lines 7-9, the batch window's "曲番号", "番号を振る" and pattern: a file of six lines
// leaves them off and empty; the pattern is code page 932 where that holds it and cannot
// be taken for UTF-8, else UTF-8, and every pattern comes back as it was.
TEST(InterpretPathDat, LinesSevenToNineAreTheBatchNaming) {
  const auto six = InterpretPathDat({"0", "/", "/m", " 1 ", " 0 ", " 1 "});
  EXPECT_FALSE(six.trackNumbers || six.numberInOrder || six.pattern);
  vqtest::TempDir dir;
  for (const std::u16string pattern : {u"", u"%artist% - %title%", u"%artist%/%album%/%track%．%title%",
                                        u"%artist% — %title% ♪ é", u"%title% ﾃア"}) {
    vq::PathDatValues v{0, "/", "/m", false, false, false, true, false, pattern};
    vq::WritePathDat(dir / "Path.dat", v);
    const std::string bytes = vqtest::ReadBytes(dir / "Path.dat");
    const std::string line9 = bytes.substr(bytes.find(" 1 \r\n 0 \r\n") + 10);
    const bool cp932 = vq::cp932::CanEncode(pattern) && !vq::IsValidUtf8(vq::cp932::Encode(pattern));
    EXPECT_EQ(line9, (cp932 ? vq::cp932::Encode(pattern) : vq::Utf16ToUtf8(pattern)) + "\r\n");
    const auto back = vq::ReadPathDat(dir / "Path.dat");
    EXPECT_EQ(back.trackNumbers.value(), true);
    EXPECT_EQ(back.numberInOrder.value(), false);
    EXPECT_EQ(back.pattern.value(), pattern);
  }
}

TEST(InterpretPathDat, CheckBoxLineIsAnyNumberNotZero) {
  auto keep = [](std::string line) { return InterpretPathDat({"0", "", "", line}).keepDate.value(); };
  EXPECT_TRUE(keep("1"));
  EXPECT_TRUE(keep(" 1 "));
  EXPECT_TRUE(keep("2"));
  EXPECT_TRUE(keep("-1"));
  EXPECT_FALSE(keep("0"));
  EXPECT_FALSE(keep(" 0 "));
  EXPECT_FALSE(keep("letters"));
  EXPECT_FALSE(keep(""));
  EXPECT_TRUE(InterpretPathDat({"0", "", "", "", "5"}).createNewOnly.value());
}

TEST(SplitLines, CrLfLoneCrAndLoneLfEndLines) {
  using V = std::vector<std::string_view>;
  EXPECT_EQ(vq::SplitLines(""), V{});
  EXPECT_EQ(vq::SplitLines("a"), V{"a"});
  EXPECT_EQ(vq::SplitLines("a\r\n"), V{"a"});
  EXPECT_EQ(vq::SplitLines("a\r\n\r\n"), (V{"a", ""}));
  EXPECT_EQ(vq::SplitLines("a\r\nb"), (V{"a", "b"}));
  EXPECT_EQ(vq::SplitLines("a\nb\rc\r\n"), (V{"a", "b", "c"}));
  EXPECT_EQ(vq::SplitLines("\r\n"), V{""});
}

TEST(PathDatFile, WritesNineShiftJisLinesWithCrLf) {
  vqtest::TempDir dir;
  std::string path = dir / "Path.dat";
  vq::PathDatValues v;
  v.mode = 0;
  v.drive = "/";
  v.folder = "/音楽/アルバム";
  v.keepDate = true;
  v.createNewOnly = false;
  vq::WritePathDat(path, v);
  std::string expected = "0\r\n/\r\n" + vq::cp932::Encode(u"/音楽/アルバム") + "\r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n\r\n";
  EXPECT_EQ(vqtest::ReadBytes(path), expected);
  // "音" is 0x89 0xB9 in code page 932.
  EXPECT_NE(expected.find("\x89\xB9"), std::string::npos);

  auto back = vq::ReadPathDat(path);
  EXPECT_EQ(back.mode.value(), 0);
  EXPECT_EQ(vq::StoredPathCandidates(back.folder.value()).front(), "/音楽/アルバム");
  EXPECT_TRUE(back.keepDate.value());
  EXPECT_FALSE(back.createNewOnly.value());
}

TEST(PathDatFile, OverwritesALongerFile) {
  vqtest::TempDir dir;
  std::string path = dir / "Path.dat";
  vqtest::WriteBytes(path, std::string(500, 'x'));
  vq::WritePathDat(path, {1, "/", "/a", false, true, true});
  EXPECT_EQ(vqtest::ReadBytes(path), "1\r\n/\r\n/a\r\n 0 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n\r\n");
}

// A path that code page 932 cannot carry both ways is stored as its own bytes, and
// every stored path is found again among the line's readings, the code page's first.
TEST(PathDatFile, StoredPathsComeBackWhateverTheirBytes) {
  const struct {
    const char* what;
    std::string path;
    std::string line;  // what the file holds
  } cases[] = {
      {"ASCII", "/music/Band", "/music/Band"},
      {"Japanese UTF-8, in code page 932", "/音楽/曲", vq::cp932::Encode(u"/音楽/曲")},
      {"UTF-8 outside code page 932", "/music/Beyonc\xC3\xA9", "/music/Beyonc\xC3\xA9"},
      {"emoji", "/a\xF0\x9F\x8E\xB5b", "/a\xF0\x9F\x8E\xB5b"},
      {"Shift-JIS bytes", "/music/\x83\x65\x83\x58\x83\x67", "/music/\x83\x65\x83\x58\x83\x67"},
      {"Latin-1 bytes", "/music/caf\xE9", "/music/caf\xE9"},
      {"a character code page 932 reads back as another", "/a\xE3\x80\x9C", "/a\xE3\x80\x9C"},  // U+301C
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(vq::StoredPathLine(c.path), c.line);
    auto candidates = vq::StoredPathCandidates(c.line);
    ASSERT_FALSE(candidates.empty());
    EXPECT_NE(std::find(candidates.begin(), candidates.end(), c.path), candidates.end());
    // The code page's reading comes first, so every file written before keeps working.
    if (c.line != c.path) EXPECT_EQ(candidates.front(), c.path);
  }
  // A line end cannot be part of a line: such a folder is not stored.
  EXPECT_EQ(vq::StoredPathLine("/a\nb"), "");
}

TEST(PathDatFile, UnwritableFileThrows) {
  vqtest::TempDir dir;
  std::string path = dir.MakeDir("Path.dat");  // a folder of that name cannot be written
  EXPECT_THROW(vq::WritePathDat(path, {}), vq::Error);

  vq::FaultInjection::FailAt(1, ENOSPC, vq::FileOp::Write);
  try {
    vq::WritePathDat(dir / "other.dat", {});
    ADD_FAILURE() << "no error";
  } catch (const vq::Error& e) {
    EXPECT_EQ(e.kind(), vq::ErrorKind::DiskFull);
  }
  vq::FaultInjection::Reset();
}

// A crash or a full disk while the settings are saved leaves the old file whole: the new
// bytes take its name only once they are written and flushed, with its permissions.
TEST(PathDatFile, AFailedSaveLeavesTheOldFileWhole) {
  vqtest::TempDir dir;
  const std::string path = dir / "Path.dat";
  vq::WritePathDat(path, {1, "/", "/old", true, false, false});
  const std::string before = vqtest::ReadBytes(path);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  for (vq::FileOp op : {vq::FileOp::Write, vq::FileOp::Sync, vq::FileOp::Rename}) {
    vq::FaultInjection::FailAt(1, ENOSPC, op);
    EXPECT_THROW(vq::WritePathDat(path, {0, "/", "/new", false, true, true}), vq::Error);
    EXPECT_TRUE(vq::FaultInjection::Fired());
    vq::FaultInjection::Reset();
    EXPECT_EQ(vqtest::ReadBytes(path), before);
    EXPECT_TRUE(vqtest::TemporaryFilesIn(dir.path()).empty());
  }
  vq::WritePathDat(path, {0, "/", "/new", false, true, true});
  EXPECT_NE(vqtest::ReadBytes(path).find("/new"), std::string::npos);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(ReadTextLines, DecodesEachLineOnItsOwnAndStopsAtMaxLines) {
  vqtest::TempDir dir;
  std::string path = dir / "t.txt";
  // A lead byte right before CR LF does not swallow the line end.
  vqtest::WriteBytes(path, "\x82\xA0\r\n\x82\r\n\r\nlast");
  auto lines = vq::ReadTextLines(path);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], u"あ");
  EXPECT_EQ(lines[1], u"\uFFFD");
  EXPECT_EQ(lines[2], u"");
  EXPECT_EQ(lines[3], u"last");
  EXPECT_EQ(vq::ReadTextLines(path, 2).size(), 2u);
  EXPECT_THROW(vq::ReadTextLines(dir / "missing.txt"), vq::Error);
}
