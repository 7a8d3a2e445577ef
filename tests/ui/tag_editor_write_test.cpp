// "v2更新(F9)" of the ID3v2 editor on real files: what lands in the file (read back by
// TagLib and in raw bytes), the audio left as it was, frames carried over whole, and the
// frame table and listing rebuilt from the fields and the list.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <sys/stat.h>

#include "tag_editor_test_support.h"
#include "formats/id3v2_writer.h"
#include "platform/codepage.h"
#include "platform/text.h"

using namespace vq;
using namespace editortest;
using vqtest::ReadBytes;
using vqtest::ReadWithTagLib;

namespace {

std::string Fixture(const std::string& name) { return ReadBytes(vqtest::DataPath(name)); }

std::string Cp932(std::u16string_view s) { return cp932::Encode(s); }

std::string Utf16Le(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

// The frames of a tag that the editor keeps whole: every frame but the fields'.
std::vector<RawFrame> KeptRaw(const RawTag& t) {
  static const std::vector<std::string> fields = {"TIT2", "TALB", "TPE1", "TCOM", "COMM", "TYER", "TCON"};
  std::vector<RawFrame> out;
  for (const auto& f : t.frames)
    if (std::find(fields.begin(), fields.end(), f.id) == fields.end()) out.push_back(f);
  return out;
}

void ExpectSameFrames(const std::vector<RawFrame>& a, const std::vector<RawFrame>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].id, b[i].id) << i;
    EXPECT_TRUE(a[i].flagsAndBody == b[i].flagsAndBody) << a[i].id << " differs";
  }
}

const QColor kRed(255, 0, 0);

}  // namespace

TEST(TagEditorWrite, AFileWithoutTagGetsOnlyTheFilledFieldsAndTheMarksTurnRed) {
  Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
  EXPECT_TRUE(e.form().v2Mark->text().isEmpty());
  const int result = RunEditor(e.form(), [&](TagEditorDialog& w) {
    Type(QStringLiteral("新しい曲名"));
    GoToField(w, 4);
    Type(QStringLiteral("A comment"));
    Key(Qt::Key_F9);
    EXPECT_FALSE(w.isVisible());
  });
  EXPECT_EQ(result, QDialog::Accepted);

  const RawTag t = ReadRawTagOf(e.path);
  ASSERT_TRUE(t.present);
  EXPECT_EQ(t.major, 3);
  EXPECT_EQ(t.Ids(), (std::vector<std::string>{"TIT2", "COMM"}));
  EXPECT_EQ(t.size, 502);  // rebuilt: a 512-byte tag
  EXPECT_EQ(e.session().v2TagSize, 502);
  EXPECT_TRUE(BehindTag(ReadBytes(e.path)) == e.before);

  const auto tl = ReadWithTagLib(e.path);
  EXPECT_EQ(tl.v2Major, 3);
  EXPECT_EQ(TagLibTexts(tl, "TIT2"), std::vector<std::string>{"新しい曲名"});
  EXPECT_EQ(TagLibTexts(tl, "COMM"), std::vector<std::string>{"A comment"});

  EXPECT_EQ(Pairs(e.session().v2Frames),
            (std::vector<std::pair<std::u16string, std::u16string>>{{u"TIT2", u"新しい曲名"}, {u"COMM", u"A comment"}}));
  EXPECT_EQ(e.listing(), QStringLiteral("TIT2(0) 新しい曲名\r\nCOMM(0) A comment\r\n"));

  EXPECT_EQ(e.form().v2Mark->text(), QStringLiteral("v2"));
  EXPECT_EQ(e.form().v2VersionMark->text(), QStringLiteral("3.0"));
  EXPECT_EQ(e.form().v2Mark->palette().color(QPalette::WindowText), kRed);
  EXPECT_EQ(e.form().v2VersionMark->palette().color(QPalette::WindowText), kRed);
}

TEST(TagEditorWrite, TheV22FixtureIsWrittenUnderV23IdsWithTheLaterCommentAndThePicture) {
  Editing e("13_v22_handmade_mpeg1_l2_64k.mp3");
  const auto old = ReadWithTagLib(e.path);
  ASSERT_EQ(old.pictures.size(), 1u);
  QStringList linesAfter;
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    EXPECT_EQ(w.numberAndReadingFields[0]->text(), QStringLiteral("4/9"));  // TRK
    Key(Qt::Key_F9);
    linesAfter = Lines(w.keptFramesList);
  });
  // The list as the writer left it: converted ids; a frame without text keeps its line.
  // The track, shown in its field, is written where its frame was.
  EXPECT_EQ(linesAfter, (QStringList{"TIT1:コンテンツ", "PIC:"}));

  const RawTag t = ReadRawTagOf(e.path);
  EXPECT_EQ(t.major, 3);
  EXPECT_EQ(t.Ids(), (std::vector<std::string>{"TIT2", "TALB", "TPE1", "COMM", "TCON", "TRCK", "TIT1", "APIC"}));
  EXPECT_TRUE(BehindTag(ReadBytes(e.path)) == BehindTag(e.before));

  const auto tl = ReadWithTagLib(e.path);
  EXPECT_EQ(TagLibTexts(tl, "TIT2"), std::vector<std::string>{"v2.2 曲名 珈琲"});
  EXPECT_EQ(TagLibTexts(tl, "TALB"), std::vector<std::string>{"v2.2 Album"});
  EXPECT_EQ(TagLibTexts(tl, "TPE1"), std::vector<std::string>{"歌手 v2.2"});
  EXPECT_EQ(TagLibTexts(tl, "COMM"), std::vector<std::string>{"日本語のコメント"});  // only the later one
  EXPECT_EQ(TagLibTexts(tl, "TRCK"), std::vector<std::string>{"4/9"});
  EXPECT_EQ(TagLibTexts(tl, "TIT1"), std::vector<std::string>{"コンテンツ"});
  ASSERT_EQ(tl.pictures.size(), 1u);
  EXPECT_TRUE(tl.pictures[0] == old.pictures[0]);

  EXPECT_EQ(e.listing(), QStringLiteral("TIT2(0) v2.2 曲名 珈琲\r\nTALB(0) v2.2 Album\r\nTPE1(0) 歌手 v2.2\r\n"
                                        "COMM(0) 日本語のコメント\r\nTCON(0) (13)\r\nTRCK(0) 4/9\r\n"
                                        "TIT1(0) コンテンツ\r\nAPIC(0) \r\n"));
  EXPECT_EQ(Pairs(e.session().v2Frames),
            (std::vector<std::pair<std::u16string, std::u16string>>{{u"TIT2", u"v2.2 曲名 珈琲"},
                                                                    {u"TALB", u"v2.2 Album"},
                                                                    {u"TPE1", u"歌手 v2.2"},
                                                                    {u"COMM", u"日本語のコメント"},
                                                                    {u"TCON", u"(13)"},
                                                                    {u"TRCK", u"4/9"},
                                                                    {u"TIT1", u"コンテンツ"},
                                                                    {u"APIC", u""}}));

  // Without selecting the file again, a second session still has the picture and
  // carries it over again.
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    EXPECT_EQ(Lines(w.keptFramesList), (QStringList{"TIT1:コンテンツ", "APIC:"}));
    Retype(w, 0, QStringLiteral("Second"));
    Key(Qt::Key_F9);
  });
  const RawTag t2 = ReadRawTagOf(e.path);
  EXPECT_EQ(t2.Ids(), t.Ids());
  ExpectSameFrames(KeptRaw(t2), KeptRaw(t));
  EXPECT_TRUE(*t2.Find("COMM") == *t.Find("COMM"));
  EXPECT_TRUE(BehindTag(ReadBytes(e.path)) == BehindTag(e.before));
  EXPECT_EQ(TagLibTexts(ReadWithTagLib(e.path), "TIT2"), std::vector<std::string>{"Second"});
}

TEST(TagEditorWrite, EveryV22IdInTheFieldsOrTheListAndTheOnesWithoutV23FormDropped) {
  const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + "fake image";
  auto text0 = [](std::u16string_view s) { return std::string(1, '\0') + Cp932(s); };
  const std::string audio = Fixture("14_notag_lame_mpeg1_l3_128k.mp3");
  const std::string bytes = V22File(
      {
          {"TT2", text0(u"Handmade Title")},
          {"TAL", text0(u"Album 22")},
          {"TP1", text0(u"Artist 22")},
          {"TCM", text0(u"作曲者")},
          {"COM", std::string("\0eng", 4) + std::string("desc\0", 5) + "comment 22"},
          {"TYE", text0(u"1999")},
          {"TCO", text0(u"(13)")},
          {"TT1", text0(u"Grouping")},
          {"TT3", text0(u"Subtitle")},
          {"TP2", text0(u"Band")},
          {"TP3", text0(u"Conductor")},
          {"TP4", text0(u"Remixer")},
          {"TRK", text0(u"3/10")},
          {"TXX", std::string("\0mood\0", 6) + "calm"},
          {"CRM", std::string("owner\0explained\0", 16) + "\x01\x02"},
          {"TZZ", text0(u"no such frame")},
          {"PIC", std::string("\0PNG\x03\0", 6) + png},
      },
      audio);
  Editing e(bytes, "v22.mp3", true);
  QStringList linesBefore, linesAfter;
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    // A v2.2 text with encoding 0 shows its zero bytes as spaces.
    const char16_t* expected[7] = {u"Handmade Title", u"Album 22", u"Artist 22", u"作曲者", u" comment 22", u"1999", u"(13)"};
    for (int k = 0; k < 7; ++k) EXPECT_EQ(w.fieldText(k), QString::fromUtf16(expected[k])) << k;
    linesBefore = Lines(w.keptFramesList);
    Retype(w, 1, QStringLiteral("新アルバム"));
    Key(Qt::Key_F9);
    linesAfter = Lines(w.keptFramesList);
  });
  // TRK is in the track field.
  EXPECT_EQ(linesBefore, (QStringList{"TT1:Grouping", "TT3:Subtitle", "TP2:Band", "TP3:Conductor", "TP4:Remixer",
                                      "TXX: calm", "CRM:", "TZZ:no such frame", "PIC:"}));
  EXPECT_EQ(linesAfter, (QStringList{"TIT1:Grouping", "TIT3:Subtitle", "TPE2:Band", "TPE3:Conductor", "TPE4:Remixer",
                                     "TXXX: calm", "CRM:", "", "PIC:"}));

  const RawTag t = ReadRawTagOf(e.path);
  EXPECT_EQ(t.Ids(), (std::vector<std::string>{"TIT2", "TALB", "TPE1", "TCOM", "COMM", "TYER", "TCON", "TIT1", "TIT3",
                                               "TPE2", "TPE3", "TPE4", "TRCK", "TXXX", "APIC"}));
  // The TXXX keeps its description, the comment its language and description.
  EXPECT_TRUE(t.Find("TXXX")->flagsAndBody == std::string("\0\0\0mood\0calm", 12));
  EXPECT_TRUE(t.Find("COMM")->flagsAndBody == std::string("\0\0\0engdesc\0comment 22", 21));
  EXPECT_TRUE(BehindTag(ReadBytes(e.path)) == audio);

  const auto tl = ReadWithTagLib(e.path);
  const std::pair<const char*, const char*> texts[] = {
      {"TIT2", "Handmade Title"}, {"TALB", "新アルバム"}, {"TPE1", "Artist 22"}, {"TCOM", "作曲者"},
      {"COMM", "comment 22"},     {"TIT1", "Grouping"},   {"TIT3", "Subtitle"},  {"TPE2", "Band"},
      {"TPE3", "Conductor"},      {"TPE4", "Remixer"},    {"TRCK", "3/10"},      {"TDRC", "1999"}};
  for (const auto& [id, text] : texts) EXPECT_EQ(TagLibTexts(tl, id), std::vector<std::string>{text}) << id;
  ASSERT_EQ(tl.pictures.size(), 1u);
  EXPECT_TRUE(tl.pictures[0] == png);

  // The listing and the table carry the v2.3 ids; the dropped frames are gone.
  const QString listing = e.listing();
  EXPECT_TRUE(listing.startsWith(QStringLiteral("TIT2(0) Handmade Title\r\nTALB(0) 新アルバム\r\nTPE1(0) Artist 22\r\n")));
  EXPECT_TRUE(listing.endsWith(QStringLiteral("TRCK(0) 3/10\r\nTXXX(0)  calm\r\nAPIC(0) \r\n"))) << Utf8(listing);
  EXPECT_FALSE(listing.contains(QStringLiteral("CRM")));
  EXPECT_FALSE(listing.contains(QStringLiteral("TZZ")));
  std::vector<std::u16string> ids;
  for (const auto& [id, text] : Pairs(e.session().v2Frames)) ids.push_back(id);
  EXPECT_EQ(ids, (std::vector<std::u16string>{u"TIT2", u"TALB", u"TPE1", u"TCOM", u"COMM", u"TYER", u"TCON", u"TIT1",
                                              u"TIT3", u"TPE2", u"TPE3", u"TPE4", u"TRCK", u"TXXX", u"APIC"}));
}

TEST(TagEditorWrite, OfTwoCommentFramesTheLaterOneIsShownAndKeptWhole) {
  const std::string later = std::string("\x01jpn\xFF\xFE", 6) + Utf16Le(u"説明") + std::string("\0\0\xFF\xFE", 4) +
                            Utf16Le(u"後のコメント");
  Editing e(V23File({{"TIT2", std::string("\0Two comments", 13)},
                     {"COMM", std::string("\0engfirst desc\0first comment", 28)},
                     {"COMM", later}},
                    Fixture("14_notag_lame_mpeg1_l3_128k.mp3")),
            "comments.mp3", true);
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    EXPECT_EQ(w.fieldText(4), QStringLiteral("後のコメント"));
    EXPECT_EQ(w.storedValue(4), QStringLiteral("後のコメント"));
    EXPECT_EQ(w.keptFramesList->count(), 0);
    Key(Qt::Key_F9);
  });
  const RawTag t = ReadRawTagOf(e.path);
  EXPECT_EQ(t.Ids(), (std::vector<std::string>{"TIT2", "COMM"}));
  EXPECT_TRUE(t.Find("COMM")->flagsAndBody == std::string(2, '\0') + later);
  EXPECT_EQ(TagLibTexts(ReadWithTagLib(e.path), "COMM"), std::vector<std::string>{"後のコメント"});
  EXPECT_EQ(e.listing(), QStringLiteral("TIT2(0) Two comments\r\nCOMM(0) 後のコメント\r\n"));
}

TEST(TagEditorWrite, APictureAndUserAndUrlFramesSurviveByteForByteAlsoInASecondSession) {
  for (const char* fixture : {"06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3", "07_v23_txxx_wxxx_wcom_mutagen_mpeg1_l3_32k.mp3"}) {
    SCOPED_TRACE(fixture);
    Editing e(fixture);
    const RawTag old = ReadRawTag(e.before);
    const auto oldTl = ReadWithTagLib(e.path);
    RunEditor(e.form(), [&](TagEditorDialog& w) {
      Retype(w, 0, QStringLiteral("書き換えた曲名"));
      Key(Qt::Key_F9);
    });
    RawTag t = ReadRawTagOf(e.path);
    ExpectSameFrames(KeptRaw(t), KeptRaw(old));
    EXPECT_EQ(t.size, old.size);  // in place: the old tag had room
    EXPECT_TRUE(BehindTag(ReadBytes(e.path)) == BehindTag(e.before));
    auto tl = ReadWithTagLib(e.path);
    EXPECT_EQ(TagLibTexts(tl, "TIT2"), std::vector<std::string>{"書き換えた曲名"});
    EXPECT_TRUE(tl.pictures == oldTl.pictures);
    if (!old.Find("APIC")) {
      for (const char* id : {"TXXX", "WXXX", "WOAR", "WCOM"}) EXPECT_EQ(TagLibTexts(tl, id), TagLibTexts(oldTl, id)) << id;
    } else {
      EXPECT_TRUE(e.listing().endsWith(QStringLiteral("APIC(0) \r\n")));
    }

    // Again without a new read: the table still holds the frames.
    RunEditor(e.form(), [&](TagEditorDialog& w) {
      Retype(w, 1, QStringLiteral("Another album"));
      Key(Qt::Key_F9);
    });
    t = ReadRawTagOf(e.path);
    ExpectSameFrames(KeptRaw(t), KeptRaw(old));
    tl = ReadWithTagLib(e.path);
    EXPECT_EQ(TagLibTexts(tl, "TIT2"), std::vector<std::string>{"書き換えた曲名"});
    EXPECT_EQ(TagLibTexts(tl, "TALB"), std::vector<std::string>{"Another album"});
    EXPECT_TRUE(tl.pictures == oldTl.pictures);
    EXPECT_TRUE(BehindTag(ReadBytes(e.path)) == BehindTag(e.before));
  }
}

TEST(TagEditorWrite, AnUnchangedCommentKeepsItsDescriptionAnEditedOneIsWrittenFromItsText) {
  for (const char* fixture : {"03_v23_utf16_japanese_mutagen_mpeg1_l3_128k.mp3", "12_v23_sjis_enc0_handmade_mpeg1_l3_32k.mp3"}) {
    SCOPED_TRACE(fixture);
    Editing e(fixture);
    const RawTag old = ReadRawTag(e.before);
    const auto oldTl = ReadWithTagLib(e.path);
    RunEditor(e.form(), [&](TagEditorDialog& w) {
      Retype(w, 2, QStringLiteral("別の歌手"));
      Key(Qt::Key_F9);
    });
    RawTag t = ReadRawTagOf(e.path);
    ASSERT_NE(t.Find("COMM"), nullptr);
    EXPECT_TRUE(*t.Find("COMM") == *old.Find("COMM"));
    auto tl = ReadWithTagLib(e.path);
    EXPECT_EQ(TagLibTexts(tl, "COMM"), TagLibTexts(oldTl, "COMM"));
    EXPECT_EQ(TagLibTexts(tl, "TPE1"), std::vector<std::string>{"別の歌手"});
    EXPECT_EQ(TagLibTexts(tl, "TIT2"), TagLibTexts(oldTl, "TIT2"));
    EXPECT_EQ(TagLibTexts(tl, "TALB"), TagLibTexts(oldTl, "TALB"));
    EXPECT_TRUE(BehindTag(ReadBytes(e.path)) == BehindTag(e.before));

    RunEditor(e.form(), [&](TagEditorDialog& w) {
      Retype(w, 4, QStringLiteral("新しいコメント"));
      Key(Qt::Key_F9);
    });
    t = ReadRawTagOf(e.path);
    EXPECT_TRUE(t.Find("COMM")->flagsAndBody == std::string("\0\0\0jpn\0", 7) + Cp932(u"新しいコメント"));
    EXPECT_EQ(TagLibTexts(ReadWithTagLib(e.path), "COMM"), std::vector<std::string>{"新しいコメント"});
    EXPECT_TRUE(BehindTag(ReadBytes(e.path)) == BehindTag(e.before));
  }
}

TEST(TagEditorWrite, EverythingEmptyWritesATagWithoutFramesAndEmptiesTableAndListing) {
  {
    Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
    RunEditor(e.form(), [&](TagEditorDialog&) { Key(Qt::Key_F9); });
    const std::string bytes = ReadBytes(e.path);
    const RawTag t = ReadRawTag(bytes);
    EXPECT_EQ(t.size, 502);
    EXPECT_TRUE(t.frames.empty());
    EXPECT_EQ(bytes.substr(10, 502), std::string(502, '\0'));
    EXPECT_TRUE(BehindTag(bytes) == e.before);
    EXPECT_TRUE(e.session().v2Frames.empty());
    EXPECT_EQ(e.listing(), QString());
    EXPECT_TRUE(ReadWithTagLib(e.path).texts.empty());
  }
  {
    // Every field emptied by hand: the old tag is overwritten in place with no frames.
    Editing e("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3");
    RunEditor(e.form(), [&](TagEditorDialog& w) {
      for (int k = 0; k < 7; ++k) {
        GoToField(w, k);
        ClearFocused();
      }
      Key(Qt::Key_F9);
    });
    const std::string bytes = ReadBytes(e.path);
    const RawTag t = ReadRawTag(bytes);
    EXPECT_EQ(t.size, 339);
    EXPECT_TRUE(t.frames.empty());
    EXPECT_EQ(bytes.substr(10, 339), std::string(339, '\0'));
    EXPECT_TRUE(BehindTag(bytes) == BehindTag(e.before));
    EXPECT_TRUE(Pairs(e.session().v2Frames).empty());
    EXPECT_EQ(e.listing(), QString());
  }
}

TEST(TagEditorWrite, FieldLineBreaksGoIntoTheFrameAndTheListingAsCrLf) {
  Editing e("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3");
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    Retype(w, 4, QStringLiteral("line one"));
    Key(Qt::Key_Return, Qt::ShiftModifier);
    Type(QStringLiteral("line two"));
    EXPECT_EQ(w.fieldText(4), QStringLiteral("line one\r\nline two"));
    Key(Qt::Key_F9);
  });
  EXPECT_EQ(TagLibTexts(ReadWithTagLib(e.path), "COMM"), std::vector<std::string>{"line one\r\nline two"});
  EXPECT_TRUE(e.listing().contains(QStringLiteral("COMM(0) line one\r\nline two\r\n")));
  EXPECT_EQ(Pairs(e.session().v2Frames)[3], std::make_pair(std::u16string(u"COMM"), std::u16string(u"line one\r\nline two")));
}

TEST(TagEditorWrite, KeepDateGivesTheRewrittenFileItsRecordedDate) {
  Editing e("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3");
  const std::time_t old = vqtest::LocalTime(2000, 1, 2, 3, 4, 5);
  SetFileTimes(e.path, old);
  // List the folder again so that the row's recorded date is the old one.
  e.form().ListCurrentFolder();
  ASSERT_EQ(vqtest::CurrentRow(e.form().fileList), 0);
  e.form().keepDateBox->setChecked(true);
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    Retype(w, 0, QStringLiteral("dated"));
    Key(Qt::Key_F9);
  });
  EXPECT_EQ(TagLibTexts(ReadWithTagLib(e.path), "TIT2"), std::vector<std::string>{"dated"});
  EXPECT_EQ(ModifiedTime(e.path), std::optional<std::time_t>(old));
}

TEST(TagEditorWrite, AReadOnlyFileShowsTheUpdateErrorAndTheTableDescribesTheFields) {
  Editing e("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3");
  ::chmod(e.path.c_str(), 0444);
  // The main window's ID3v1 year, which F7 would put into the empty year field.
  ASSERT_FALSE(e.form().tagFields[4]->text().isEmpty());
  bool disabledDuringMessage = false;
  bool commandIgnored = false;
  TagEditorDialog* editor = nullptr;
  auto buttonsDisabled = [&] {
    for (int i = 0; i < 4; ++i)
      if (editor->commandButtons[i]->isEnabled()) return false;
    return true;
  };
  e.h.messages.onMessage = [&](const ui::MessageRequest&) {
    disabledDuringMessage = buttonsDisabled();
    // A command asked for while the write runs does nothing.
    editor->RunCommand(vq::TagEditorDialog::Command::FillFromNames);
    commandIgnored = editor->fieldText(5).isEmpty() && buttonsDisabled();
  };
  const int result = RunEditor(e.form(), [&](TagEditorDialog& w) {
    editor = &w;
    Retype(w, 0, QStringLiteral("Not written"));
    Key(Qt::Key_F9);
  });
  EXPECT_EQ(result, QDialog::Accepted);
  ASSERT_EQ(e.h.messages.requests.size(), 1u);
  const auto& m = e.h.messages.requests[0];
  EXPECT_EQ(m.caption, QStringLiteral("更新エラー"));
  const QString prefix = Utf8(e.h.music / "歌手/アルバム/");
  EXPECT_EQ(m.text, QStringLiteral("ファイルの属性が読み取り専用になっていませんか?\r\n") + prefix +
                        QStringLiteral("\r\n01 曲.mp3"));
  EXPECT_TRUE(disabledDuringMessage);
  EXPECT_TRUE(commandIgnored);

  EXPECT_TRUE(ReadBytes(e.path) == e.before);
  EXPECT_EQ(e.session().v2TagSize, 339);
  // Rebuilt from the fields, not from the file.
  EXPECT_EQ(Pairs(e.session().v2Frames),
            (std::vector<std::pair<std::u16string, std::u16string>>{{u"TIT2", u"Not written"},
                                                                    {u"TALB", u"V2 Album"},
                                                                    {u"TPE1", u"V2 Artist"},
                                                                    {u"COMM", u"v2 comment"}}));
  EXPECT_EQ(e.listing(),
            QStringLiteral("TIT2(0) Not written\r\nTALB(0) V2 Album\r\nTPE1(0) V2 Artist\r\nCOMM(0) v2 comment\r\n"));
}

TEST(TagEditorWrite, TheButtonWritesLikeF9AndTheMainWindowsF11OpensTheEditor) {
  Editing e("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3");
  MainWindow& main = e.form();
  // The main window's artist field had the focus last.
  main.tagFields[1]->setFocus();
  QApplication::processEvents();
  ASSERT_EQ(main.lastField, 1);
  bool opened = false;
  vqtest::ModalDriver driver([&](QDialog* d) {
    auto* w = qobject_cast<TagEditorDialog*>(d);
    ASSERT_NE(w, nullptr);
    opened = true;
    EXPECT_TRUE(QTest::qWaitFor([d] { return QApplication::activeWindow() == d; }));
    Retype(*w, 5, QStringLiteral("2024"));
    QTest::mouseClick(w->commandButtons[0], Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
  });
  Key(Qt::Key_F11);
  EXPECT_TRUE(opened);
  EXPECT_EQ(TagLibTexts(ReadWithTagLib(e.path), "TDRC"), std::vector<std::string>{"2024"});
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == main.tagFields[1]; }));
}

// A tag whose size claims 64 bytes more than the file: the main window's F9 appends an
// ID3v1 record (the file grows by 128), after which the claim would fit the file's
// length. The editor's F9 still refuses it, since the tag would end inside the record:
// the file keeps every byte of the F9 before, and the user is told why.
TEST(TagEditorWrite, ATagReachingIntoTheRecordTheMainWindowAppendedIsRefused) {
  std::string bytes = std::string("ID3\x03\x00\x00\x00\x00\x1F\x6E", 10) + "TIT2" + std::string("\0\0\0\x02\0\0\0a", 8);
  bytes.resize(4024, '\x55');  // the tag claims 4,088 bytes
  Editing e(bytes, "claims.mp3", true);
  MainWindow& main = e.form();
  ASSERT_EQ(main.v2Mark->text(), "v2");
  vqtest::Type(main.tagFields[0], QStringLiteral("v1 title"));
  vqtest::Press(main.tagFields[0], Qt::Key_F9);
  ASSERT_TRUE(e.h.messages.requests.empty());
  const std::string afterF9 = ReadBytes(e.path);
  ASSERT_EQ(afterF9.size(), 4024u + 128u);

  for (bool fitsInPlace : {true, false}) {
    SCOPED_TRACE(fitsInPlace);
    e.h.messages.Clear();
    RunEditor(main, [&](TagEditorDialog& w) {
      if (fitsInPlace) {
        Retype(w, 0, QStringLiteral("short"));
      } else {
        w.setFieldText(0, QString(5000, QLatin1Char('x')));  // outgrows the tag: a rebuild
        GoToField(w, 0);
      }
      Key(Qt::Key_F9);
    });
    ASSERT_EQ(e.h.messages.requests.size(), 1u);
    EXPECT_EQ(e.h.messages.requests[0].text, ui::Q(ErrorDescription(ErrorKind::TagTooLong)));
    EXPECT_EQ(ReadBytes(e.path), afterF9);
    EXPECT_TRUE(vqtest::TemporaryFilesIn(e.h.music.path()).empty());
  }
}

// A file too short for an ID3v1 record shows itself with empty fields: F9 appends what
// the user typed, and nothing of the file shown before.
TEST(TagEditorWrite, A127ByteFileGetsWhatWasTypedAndTheEditorRefusesItsBrokenHeader) {
  // 127 bytes beginning with an "ID3" header that claims 1,207 bytes.
  std::string bytes = std::string("ID3\x03\x00\x00\x00\x00\x09\x2D", 10) + std::string(117, '\xAA');
  Editing e("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3", "01 both.mp3");
  vqtest::WriteBytes(e.h.music / "歌手/アルバム/02 short.mp3", bytes);
  MainWindow& main = e.form();
  main.ListCurrentFolder();  // lists the new file too
  int shortRow = -1;
  for (int i = 0; i < vqtest::RowCount(main.fileList); ++i) {
    main.SelectFile(i);
    if (main.fileInfoText(2) == QStringLiteral("02 short.mp3")) shortRow = i;
    else ASSERT_EQ(main.tagFields[0]->text(), QStringLiteral("V1 Title"));
  }
  main.SelectFile(shortRow);
  ASSERT_EQ(main.fileInfoText(2), QStringLiteral("02 short.mp3"));
  EXPECT_EQ(main.tagFields[0]->text(), "");
  EXPECT_EQ(main.storedValueLabels[0]->text(), "");

  // The editor goes by the header the file has now, although the selection stopped
  // before reading it: it claims more than the file and is refused.
  RunEditor(main, [&](TagEditorDialog&) {
    Type(QStringLiteral("v2 title"));
    Key(Qt::Key_F9);
  });
  ASSERT_EQ(e.h.messages.requests.size(), 1u);
  EXPECT_EQ(e.h.messages.requests[0].text, ui::Q(ErrorDescription(ErrorKind::TagTooLong)));
  EXPECT_EQ(ReadBytes(e.h.music / "歌手/アルバム/02 short.mp3"), bytes);

  main.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
  vqtest::Type(main.tagFields[0], QStringLiteral("typed"));
  vqtest::Press(main.tagFields[0], Qt::Key_F9);
  const std::string after = ReadBytes(e.h.music / "歌手/アルバム/02 short.mp3");
  ASSERT_EQ(after.size(), 255u);
  EXPECT_EQ(after.substr(0, 127), bytes);
  EXPECT_EQ(after.substr(127, 3 + 30), "TAGtyped" + std::string(25, ' '));
  EXPECT_EQ(after.substr(127 + 33, 60), std::string(60, ' '));  // artist and album empty
}
