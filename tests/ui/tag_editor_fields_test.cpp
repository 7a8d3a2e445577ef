// The ID3v2 editor's fields while the user types: the caret on entering, line breaks
// with Shift+Enter, the clean-up on leaving, Enter letting pending events run, and the
// function keys.
#include <QPushButton>

#include "tag_editor_test_support.h"

using namespace vq;
using namespace editortest;
using vqtest::ReadBytes;
using vqtest::ReadWithTagLib;

namespace {

QPlainTextEdit* Box(TagEditorDialog& w, int k) { return static_cast<QPlainTextEdit*>(w.tagFields[k]); }
QLineEdit* Line(TagEditorDialog& w, int k) { return static_cast<QLineEdit*>(w.tagFields[k]); }

}  // namespace

TEST(TagEditorFields, EnteringAFieldPutsTheCaretAfterItsTextWithNothingSelected) {
  Editing e("12_v23_sjis_enc0_handmade_mpeg1_l3_32k.mp3");
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    // The file has no composer: give it one, and leave its caret at the start.
    w.tagFields[3]->setFocus();
    Type(QStringLiteral("作曲者"));
    Key(Qt::Key_Home);
    w.tagFields[0]->setFocus();
    // By Tab (a single-line box would select its whole text), by Enter and by mouse.
    for (int k = 1; k < 7; ++k) {
      Key(Qt::Key_Tab);
      ASSERT_EQ(QApplication::focusWidget(), w.tagFields[k]);
      const int length = static_cast<int>(w.fieldText(k).size());
      ASSERT_GT(length, 0) << k;
      if (k < 5) {
        EXPECT_EQ(Box(w, k)->textCursor().position(), length) << k;
        EXPECT_FALSE(Box(w, k)->textCursor().hasSelection()) << k;
      } else {
        EXPECT_EQ(Line(w, k)->cursorPosition(), length) << k;
        EXPECT_FALSE(Line(w, k)->hasSelectedText()) << k;
      }
    }
    Key(Qt::Key_Return);  // from the genre field to the title
    ASSERT_EQ(QApplication::focusWidget(), w.tagFields[0]);
    EXPECT_EQ(Box(w, 0)->textCursor().position(), w.fieldText(0).size());
    // Typing adds to the text instead of replacing it.
    Type(QStringLiteral("!"));
    EXPECT_EQ(w.fieldText(0), QStringLiteral("Title!"));
    Key(Qt::Key_F12);
  });
}

TEST(TagEditorFields, ShiftEnterBreaksTheLineInTheCommentButNotInTheYear) {
  Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    w.tagFields[4]->setFocus();
    Type(QStringLiteral("abcd"));
    Key(Qt::Key_Left);
    Key(Qt::Key_Left, Qt::ShiftModifier);  // "c" selected
    Key(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(w.fieldText(4), QStringLiteral("ab\r\nd"));
    EXPECT_EQ(Shown(w, 4), QStringLiteral("ab\nd"));
    // Enter with another modifier does nothing, and the focus stays.
    Key(Qt::Key_Return, Qt::ControlModifier);
    Key(Qt::Key_Return, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(w.fieldText(4), QStringLiteral("ab\r\nd"));
    EXPECT_EQ(QApplication::focusWidget(), w.tagFields[4]);

    Key(Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), w.tagFields[5]);
    Type(QStringLiteral("19"));
    Key(Qt::Key_Return, Qt::ShiftModifier);
    Type(QStringLiteral("99"));
    EXPECT_EQ(w.fieldText(5), QStringLiteral("1999"));
    EXPECT_EQ(QApplication::focusWidget(), w.tagFields[5]);
    Key(Qt::Key_F12);
  });
}

TEST(TagEditorFields, LeavingAFieldRemovesLineBreaksAtBothEndsOnly) {
  Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    w.tagFields[4]->setFocus();
    Key(Qt::Key_Return, Qt::ShiftModifier);
    Type(QStringLiteral("word"));
    Key(Qt::Key_Return, Qt::ShiftModifier);
    Key(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(w.fieldText(4), QStringLiteral("\r\nword\r\n\r\n"));
    Key(Qt::Key_Return);
    EXPECT_EQ(w.fieldText(4), QStringLiteral("word"));

    // A line break between two words stays; leaving by Tab cleans too.
    w.tagFields[2]->setFocus();
    Key(Qt::Key_Return, Qt::ShiftModifier);
    Key(Qt::Key_Return, Qt::ShiftModifier);
    Type(QStringLiteral("one"));
    Key(Qt::Key_Return, Qt::ShiftModifier);
    Type(QStringLiteral("two"));
    Key(Qt::Key_Return, Qt::ShiftModifier);
    Key(Qt::Key_Tab);
    EXPECT_EQ(w.fieldText(2), QStringLiteral("one\r\ntwo"));
    EXPECT_EQ(Shown(w, 2), QStringLiteral("one\ntwo"));

    // F9 cleans the field it is pressed in before the write.
    w.tagFields[0]->setFocus();
    Type(QStringLiteral("title"));
    Key(Qt::Key_Return, Qt::ShiftModifier);
    Key(Qt::Key_F9);
  });
  const auto tl = ReadWithTagLib(e.path);
  EXPECT_EQ(TagLibTexts(tl, "TIT2"), std::vector<std::string>{"title"});
  EXPECT_EQ(TagLibTexts(tl, "TPE1"), std::vector<std::string>{"one\r\ntwo"});
  EXPECT_EQ(TagLibTexts(tl, "COMM"), std::vector<std::string>{"word"});
}

TEST(TagEditorFields, LoadedLineBreaksAreKeptExactlyUntilTheUserEditsAndCrLfAtTheEndsGoes) {
  const std::string audio = ReadBytes(vqtest::DataPath("14_notag_lame_mpeg1_l3_128k.mp3"));
  Editing e(V23File({{"TIT2", std::string("\0a\nb", 4)},
                     {"TALB", std::string("\0\r\n\r\nalbum\r\n", 12)},
                     {"TPE1", std::string("\0x\ry", 4)}},
                    audio),
            "breaks.mp3", true);
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    // Lone LF and CR show as line breaks and read back as they were.
    EXPECT_EQ(Shown(w, 0), QStringLiteral("a\nb"));
    EXPECT_EQ(w.fieldText(0), QStringLiteral("a\nb"));
    EXPECT_EQ(w.fieldText(1), QStringLiteral("\r\n\r\nalbum\r\n"));
    Key(Qt::Key_Return);  // title: no CR LF pair, unchanged
    EXPECT_EQ(w.fieldText(0), QStringLiteral("a\nb"));
    Key(Qt::Key_Return);  // album: both ends cleaned
    EXPECT_EQ(w.fieldText(1), QStringLiteral("album"));
    ASSERT_EQ(QApplication::focusWidget(), w.tagFields[2]);
    EXPECT_EQ(w.fieldText(2), QStringLiteral("x\ry"));
    // Once edited, every line break of the field reads as CR LF.
    Type(QStringLiteral("z"));
    EXPECT_EQ(w.fieldText(2), QStringLiteral("x\r\nyz"));
    Key(Qt::Key_F9);
  });
  const RawTag t = ReadRawTagOf(e.path);
  EXPECT_TRUE(t.Find("TIT2")->flagsAndBody == std::string("\0\0\0a\nb", 6));
  EXPECT_TRUE(t.Find("TALB")->flagsAndBody == std::string("\0\0\0album", 8));
  EXPECT_TRUE(t.Find("TPE1")->flagsAndBody == std::string("\0\0\0x\r\nyz", 8));
}

TEST(TagEditorFields, EnterLetsPendingEventsRunBeforeTheFocusMovesOrTheLineBreaks) {
  Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    QWidget* focusSeen = nullptr;
    QMetaObject::invokeMethod(
        &w, [&] { focusSeen = QApplication::focusWidget(); }, Qt::QueuedConnection);
    Key(Qt::Key_Return);
    EXPECT_EQ(focusSeen, w.tagFields[0]);
    EXPECT_EQ(QApplication::focusWidget(), w.tagFields[1]);

    w.tagFields[4]->setFocus();
    Type(QStringLiteral("x"));
    QString textSeen = QStringLiteral("<not run>");
    QMetaObject::invokeMethod(
        &w, [&] { textSeen = w.fieldText(4); }, Qt::QueuedConnection);
    Key(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(textSeen, QStringLiteral("x"));
    EXPECT_EQ(w.fieldText(4), QStringLiteral("x\r\n"));
    Key(Qt::Key_F12);
  });
}

TEST(TagEditorFields, FunctionKeysReachTheCommandsFromEveryField) {
  Editing e("14_notag_lame_mpeg1_l3_128k.mp3");
  for (int k = 0; k < 7; ++k) {
    SCOPED_TRACE(k);
    int result = RunEditor(e.form(), [&](TagEditorDialog& w) {
      w.tagFields[k]->setFocus();
      Key(Qt::Key_F7);
      EXPECT_EQ(w.fieldText(0), QStringLiteral("01 曲"));
      EXPECT_EQ(QApplication::focusWidget(), w.tagFields[0]);
      w.tagFields[k]->setFocus();
      Key(Qt::Key_F12);
      EXPECT_FALSE(w.isVisible());
    });
    EXPECT_EQ(result, QDialog::Rejected);
  }
  EXPECT_TRUE(ReadBytes(e.path) == e.before);

  // F8 from the genre field, then F9 from the year field.
  e.form().tagFields[0]->setText(QStringLiteral("From v1"));
  int result = RunEditor(e.form(), [&](TagEditorDialog& w) {
    w.tagFields[6]->setFocus();
    Key(Qt::Key_F8);
    EXPECT_EQ(w.fieldText(0), QStringLiteral("From v1"));
    w.tagFields[5]->setFocus();
    Key(Qt::Key_F9);
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(TagLibTexts(ReadWithTagLib(e.path), "TIT2"), std::vector<std::string>{"From v1"});
}

// A click that gives a field the focus puts the caret after its text, as entering it
// does; a click in the field that has the focus places the caret where it clicks.
TEST(TagEditorFields, AClickIntoAFieldPutsTheCaretAtTheEnd) {
  Editing e("12_v23_sjis_enc0_handmade_mpeg1_l3_32k.mp3");
  RunEditor(e.form(), [&](TagEditorDialog& w) {
    for (int k : {2, 6}) {
      SCOPED_TRACE(k);
      QWidget* target = k < 5 ? Box(w, k)->viewport() : w.tagFields[k];
      const QPoint nearTheStart(4, target->height() / 2);
      QTest::mouseClick(target, Qt::LeftButton, {}, nearTheStart);
      ASSERT_EQ(QApplication::focusWidget(), w.tagFields[k]);
      const int length = static_cast<int>(w.fieldText(k).size());
      ASSERT_GT(length, 1);
      const int caret = k < 5 ? Box(w, k)->textCursor().position() : Line(w, k)->cursorPosition();
      EXPECT_EQ(caret, length);
      // The field has the focus now: the next click places the caret.
      QTest::mouseClick(target, Qt::LeftButton, {}, nearTheStart);
      const int placed = k < 5 ? Box(w, k)->textCursor().position() : Line(w, k)->cursorPosition();
      EXPECT_EQ(placed, 0);
    }
    Key(Qt::Key_F12);
  });
}
