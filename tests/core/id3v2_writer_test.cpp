// The ID3v2.3 writer: frame bytes, sizes, the editor's and the batch's sizing rules and
// the kept lines, checked on the bytes of real files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "formats/id3v2_writer.h"
#include "id3v2_writer_support.h"
#include "platform/codepage.h"

using namespace vq;
using namespace h3test;
using vqtest::ReadBytes;
using vqtest::TempDir;
using vqtest::WriteBytes;

namespace {

std::string Header(std::uint32_t size) { return std::string("ID3\x03\x00\x00", 6) + Synchsafe(size); }

}  // namespace

// ---------------------------------------------------------------- frame bytes

TEST(V2WriterFrames, TextFramesAreCodePageBytesWithEncodingZeroAndNoTerminator) {
  // "12" as genre: encoding byte and the two digits, body size 3.
  OutFrame genre = MakeTextFrame("TCON", u"12");
  EXPECT_EQ(genre.id, "TCON");
  EXPECT_EQ(genre.body, std::string("\0" "12", 3));
  EXPECT_EQ(genre.Size(), 13u);
  // A double-byte character adds 2: lead byte first.
  EXPECT_EQ(TextFrameBody(u"あ"), std::string("\0\x82\xA0", 3));
  EXPECT_EQ(TextFrameBody(u"aあ").size(), TextFrameBody(u"a").size() + 2);
  // Half-width katakana and JIS level-2 kanji stay single code page bytes.
  EXPECT_EQ(TextFrameBody(u"珈琲ｶﾌｪ"), std::string("\0\xE0\xDB\xE0\xE8\xB6\xCC\xAA", 8));
  EXPECT_EQ(TextFrameBody(u""), std::string(1, '\0'));
}

TEST(V2WriterFrames, TextCodePage932CannotHoldIsWrittenAsUtf16) {
  EXPECT_EQ(TextFrameBody(u"Åb"), std::string("\x01\xFF\xFE\xC5\x00" "b\x00", 7));
  // A best-fit character (WAVE DASH reads back as FULLWIDTH TILDE) is not held either.
  EXPECT_EQ(TextFrameBody(u"\u301C")[0], '\x01');
  // A character outside the basic plane keeps its surrogate pair.
  EXPECT_EQ(TextFrameBody(u"\U0001F3B5"), std::string("\x01\xFF\xFE\x3C\xD8\xB5\xDF", 7));
  // The program's reader gets the text back.
  std::string body = TextFrameBody(u"Ålbum 鶯");
  EXPECT_EQ(DecodeV23FrameText(std::string_view(body).substr(1), 1, "TALB").tail, u"Ålbum 鶯");
}

TEST(V2WriterFrames, CommentFrameHasLanguageEmptyDescriptionThenText) {
  EXPECT_EQ(CommentFrameBody(u"abc"), std::string("\0jpn\0abc", 8));
  EXPECT_EQ(MakeTextFrame("COMM", u"abc").body, CommentFrameBody(u"abc"));
  EXPECT_EQ(CommentFrameBody(u"Å"), std::string("\x01jpn\0\0\xFF\xFE\xC5\x00", 10));
  for (std::u16string text : {u"Nice コメント", u"Ålbum comment"}) {
    std::string body = CommentFrameBody(text);
    EXPECT_EQ(DecodeV23FrameText(std::string_view(body).substr(1), static_cast<std::uint8_t>(body[0]), "COMM").tail,
              text);
  }
  // User text and URL frames made from a value alone get an empty description.
  EXPECT_EQ(MakeTextFrame("TXXX", u"calm").body, std::string("\0\0calm", 6));
  EXPECT_EQ(MakeTextFrame("TXXX", u"Å").body, std::string("\x01\0\0\xFF\xFE\xC5\x00", 7));
  EXPECT_EQ(MakeTextFrame("WXXX", u"http://a/").body, std::string("\0\0http://a/", 11));
}

// "ID3v2をUnicodeで書く": every text outside ASCII goes into UTF-16 with a mark; ASCII
// text, and every text while the box is unchecked, gives exactly the code page's bytes.
TEST(V2WriterFrames, UnicodeWritesEveryTextOutsideAsciiAsUtf16) {
  const struct {
    const char* id;
    std::u16string text;
    std::string codePage;  // the bytes with the box unchecked
    std::string unicode;   // the bytes with it checked
  } cases[] = {
      {"TIT2", u"Title", std::string("\0Title", 6), std::string("\0Title", 6)},
      {"TIT2", u"曲名", std::string("\0\x8B\xC8\x96\xBC", 5), std::string("\x01\xFF\xFE\xF2\x66\x0D\x54", 7)},
      {"TPE1", u"ｶﾌｪ", std::string("\0\xB6\xCC\xAA", 4), std::string("\x01\xFF\xFE\x76\xFF\x8C\xFF\x6A\xFF", 9)},
      {"TALB", u"Åb", std::string("\x01\xFF\xFE\xC5\x00" "b\x00", 7), std::string("\x01\xFF\xFE\xC5\x00" "b\x00", 7)},
      {"COMM", u"abc", std::string("\0jpn\0abc", 8), std::string("\0jpn\0abc", 8)},
      {"COMM", u"あ", std::string("\0jpn\0\x82\xA0", 7), std::string("\x01jpn\0\0\xFF\xFE\x42\x30", 10)},
      {"TXXX", u"あ", std::string("\0\0\x82\xA0", 4), std::string("\x01\0\0\xFF\xFE\x42\x30", 7)},
      // A URL is single-byte text whatever the choice.
      {"WXXX", u"http://a/", std::string("\0\0http://a/", 11), std::string("\0\0http://a/", 11)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.id) + " " + vq::Utf16ToUtf8(c.text));
    EXPECT_EQ(MakeTextFrame(c.id, c.text).body, c.codePage);
    EXPECT_EQ(MakeTextFrame(c.id, c.text, TextChoice::CodePage).body, c.codePage);
    const std::string body = MakeTextFrame(c.id, c.text, TextChoice::Unicode).body;
    EXPECT_EQ(body, c.unicode);
    // The program's reader gets the text back.
    EXPECT_EQ(DecodeV23FrameText(std::string_view(body).substr(1), static_cast<std::uint8_t>(body[0]), c.id).tail,
              c.text);
  }
}

TEST(V2WriterFrames, MapsEveryV22IdWithAV23Form) {
  const char* table =
      "TT1 TIT1 TT2 TIT2 TT3 TIT3 TP1 TPE1 TP2 TPE2 TP3 TPE3 TP4 TPE4 TCM TCOM TXT TEXT TLA TLAN "
      "TCO TCON TAL TALB TPA TPOS TRK TRCK TRC TSRC TYE TYER TDA TDAT TIM TIME TRD TRDA TMT TMED "
      "TFT TFLT TBP TBPM TCR TCOP TPB TPUB TEN TENC TSS TSSE TOF TOFN TLE TLEN TSI TSIZ TDY TDLY "
      "TKE TKEY TOT TOAL TOA TOPE TOL TOLY TOR TORY TXX TXXX WAF WOAF WAR WOAR WAS WOAS WCM WCOM "
      "WCP WCOP WPB WPUB WXX WXXX COM COMM ULT USLT SLT SYLT IPL IPLS UFI UFID CNT PCNT POP POPM "
      "GEO GEOB CRA AENC MCI MCDI ETC ETCO MLL MLLT STC SYTC RVA RVAD EQU EQUA REV RVRB BUF RBUF "
      "LNK LINK PIC APIC";
  std::istringstream in(table);
  std::string from, to;
  int rows = 0;
  while (in >> from >> to) {
    EXPECT_EQ(MapV22Id(from), to) << from;
    ++rows;
  }
  EXPECT_EQ(rows, 62);
  EXPECT_EQ(MapV22Id("CRM"), "");
  EXPECT_EQ(MapV22Id("XYZ"), "");
  EXPECT_EQ(MapV22Id("TIT2"), "");
}

TEST(V2WriterFrames, RoundedSizeGivesWholeBlocksWith257To512BytesOfPadding) {
  EXPECT_EQ(RoundedTagSize(0), 502);
  EXPECT_EQ(RoundedTagSize(245), 502);
  EXPECT_EQ(RoundedTagSize(246), 758);
  for (std::int64_t n = 0; n < 5000; ++n) {
    std::int64_t s = RoundedTagSize(n);
    ASSERT_EQ((s + 10) % 256, 0) << n;
    ASSERT_GE(s - n, 257) << n;
    ASSERT_LE(s - n, 512) << n;
  }
  EXPECT_THROW(RoundedTagSize(kMaxTagSize), Error);
}

// ---------------------------------------------------------------- editor: sizes and ways

TEST(V2WriterEditor, NoFramesRebuildsA512ByteTagInFrontOfTheWholeFile) {
  TempDir dir;
  std::string path = dir.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "曲 テスト.mp3");
  std::string before = ReadBytes(path);
  EditorCall call(dir.path(), "曲 テスト.mp3", 0, true);
  RecordingReporter rep;
  ASSERT_TRUE(call.Write(rep));
  std::string after = ReadBytes(path);
  ASSERT_EQ(after.size(), 512 + before.size());
  EXPECT_EQ(after.substr(0, 10), Header(502));
  EXPECT_EQ(after.substr(10, 502), std::string(502, '\0'));
  EXPECT_EQ(after.substr(512), before);
  EXPECT_EQ(call.size, 502);
  EXPECT_EQ(rep.marks, 1);
  EXPECT_EQ(rep.yields, 1);
  EXPECT_FALSE(TempLeft(dir.path()));
}

TEST(V2WriterEditor, FramesOf245And246BytesGiveSizes502And758) {
  for (auto [chars, expected] : {std::pair{234, 502}, std::pair{235, 758}}) {
    TempDir dir;
    std::string audio = Audio(3000);
    WriteBytes(dir / "a.mp3", audio);
    EditorCall call(dir.path(), "a.mp3", 0, true);
    call.in.fieldTexts[0] = std::u16string(static_cast<std::size_t>(chars), u'x');  // frame of chars + 11 bytes
    RecordingReporter rep;
    ASSERT_TRUE(call.Write(rep));
    std::string after = ReadBytes(dir / "a.mp3");
    EXPECT_EQ(after.substr(0, 10), Header(static_cast<std::uint32_t>(expected)));
    EXPECT_EQ(after.substr(10, 8), "TIT2" + BigEndian(static_cast<std::uint32_t>(chars + 1), 4));
    EXPECT_EQ(after.substr(10 + chars + 11, expected - chars - 11), std::string(expected - chars - 11, '\0'));
    EXPECT_EQ(after.substr(10 + expected), audio);
    EXPECT_EQ(call.size, expected);
  }
}

TEST(V2WriterEditor, InPlaceOverSize1000With600BytesOfFramesKeepsTheAudioWhereItIs) {
  TempDir dir;
  std::string audio = Audio(5000);
  std::string old = Tag(3, Frame("TIT2", std::string("\0old title", 10)) + Frame("TPE1", std::string(700, 'p')), 1000);
  WriteBytes(dir / "a.mp3", old + audio);
  EditorCall call(dir.path(), "a.mp3", 1000, false);
  call.in.fieldTexts[0] = std::u16string(589, u't');  // 600 bytes
  RecordingReporter rep;
  ASSERT_TRUE(call.Write(rep));
  std::string after = ReadBytes(dir / "a.mp3");
  ASSERT_EQ(after.size(), old.size() + audio.size());
  EXPECT_EQ(after.substr(0, 10), Header(1000));
  EXPECT_EQ(after.substr(10, 10), "TIT2" + BigEndian(590, 4) + std::string(2, '\0'));
  EXPECT_EQ(after.substr(610, 400), std::string(400, '\0'));  // the old TPE1 is gone
  EXPECT_EQ(after.substr(1010), audio);
  EXPECT_EQ(call.size, 1000);
  EXPECT_EQ(rep.yields, 0);  // no rebuild
  auto back = ReadTag(dir / "a.mp3");
  ASSERT_EQ(back.table.size(), 1u);
  EXPECT_EQ(back.table[0].text, std::u16string(589, u't'));
}

TEST(V2WriterEditor, EmptyingEverythingInPlaceLeavesAHeaderAndZeros) {
  TempDir dir;
  std::string audio = Audio(2000);
  std::string old = Tag(3, Frame("TIT2", std::string("\0title", 6)) + Frame("TXXX", std::string("\0d\0v", 4)), 600);
  WriteBytes(dir / "a.mp3", old + audio);
  EditorCall call(dir.path(), "a.mp3", 600, false);
  call.lines = {u"TXXX:"};  // a kept line whose text was emptied, no frame behind it
  RecordingReporter rep;
  ASSERT_TRUE(call.Write(rep));
  std::string after = ReadBytes(dir / "a.mp3");
  EXPECT_EQ(after, Header(600) + std::string(600, '\0') + audio);
  EXPECT_EQ(call.lines, std::vector<std::u16string>{u"TXXX:"});
}

TEST(V2WriterEditor, Size300With301BytesIsRebuiltWithoutTheOldTag) {
  TempDir dir;
  std::string audio = Audio(4000);
  WriteBytes(dir / "a.mp3", Tag(3, Frame("TIT2", std::string("\0abc", 4)), 300) + audio);
  EditorCall call(dir.path(), "a.mp3", 300, false);
  call.in.fieldTexts[2] = std::u16string(290, u'a');  // 301 bytes
  RecordingReporter rep;
  ASSERT_TRUE(call.Write(rep));
  std::string after = ReadBytes(dir / "a.mp3");
  EXPECT_EQ(call.size, 758);
  EXPECT_EQ(after.substr(0, 10), Header(758));
  EXPECT_EQ(after.substr(10, 4), "TPE1");
  EXPECT_EQ(after.substr(768), audio);
  EXPECT_EQ(rep.yields, 1);
}

TEST(V2WriterEditor, EmptyListingWithSize2000IsRebuiltAtThatSize) {
  TempDir dir;
  std::string audio = Audio(4000);
  WriteBytes(dir / "a.mp3", Tag(3, "", 2000) + audio);
  EditorCall call(dir.path(), "a.mp3", 2000, true);
  call.in.fieldTexts[0] = u"Title";
  RecordingReporter rep;
  ASSERT_TRUE(call.Write(rep));
  std::string after = ReadBytes(dir / "a.mp3");
  EXPECT_EQ(call.size, 2000);
  EXPECT_EQ(after, Header(2000) + Frame("TIT2", std::string("\0Title", 6)) + std::string(2000 - 16, '\0') + audio);
  EXPECT_EQ(rep.yields, 1);
}

TEST(V2WriterEditor, FileWithoutTagIsCopiedWholeWithItsV1Tag) {
  TempDir dir;
  std::string path = dir.CopyFixture("01_v1only_eyed3_mpeg1_l3_128k.mp3", "v1.mp3");
  std::string before = ReadBytes(path);
  EditorCall call(dir.path(), "v1.mp3", 0, true);
  call.in.fieldTexts[0] = u"新しい曲名";
  RecordingReporter rep;
  ASSERT_TRUE(call.Write(rep));
  std::string after = ReadBytes(path);
  ASSERT_EQ(after.size(), 512 + before.size());
  EXPECT_EQ(after.substr(512), before);
  auto view = vqtest::ReadWithTagLib(path);
  EXPECT_TRUE(view.hasV1);
  EXPECT_EQ(view.v1Title, "v1 Only Title");
  EXPECT_EQ(view.v1Genre, 13u);
  ASSERT_EQ(view.ids, std::vector<std::string>{"TIT2"});
  EXPECT_EQ(view.texts.find("TIT2")->second, "新しい曲名");
}

TEST(V2WriterEditor, FieldsInIndexOrderThenKeptLinesAndDoubleByteSizes) {
  TempDir dir;
  WriteBytes(dir / "a.mp3", Audio(1000));
  EditorCall call(dir.path(), "a.mp3", 0, true);
  call.in.fieldTexts = {u"曲", u"Album", u"Artist", u"", u"コメント", u"2024", u"12"};
  call.lines = {u"TRCK:3/12", u"TT1:group", u"CRM:secret", u"", u"APIC:"};
  RecordingReporter rep;
  ASSERT_TRUE(call.Write(rep));
  auto back = ReadTag(dir / "a.mp3");
  auto frames = FramesOf(back);
  std::vector<std::string> ids;
  for (auto& [id, body] : frames) ids.push_back(id);
  EXPECT_EQ(ids, (std::vector<std::string>{"TIT2", "TALB", "TPE1", "COMM", "TYER", "TCON", "TRCK", "TIT1"}));
  EXPECT_EQ(frames[0].second, std::string("\0\x8B\xC8", 3));  // one double-byte character: body size 3
  EXPECT_EQ(frames[5].second, std::string("\0" "12", 3));
  EXPECT_EQ(frames[7].second, std::string("\0group", 6));
  // "TT1" became "TIT1"; "CRM" has no v2.3 form and was emptied; the rest stay.
  EXPECT_EQ(call.lines, (std::vector<std::u16string>{u"TRCK:3/12", u"TIT1:group", u"", u"", u"APIC:"}));
  EXPECT_EQ(back.table[3].text, u"コメント");
}

TEST(V2WriterEditor, KeepDateGivesTheRecordedDateInPlaceAndAfterARebuild) {
  const std::time_t recorded = 978350400;  // 2001-01-01 12:00:00 UTC
  for (bool inPlace : {true, false}) {
    TempDir dir;
    WriteBytes(dir / "a.mp3", Tag(3, Frame("TIT2", std::string("\0a", 2)), 400) + Audio(1000));
    EditorCall call(dir.path(), "a.mp3", 400, !inPlace);
    call.in.fieldTexts[0] = u"new";
    call.in.keepDate = true;
    call.in.recordedDate = recorded;
    RecordingReporter rep;
    ASSERT_TRUE(call.Write(rep));
    EXPECT_EQ(rep.yields, inPlace ? 0 : 1);
    EXPECT_EQ(ModifiedTime(dir / "a.mp3"), std::optional<std::time_t>(recorded)) << inPlace;
  }
  // Without the flag the file has the time of the write.
  TempDir dir;
  WriteBytes(dir / "a.mp3", Audio(1000));
  EditorCall call(dir.path(), "a.mp3", 0, true);
  call.in.recordedDate = recorded;
  RecordingReporter rep;
  ASSERT_TRUE(call.Write(rep));
  EXPECT_GT(*ModifiedTime(dir / "a.mp3"), recorded);
}

TEST(V2WriterEditor, ReadOnlyFileShowsTheUpdateErrorAndStaysAsItWas) {
  TempDir dir;
  std::string path = dir.CopyFixture("02_v23_latin1_mutagen_mpeg1_l3_32k.mp3", "ro.mp3");
  std::string before = ReadBytes(path);
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  for (bool listingEmpty : {false, true}) {  // in place and rebuild
    EditorCall call(dir.path(), "ro.mp3", 1180, listingEmpty);
    call.in.fieldTexts[0] = u"x";
    call.lines = {u"TT1:y"};
    RecordingReporter rep;
    EXPECT_FALSE(call.Write(rep));
    ASSERT_EQ(rep.updateErrors.size(), 1u);
    EXPECT_EQ(rep.updateErrors[0],
              u"ファイルの属性が読み取り専用になっていませんか?\r\n" + Utf8ToUtf16(dir.path()) + u"/\r\nro.mp3");
    EXPECT_TRUE(rep.errors.empty());
    EXPECT_EQ(rep.marks, 0);
    EXPECT_EQ(call.size, 1180);
    EXPECT_EQ(call.lines, std::vector<std::u16string>{u"TT1:y"});  // not rewritten by a failed write
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_FALSE(TempLeft(dir.path()));
  }
}

TEST(V2WriterEditor, OverflowFailsBeforeAnyFileIsOpened) {
  TempDir dir;
  WriteBytes(dir / "a.mp3", Audio(1000));
  std::u16string limit(32767, u'a');
  std::u16string over(16384, u'あ');  // 32,768 bytes
  for (int where : {0, 1}) {
    EditorCall call(dir.path(), "a.mp3", 0, true);
    if (where == 0)
      call.in.fieldTexts[4] = over;
    else
      call.lines = {u"TRCK:" + over};
    RecordingReporter rep;
    FaultInjection::Reset();
    EXPECT_FALSE(call.Write(rep));
    EXPECT_EQ(FaultInjection::Count(), 0);  // no file operation at all
    ASSERT_EQ(rep.errors.size(), 1u);
    EXPECT_EQ(rep.errors[0], u"オーバーフローしました。");
    EXPECT_EQ(ReadBytes(dir / "a.mp3"), Audio(1000));
  }
  EditorCall call(dir.path(), "a.mp3", 0, true);
  call.in.fieldTexts[4] = limit;
  RecordingReporter rep;
  EXPECT_TRUE(call.Write(rep));
}

// With Unicode on, the 16-bit byte count is the UTF-16 one: text that fits the code
// page's count can still be too long.
TEST(V2WriterEditor, UnicodeCountsTheUtf16BytesAgainstTheLimit) {
  TempDir dir;
  WriteBytes(dir / "a.mp3", Audio(1000));
  const std::u16string text = std::u16string(32000, u'a') + u"あ";  // 32,002 code page bytes
  for (TextChoice choice : {TextChoice::CodePage, TextChoice::Unicode}) {
    EditorCall call(dir.path(), "a.mp3", 0, true);
    call.in.fieldTexts[3] = text;
    call.in.textChoice = choice;
    RecordingReporter rep;
    EXPECT_EQ(call.Write(rep), choice == TextChoice::CodePage);
    EXPECT_EQ(rep.errors.size(), choice == TextChoice::CodePage ? 0u : 1u);
  }
}

TEST(V2WriterEditor, Utf16FramesCountWithTheirRealSize) {
  // Four frames of "Ålbum" in UTF-16 take 4 x (10 + 1 + 2 + 10) = 92 bytes, more than
  // the code page form would (4 x 16 = 64): a tag of size 80 must be rebuilt.
  TempDir dir;
  std::string audio = Audio(1000);
  WriteBytes(dir / "a.mp3", Tag(3, Frame("TIT2", std::string("\0a", 2)), 80) + audio);
  EditorCall call(dir.path(), "a.mp3", 80, false);
  call.in.fieldTexts = {u"Ålbum", u"Ålbum", u"Ålbum", u"Ålbum", u"", u"", u""};
  RecordingReporter rep;
  ASSERT_TRUE(call.Write(rep));
  EXPECT_EQ(call.size, RoundedTagSize(92));
  EXPECT_EQ(rep.yields, 1);
  auto view = vqtest::ReadWithTagLib(dir / "a.mp3");
  EXPECT_EQ(view.texts.find("TALB")->second, "Ålbum");
  EXPECT_EQ(ReadBytes(dir / "a.mp3").substr(10 + static_cast<std::size_t>(call.size)), audio);
  // Exactly fitting frames are written in place.
  EditorCall again(dir.path(), "a.mp3", call.size, false);
  again.in.fieldTexts[0] = std::u16string(static_cast<std::size_t>(call.size - 13) / 2, u'Å');
  ASSERT_TRUE(again.Write(rep));
  EXPECT_EQ(rep.yields, 1);
  EXPECT_EQ(again.size, call.size);
}

// ---------------------------------------------------------------- batch sizing

TEST(V2WriterBatch, RebuildsWithoutTagOrWhenTooSmallElseWritesInPlace) {
  std::vector<OutFrame> frames = {MakeTextFrame("TPE1", u"Artist"), MakeTextFrame("TALB", u""),
                                  MakeTextFrame("TIT2", u"Title")};
  const std::int64_t n = FramesSize(frames);
  ASSERT_EQ(n, 17 + 11 + 16);
  std::string audio = Audio(3000);
  struct Case {
    std::int32_t e;
    std::int32_t expected;
    bool rebuilt;
  };
  for (Case c : {Case{0, 502, true}, Case{40, 502, true}, Case{44, 44, false}, Case{2000, 2000, false}}) {
    TempDir dir;
    std::string old = c.e ? Tag(3, Frame("TIT2", std::string("\0a", 2)), static_cast<std::uint32_t>(c.e)) : "";
    WriteBytes(dir / "b.mp3", old + audio);
    RecordingReporter rep;
    EXPECT_EQ(WriteBatchV2Tag(dir / "b.mp3", frames, c.e, rep), c.expected);
    EXPECT_EQ(rep.yields, c.rebuilt ? 1 : 0);
    std::string after = ReadBytes(dir / "b.mp3");
    EXPECT_EQ(after.substr(0, 10), Header(static_cast<std::uint32_t>(c.expected)));
    EXPECT_EQ(after.substr(10 + static_cast<std::size_t>(c.expected)), audio);
    auto back = ReadTag(dir / "b.mp3");
    ASSERT_EQ(back.table.size(), 3u);
    EXPECT_EQ(back.table[1].id, u"TALB");  // an empty text is still a frame
    EXPECT_EQ(back.table[1].body, std::string(1, '\0'));
    EXPECT_EQ(back.table[2].text, u"Title");
  }
}

TEST(V2WriterBatch, FailuresAreThrownForThePassToReport) {
  TempDir dir;
  WriteBytes(dir / "b.mp3", Audio(100));
  ASSERT_EQ(chmod((dir / "b.mp3").c_str(), 0444), 0);
  RecordingReporter rep;
  try {
    WriteBatchV2Tag(dir / "b.mp3", {MakeTextFrame("TIT2", u"x")}, 0, rep);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::PathFileAccess);
  }
  EXPECT_TRUE(rep.updateErrors.empty());
  EXPECT_TRUE(rep.errors.empty());
  EXPECT_THROW(WriteBatchV2Tag(dir / "missing.mp3", {}, 0, rep), Error);
  EXPECT_FALSE(TempLeft(dir.path()));
}
