// The editor's track, disc and sort reading fields: where they are and how the keyboard
// reaches them, which frames they show (the sort readings under any of the ids other
// programs write), and what F9 writes from them.
#include <QLabel>

#include "tag_editor_test_support.h"
#include "platform/codepage.h"
#include "widgets/twips.h"

using namespace vq;
using namespace editortest;

namespace {

// A text frame's body in code page 932.
std::string Text0(std::u16string_view s) { return std::string(1, '\0') + cp932::Encode(s); }

std::string Audio() { return vqtest::ReadBytes(vqtest::DataPath("14_notag_lame_mpeg1_l3_128k.mp3")); }

// A tag with a track, a disc and a sort reading of each kind other programs write: TSOT
// as in v2.4, the v2.2 id TSP inside the v2.3 tag, and the draft's XSOA.
std::string WithReadings() {
  return V23File({{"TIT2", Text0(u"Title")},
                  {"TRCK", Text0(u"3/12")},
                  {std::string("TSP\0", 4), Text0(u"ヤマダハナコ")},
                  {"TIT1", Text0(u"group")},
                  {"XSOA", Text0(u"ナツノタビ")},
                  {"TPOS", Text0(u"1/2")},
                  {"TSOT", Text0(u"ウミベノアサ")}},
                 Audio());
}

QStringList ExtraTexts(const TagEditorDialog& w) {
  QStringList out;
  for (QLineEdit* f : w.numberAndReadingFields) out << f->text();
  return out;
}

}  // namespace

TEST(TagEditorExtraFields, AColumnRightOfTheDesignsControlsWithJapaneseNames) {
  Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
  TagEditorDialog w(e.form().session(), e.form().EditorLink(), &e.form());
  const char16_t* names[] = {u"曲番号", u"ディスク", u"曲名の読み", u"アーティストの読み", u"アルバムの読み"};
  for (int k = 0; k < kExtraFieldCount; ++k) {
    QLabel* caption = w.numberAndReadingCaptions[k];
    QLineEdit* field = w.numberAndReadingFields[k];
    EXPECT_EQ(field->objectName(), QStringLiteral("numberAndReadingFields(%1)").arg(k));
    EXPECT_TRUE(caption->text().startsWith(QString::fromUtf16(names[k]))) << k;
    EXPECT_EQ(caption->buddy(), field);
    EXPECT_EQ(field->accessibleName(), QString::fromUtf16(names[k]));
    // Outside the design's client area, inside the widened window.
    EXPECT_FALSE(field->geometry().united(caption->geometry()).intersects(ui::TwipsRect(0, 0, 14700, 6975))) << k;
    EXPECT_TRUE(w.rect().contains(field->geometry())) << k;
  }
}

TEST(TagEditorExtraFields, TabEnterAndMnemonicsReachEveryField) {
  Editing e(WithReadings(), "r.mp3", true);
  QStringList tabs, enters;
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    w.keptFramesList->setFocus();
    for (int i = 0; i < 6; ++i) {
      Key(Qt::Key_Tab);
      tabs << QApplication::focusWidget()->objectName();
    }
    w.numberAndReadingFields[0]->setFocus();
    for (int i = 0; i < 5; ++i) {
      Key(Qt::Key_Return);
      enters << QApplication::focusWidget()->objectName();
    }
    // Alt and the caption's letter; entered from the keyboard, the caret is at the end.
    Key(Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), w.numberAndReadingFields[3]);
    EXPECT_FALSE(w.numberAndReadingFields[3]->hasSelectedText());
    EXPECT_EQ(w.numberAndReadingFields[3]->cursorPosition(), w.numberAndReadingFields[3]->text().size());
    Key(Qt::Key_F12);
  });
  const QStringList column = {"numberAndReadingFields(0)", "numberAndReadingFields(1)", "numberAndReadingFields(2)",
                              "numberAndReadingFields(3)", "numberAndReadingFields(4)"};
  EXPECT_EQ(tabs, column + QStringList{"tagFields(0)"});
  EXPECT_EQ(enters, column.mid(1) + QStringList{"tagFields(0)"});
}

TEST(TagEditorExtraFields, ShowTheFramesOfEveryIdAndLeaveTheRestInTheList) {
  Editing e(WithReadings(), "r.mp3", true);
  TagEditorDialog w(e.form().session(), e.form().EditorLink(), &e.form());
  EXPECT_EQ(ExtraTexts(w), (QStringList{"3/12", "1/2", "ウミベノアサ", "ヤマダハナコ", "ナツノタビ"}));
  EXPECT_EQ(Lines(w.keptFramesList), QStringList{"TIT1:group"});
  // A v2.4 tag's sort frames, and TSOT over the draft's XSOT wherever it stands.
  Editing v24(V23File({{"TSOT", Text0(u"イ")}, {"XSOT", Text0(u"ロ")}}, Audio()), "s.mp3", true);
  TagEditorDialog w2(v24.form().session(), v24.form().EditorLink(), &v24.form());
  EXPECT_EQ(w2.numberAndReadingFields[2]->text(), QStringLiteral("イ"));
  EXPECT_TRUE(Lines(w2.keptFramesList).isEmpty());
}

TEST(TagEditorExtraFields, F9WritesTSOFramesAndKeepsAnUnchangedFrameInItsPlace) {
  Editing e(WithReadings(), "r.mp3", true);
  const RawTag before = ReadRawTag(e.before);
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    w.numberAndReadingFields[1]->setFocus();
    ClearFocused();  // the disc: its frame goes
    Key(Qt::Key_Return);
    ClearFocused();
    Type(QStringLiteral("ウミベ"));
    // The artist's reading (TSP) and the album's (XSOA) stay as loaded; F9 from a new field.
    Key(Qt::Key_F9);
  });
  const RawTag t = ReadRawTagOf(e.path);
  // TRCK unchanged, byte for byte and in its place; the readings under TSO ids in the
  // places of the frames they came from.
  EXPECT_EQ(t.Ids(), (std::vector<std::string>{"TIT2", "TRCK", "TSOP", "TIT1", "TSOA", "TSOT"}));
  EXPECT_TRUE(*t.Find("TRCK") == *before.Find("TRCK"));
  EXPECT_TRUE(BehindTag(vqtest::ReadBytes(e.path)) == BehindTag(e.before));
  const auto tl = vqtest::ReadWithTagLib(e.path);
  EXPECT_EQ(TagLibTexts(tl, "TSOT"), std::vector<std::string>{"ウミベ"});
  EXPECT_EQ(TagLibTexts(tl, "TSOP"), std::vector<std::string>{"ヤマダハナコ"});
  EXPECT_EQ(TagLibTexts(tl, "TSOA"), std::vector<std::string>{"ナツノタビ"});
  EXPECT_EQ(TagLibTexts(tl, "TRCK"), std::vector<std::string>{"3/12"});
  EXPECT_TRUE(TagLibTexts(tl, "TPOS").empty());
  // The table describes the tag as written.
  std::vector<std::u16string> ids;
  for (const auto& [id, text] : Pairs(e.session().v2Frames)) ids.push_back(id);
  EXPECT_EQ(ids, (std::vector<std::u16string>{u"TIT2", u"TRCK", u"TSOP", u"TIT1", u"TSOA", u"TSOT"}));
}

TEST(TagEditorExtraFields, NewValuesGoAfterTheOtherFramesAndF4PutsTheLoadedOnesBack) {
  Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    Type(QStringLiteral("曲"));
    w.numberAndReadingFields[0]->setFocus();
    Type(QStringLiteral("7"));
    w.RunCommand(TagEditorDialog::Command::RestoreLoaded);
    EXPECT_EQ(w.numberAndReadingFields[0]->text(), QString());
    w.numberAndReadingFields[0]->setFocus();
    Type(QStringLiteral("5/9"));
    w.numberAndReadingFields[4]->setFocus();
    Type(QStringLiteral("アルバム"));
    Key(Qt::Key_F9);
  });
  EXPECT_EQ(ReadRawTagOf(e.path).Ids(), (std::vector<std::string>{"TRCK", "TSOA"}));
  const auto tl = vqtest::ReadWithTagLib(e.path);
  EXPECT_EQ(TagLibTexts(tl, "TRCK"), std::vector<std::string>{"5/9"});
  EXPECT_EQ(TagLibTexts(tl, "TSOA"), std::vector<std::string>{"アルバム"});
}
