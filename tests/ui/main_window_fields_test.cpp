// The main window's six tag fields with real key and focus events: the whole text
// selected on entry, the byte limits and the beep on leaving, Enter through the fields,
// and Up, Down, Page Up and Page Down moving the file list.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QContextMenuEvent>
#include <QTest>
#include <cstdio>

#include "widgets/dialogs.h"
#include "support/ui/ui_test_util.h"
#include "windows/viewer/reference_viewer.h"

using vq::ui::Dialogs;
using vqtest::CurrentRow;
using vqtest::RowCount;
using vqtest::RowText;
using vqtest::SelectRow;
using vqtest::MainWindowHarness;
using vqtest::Rows;
using vqtest::Utf8;

namespace {

QString Str(const char16_t* s) { return QString::fromUtf16(s); }

// Puts text into a field as typed: the field gets the focus (its text selected), then
// the characters arrive as key events.
void Type(QLineEdit* field, const QString& text) {
  field->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), field);
  field->selectAll();
  for (QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClick(field, c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
  ASSERT_EQ(field->text(), text);
}

// Moves on from a field with Enter, which runs its leaving behaviour.
void Leave(QLineEdit* field) { QTest::keyClick(field, Qt::Key_Return); }

// One file without tags, listed in file-name mode and selected.
struct PlainFile {
  MainWindowHarness h;
  PlainFile() {
    h.music.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "plain.mp3");
    h.WritePathDat({"1"});
    h.Start();
  }
  vq::MainWindow& form() { return *h.form; }
};

// A folder of `count` small MP3 files, listed in file-name mode.
struct ListOf {
  MainWindowHarness h;
  explicit ListOf(int count) {
    for (int i = 0; i < count; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "f%03d.mp3", i);
      h.music.CopyFixture("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3", name);
    }
    h.WritePathDat({"1"});
    h.Start();
  }
  vq::MainWindow& f() { return *h.form; }
};

// A year of five digits, over its limit, with the user's own selection "024" inside
// it; lastField names another field, so a focus gain would show.
void SelectInsideTheYear(vq::MainWindow& f) {
  Type(f.tagFields[4], "20245");
  QTest::keyClick(f.tagFields[4], Qt::Key_Home);
  QTest::keyClick(f.tagFields[4], Qt::Key_Right);
  for (int i = 0; i < 3; ++i) QTest::keyClick(f.tagFields[4], Qt::Key_Right, Qt::ShiftModifier);
  ASSERT_EQ(f.tagFields[4]->selectedText(), "024");
  f.lastField = 2;
}

int TopRow(const QAbstractItemView* list) { return list->indexAt(list->viewport()->rect().topLeft()).row(); }

}  // namespace

// ---------------------------------------------------------------- focus

TEST(MainWindowFields, EnterWalksTheSixFieldsSelectingEachWholeText) {
  ListOf t(1);  // a file whose ID3v1 fields all hold text
  auto& f = t.f();
  ASSERT_EQ(QApplication::focusWidget(), f.tagFields[0]);
  EXPECT_EQ(f.lastField, 0);
  EXPECT_EQ(f.tagFields[0]->selectedText(), "V1 Title");

  const QString texts[] = {"V1 Title", "V1 Artist", "V1 Album", "v1 comment", "1998", "17"};
  for (int i = 1; i <= 6; ++i) {
    const int next = i % 6;
    // Shift does not change what Enter does.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, i == 3 ? Qt::ShiftModifier : Qt::NoModifier);
    ASSERT_EQ(QApplication::focusWidget(), f.tagFields[next]) << "after field " << i - 1;
    EXPECT_EQ(f.lastField, next);
    EXPECT_EQ(f.tagFields[next]->selectedText(), texts[next]);
  }
  // After the genre field came the title field; typing replaces the selected text.
  QTest::keyClicks(f.tagFields[0], "New");
  EXPECT_EQ(f.tagFields[0]->text(), "New");

  // A field left shows its beginning: the caret is at the start, nothing selected.
  Leave(f.tagFields[0]);
  EXPECT_EQ(f.tagFields[0]->cursorPosition(), 0);
  EXPECT_FALSE(f.tagFields[0]->hasSelectedText());

  // Tab (not handled by the fields) moves on too, and the field reached is the last one.
  QTest::keyClick(f.tagFields[1], Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), f.tagFields[2]);
  EXPECT_EQ(f.lastField, 2);
}

// ---------------------------------------------------------------- byte limits

TEST(MainWindowFields, LeavingAFieldCutsItToItsByteLimitWithABeep) {
  PlainFile p;
  auto& f = p.form();
  const QString x29(29, QChar('x'));

  const struct {
    int field;
    QString typed, kept;
    bool beep;
  } cases[] = {
      {0, x29 + "yz", x29 + "y", true},                                       // 31 single-byte -> 30
      {0, x29 + "y", x29 + "y", false},                                       // exactly 30: unchanged
      {0, x29 + Str(u"曲"), x29, true},                                       // 29 + a double-byte: 29
      {1, Str(u"一二三四五六七八九十壱弐参肆伍"), Str(u"一二三四五六七八九十壱弐参肆伍"), false},  // 15 x 2 bytes
      {1, Str(u"一二三四五六七八九十壱弐参肆伍六"), Str(u"一二三四五六七八九十壱弐参肆伍"), true},
      {2, QString(30, QChar(u'ｱ')) + Str(u"ｲ"), QString(30, QChar(u'ｱ')), true},  // half-width katakana: 1 byte
      {3, QString(31, QChar('c')), QString(30, QChar('c')), true},
      {4, "20245", "2024", true},
      {4, "1999", "1999", false},
      {5, "1234", "123", true},
      {5, "12", "12", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.typed));
    Type(f.tagFields[c.field], c.typed);
    Dialogs::ResetBeepCount();
    Leave(f.tagFields[c.field]);
    EXPECT_EQ(f.tagFields[c.field]->text(), c.kept);
    EXPECT_EQ(Dialogs::BeepCount(), c.beep ? 1 : 0);
    EXPECT_EQ(f.tagFields[c.field]->cursorPosition(), 0);
  }
}

TEST(MainWindowFields, TheLimitIsTheFieldsOwnByteLimit) {
  PlainFile p;
  auto& f = p.form();
  const int limits[] = {30, 30, 30, 30, 4, 3};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(f.fieldByteLimits[i], limits[i]);

  // A field without a limit is not cut.
  f.fieldByteLimits[3] = 0;
  Type(f.tagFields[3], QString(40, QChar('c')));
  Dialogs::ResetBeepCount();
  Leave(f.tagFields[3]);
  EXPECT_EQ(f.tagFields[3]->text().size(), 40);
  EXPECT_EQ(Dialogs::BeepCount(), 0);
  f.fieldByteLimits[3] = 5;
  Type(f.tagFields[3], "abcdefg");
  Leave(f.tagFields[3]);
  EXPECT_EQ(f.tagFields[3]->text(), "abcde");
}

TEST(MainWindowFields, ACutKeepsTheCaretWhereItWasWhenItStillFits) {
  PlainFile p;
  auto& f = p.form();
  Type(f.tagFields[4], "20245");
  QTest::keyClick(f.tagFields[4], Qt::Key_Home);
  QTest::keyClick(f.tagFields[4], Qt::Key_Right);
  f.LimitFieldBytes(4);
  EXPECT_EQ(f.tagFields[4]->text(), "2024");
  EXPECT_EQ(f.tagFields[4]->cursorPosition(), 1);
  Type(f.tagFields[4], "20245");  // caret at the end: clamped to the new length
  f.LimitFieldBytes(4);
  EXPECT_EQ(f.tagFields[4]->cursorPosition(), 4);
}

TEST(MainWindowFields, AContextMenuOverAFieldIsNoChangeOfField) {
  PlainFile p;
  auto& f = p.form();
  SelectInsideTheYear(f);

  Dialogs::ResetBeepCount();
  QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, f.tagFields[4]->rect().center());
  QApplication::sendEvent(f.tagFields[4], &menuKey);
  QWidget* menu = QApplication::activePopupWidget();
  ASSERT_NE(menu, nullptr);
  // While the menu is open the field keeps its text and selection, for Copy and Cut.
  EXPECT_EQ(f.tagFields[4]->text(), "20245");
  EXPECT_EQ(f.tagFields[4]->selectedText(), "024");
  QTest::keyClick(menu, Qt::Key_Escape);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  EXPECT_EQ(QApplication::focusWidget(), f.tagFields[4]);
  EXPECT_EQ(f.tagFields[4]->selectedText(), "024");
  EXPECT_EQ(Dialogs::BeepCount(), 0);
  EXPECT_EQ(f.lastField, 2);  // no focus gain was seen
  // Leaving the field for real still holds it to its limit.
  Leave(f.tagFields[4]);
  EXPECT_EQ(f.tagFields[4]->text(), "2024");
}

// Switching to the reference viewer and back is no change of field: the field is not
// cut (no beep) when the window loses the activation, and coming back keeps the user's
// own selection instead of selecting the whole text.
TEST(MainWindowFields, AChangeOfActiveWindowIsNoChangeOfField) {
  PlainFile p;
  auto& f = p.form();
  SelectInsideTheYear(f);
  Dialogs::ResetBeepCount();

  f.viewer().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f.viewer()));
  EXPECT_EQ(f.tagFields[4]->text(), "20245");
  EXPECT_EQ(Dialogs::BeepCount(), 0);

  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  EXPECT_EQ(QApplication::focusWidget(), f.tagFields[4]);
  EXPECT_EQ(f.tagFields[4]->selectedText(), "024");
  EXPECT_EQ(f.lastField, 2);  // no focus gain was seen
  Leave(f.tagFields[4]);
  EXPECT_EQ(f.tagFields[4]->text(), "2024");
  EXPECT_EQ(Dialogs::BeepCount(), 1);
}

// The focus moved to another field while the window was inactive (a selection made
// before the window manager activates the window at start-up) is a change of field:
// coming back, that field's whole text is selected.
TEST(MainWindowFields, AFieldGivenTheFocusWhileInactiveIsEnteredOnActivation) {
  PlainFile p;
  auto& f = p.form();
  Type(f.tagFields[1], "artist");
  QTest::keyClick(f.tagFields[1], Qt::Key_End);
  f.viewer().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f.viewer()));
  f.tagFields[3]->setText("comment");
  f.tagFields[3]->setFocus();
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  ASSERT_EQ(QApplication::focusWidget(), f.tagFields[3]);
  EXPECT_EQ(f.tagFields[3]->selectedText(), "comment");
  EXPECT_EQ(f.lastField, 3);
}

// A click that gives a field the focus selects its whole text, as Tab and Enter do, so
// typing replaces it; a click in the field that has the focus places the caret.
TEST(MainWindowFields, AClickIntoAFieldSelectsItsWholeText) {
  ListOf t(1);  // a file whose ID3v1 fields all hold text
  auto& f = t.f();
  ASSERT_EQ(QApplication::focusWidget(), f.tagFields[0]);
  QLineEdit* artist = f.tagFields[1];
  ASSERT_EQ(artist->text(), "V1 Artist");
  const QPoint nearTheStart(4, artist->height() / 2);
  QTest::mouseClick(artist, Qt::LeftButton, {}, nearTheStart);
  ASSERT_EQ(QApplication::focusWidget(), artist);
  EXPECT_EQ(artist->selectedText(), "V1 Artist");
  EXPECT_EQ(f.lastField, 1);
  QTest::mouseClick(artist, Qt::LeftButton, {}, nearTheStart);
  EXPECT_FALSE(artist->hasSelectedText());
  EXPECT_EQ(artist->cursorPosition(), 0);
}

// ---------------------------------------------------------------- list keys

TEST(MainWindowFields, PageKeysMoveTheListBy18Rows) {
  ListOf t(10);
  auto& f = t.f();
  ASSERT_EQ(RowCount(f.fileList), 10);
  ASSERT_EQ(CurrentRow(f.fileList), 0);
  QTest::keyClick(f.tagFields[2], Qt::Key_PageDown);
  EXPECT_EQ(CurrentRow(f.fileList), 9);
  EXPECT_EQ(f.fileInfoText(2), RowText(f.fileList, 9));  // the new row's file is shown
  EXPECT_EQ(QApplication::focusWidget(), f.tagFields[0]);

  SelectRow(f.fileList, 5);
  QTest::keyClick(f.tagFields[0], Qt::Key_PageUp);
  EXPECT_EQ(CurrentRow(f.fileList), 0);
  EXPECT_EQ(f.positionLabel->text(), Str(u"1/10 曲"));
}

TEST(MainWindowFields, PageDownIn100RowsPutsTheSelectionAtTheTop) {
  ListOf t(100);
  auto& f = t.f();
  ASSERT_EQ(RowCount(f.fileList), 100);
  SelectRow(f.fileList, 2);
  QTest::keyClick(f.tagFields[0], Qt::Key_PageDown);
  EXPECT_EQ(CurrentRow(f.fileList), 20);
  EXPECT_EQ(TopRow(f.fileList), 20);
  QTest::keyClick(f.tagFields[0], Qt::Key_PageDown);
  EXPECT_EQ(CurrentRow(f.fileList), 38);
  EXPECT_EQ(TopRow(f.fileList), 38);

  // Page Up: 38 -> 20 -> 2 -> 0; the selection stays visible.
  for (int expected : {20, 2, 0}) {
    QTest::keyClick(f.tagFields[0], Qt::Key_PageUp);
    EXPECT_EQ(CurrentRow(f.fileList), expected);
    EXPECT_LE(TopRow(f.fileList), expected);
  }
  // From near the end Page Down stops at the last row.
  SelectRow(f.fileList, 95);
  QTest::keyClick(f.tagFields[0], Qt::Key_PageDown);
  EXPECT_EQ(CurrentRow(f.fileList), 99);
}

TEST(MainWindowFields, UpAndDownStopAtTheEndsWithoutRereadingTheFile) {
  ListOf t(3);
  auto& f = t.f();
  ASSERT_EQ(CurrentRow(f.fileList), 0);
  // An edit shows whether the file was read again.
  Type(f.tagFields[1], "edited");
  QTest::keyClick(f.tagFields[1], Qt::Key_Up);
  EXPECT_EQ(CurrentRow(f.fileList), 0);
  EXPECT_EQ(f.tagFields[1]->text(), "edited");
  EXPECT_EQ(QApplication::focusWidget(), f.tagFields[1]);
  QTest::keyClick(f.tagFields[1], Qt::Key_PageUp);  // already at the first row
  EXPECT_EQ(f.tagFields[1]->text(), "edited");

  QTest::keyClick(f.tagFields[1], Qt::Key_Down);
  EXPECT_EQ(CurrentRow(f.fileList), 1);
  EXPECT_EQ(f.fileInfoText(2), RowText(f.fileList, 1));
  EXPECT_EQ(f.tagFields[1]->text(), "V1 Artist");
  EXPECT_EQ(QApplication::focusWidget(), f.tagFields[0]);
  QTest::keyClick(f.tagFields[0], Qt::Key_Down);
  ASSERT_EQ(CurrentRow(f.fileList), 2);

  Type(f.tagFields[2], "edited");
  QTest::keyClick(f.tagFields[2], Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(CurrentRow(f.fileList), 2);
  EXPECT_EQ(f.tagFields[2]->text(), "edited");
  QTest::keyClick(f.tagFields[2], Qt::Key_Up);
  EXPECT_EQ(CurrentRow(f.fileList), 1);
}

TEST(MainWindowFields, ListKeysOnAnEmptyListChangeNothing) {
  MainWindowHarness h;
  h.WritePathDat({"1"});
  auto& f = h.Start();
  ASSERT_EQ(RowCount(f.fileList), 0);
  Type(f.tagFields[0], "kept");
  for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown}) {
    QTest::keyClick(f.tagFields[0], key);
    EXPECT_EQ(CurrentRow(f.fileList), -1);
    EXPECT_EQ(f.tagFields[0]->text(), "kept");
  }
  EXPECT_TRUE(h.messages.requests.empty());
}
