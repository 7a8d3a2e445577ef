// "タグから名前を変更" ("名前変更(F5)" or F5 in the main window): the preview follows the
// pattern as it is typed, a pattern that cannot be used says why, "開始" renames through
// the pass engine, naming a file it cannot rename, and the main window lists the new
// names with the same file selected; the window's undo button puts the names back.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "support/ui/ui_test_util.h"
#include "windows/passes/rename_dialog.h"
#include "windows/passes/undo_pass_button.h"

using namespace vq;
using namespace vqtest;

namespace {

QStringList PreviewRows(const RenameDialog* w) {
  QStringList out;
  for (int i = 0; i < w->previewList->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = w->previewList->topLevelItem(i);
    out << item->text(0) + QStringLiteral(" → ") + item->text(1);
  }
  return out;
}

void Retype(QLineEdit* box, const QString& text) {
  QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(box, Qt::Key_Delete);
  QTest::keyClicks(box, text);
}

}  // namespace

TEST(RenameWindow, PreviewFollowsThePatternStartRenamesAndTheListingFollows) {
  MainWindowHarness h;
  const std::string album = h.music / "album";
  h.music.CopyFixture("03_v23_utf16_japanese_mutagen_mpeg1_l3_128k.mp3", "album/a.mp3");
  h.music.CopyFixture("09_v23_kid3cli_mpeg1_l3_128k.mp3", "album/b.mp3");
  h.music.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "album/c.mp3");
  const std::string picture = ReadBytes(album + "/a.mp3");
  MainWindow& f = h.Start(album);
  ASSERT_EQ(RowCount(f.fileList), 3);

  bool opened = false;
  std::optional<RenameResult> result;
  ModalDriver drive([&](QDialog* d) {
    auto* w = qobject_cast<RenameDialog*>(d);
    ASSERT_NE(w, nullptr);
    opened = true;
    EXPECT_EQ(w->focusWidget(), w->patternBox);
    EXPECT_EQ(w->patternBox->text(), QStringLiteral("%track% %title%"));
    EXPECT_EQ(PreviewRows(w), (QStringList{QStringLiteral("a.mp3 → 02 日本語の曲名 珈琲.mp3"),
                                           QStringLiteral("b.mp3 → 05 Kid3 タイトル.mp3"),
                                           QStringLiteral("c.mp3 → そのまま: タグに %track% がありません")}));

    // Typed key by key, the preview follows; a field that does not exist says so.
    Retype(w->patternBox, QStringLiteral("%album%/%titel%"));
    EXPECT_TRUE(w->messageLabel->text().contains(QStringLiteral("「%titel%」という項目はありません"))) << Utf8(w->messageLabel->text());
    EXPECT_EQ(w->previewList->topLevelItemCount(), 0);
    EXPECT_FALSE(w->startButton->isEnabled());
    QTest::keyClick(w->patternBox, Qt::Key_Return);  // nothing to start
    EXPECT_TRUE(w->isVisible());

    QTest::keyClick(w->patternBox, Qt::Key_Backspace);
    QTest::keyClick(w->patternBox, Qt::Key_Backspace);
    QTest::keyClick(w->patternBox, Qt::Key_Backspace);
    QTest::keyClicks(w->patternBox, QStringLiteral("le%"));
    EXPECT_EQ(PreviewRows(w), (QStringList{QStringLiteral("a.mp3 → 薔薇のアルバム/日本語の曲名 珈琲.mp3"),
                                           QStringLiteral("b.mp3 → Kid3 Album/Kid3 タイトル.mp3"),
                                           QStringLiteral("c.mp3 → そのまま: タグに %album% がありません")}));
    EXPECT_EQ(w->messageLabel->text(),
              QStringLiteral("名前を変える曲: 2 曲、そのままの曲: 0 曲、タグが足りない曲: 1 曲。"));
    // A file gone since the window read it: named, and the pass goes on.
    std::remove((album + "/b.mp3").c_str());
    QTest::keyClick(w->patternBox, Qt::Key_Return);
    result = w->result();
  });
  SelectRow(f.fileList, 0);  // a.mp3
  QTest::mouseClick(f.renameButton, Qt::LeftButton);
  ASSERT_TRUE(opened);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->renamed, 1u);
  EXPECT_EQ(ReadBytes(album + "/薔薇のアルバム/日本語の曲名 珈琲.mp3"), picture);
  ASSERT_EQ(h.messages.requests.size(), 2u);
  EXPECT_TRUE(h.messages.requests[0].text.contains(QStringLiteral("b.mp3"))) << Utf8(h.messages.requests[0].text);
  EXPECT_EQ(h.messages.requests[1].text,
            QStringLiteral("名前を変更しました。\r\n名前を変えた曲: 1 曲、そのままの曲: 0 曲、タグが足りない曲: 1 曲、"
                           "名前を変えられなかったファイル: 1 個"));
  // The listing shows the new names, the same file selected under its new one.
  EXPECT_EQ(Rows(f.fileList), (QStringList{QStringLiteral("c.mp3"), QStringLiteral("日本語の曲名 珈琲.mp3")}));
  EXPECT_EQ(CurrentRow(f.fileList), 1);
  EXPECT_EQ(f.focusWidget(), f.tagFields[f.lastField]);

  // The window's undo button puts the names back, and the listing follows again.
  h.messages.answers.push_back(ui::MsgAnswer::Yes);
  ModalDriver undo([&](QDialog* d) {
    auto* w = static_cast<RenameDialog*>(d);
    ASSERT_TRUE(w->undoButton->isEnabled());
    QTest::mouseClick(w->undoButton, Qt::LeftButton);
    EXPECT_EQ(PreviewRows(w).size(), 2);  // the names as they are now
    QTest::keyClick(w, Qt::Key_Escape);
  });
  QTest::mouseClick(f.renameButton, Qt::LeftButton);
  EXPECT_TRUE(FileExists(album + "/a.mp3"));
  EXPECT_FALSE(IsFolder(album + "/薔薇のアルバム"));
  EXPECT_EQ(Rows(f.fileList), (QStringList{QStringLiteral("a.mp3"), QStringLiteral("c.mp3")}));
  EXPECT_EQ(CurrentRow(f.fileList), 0);
}

TEST(RenameWindow, KeyboardMouseAndNamesAndTheButtonInFreeSpace) {
  MainWindowHarness h;
  h.music.CopyFixture("03_v23_utf16_japanese_mutagen_mpeg1_l3_128k.mp3", "album/a.mp3");
  MainWindow& f = h.Start(h.music / "album");

  // The button lies in free space: it overlaps none of the window's other controls.
  const QRect place = f.renameButton->geometry();
  for (QWidget* other : f.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (other == f.renameButton || !other->isVisible()) continue;
    EXPECT_FALSE(place.intersects(other->geometry())) << Utf8(other->objectName());
  }
  EXPECT_EQ(f.renameButton->accessibleName(), QStringLiteral("タグから名前を変更(F5)"));

  QStringList order, names;
  bool cancelled = false;
  ModalDriver drive([&](QDialog* d) {
    auto* w = static_cast<RenameDialog*>(d);
    for (QWidget* widget : {static_cast<QWidget*>(w->patternBox), static_cast<QWidget*>(w->previewList),
                            static_cast<QWidget*>(w->startButton), static_cast<QWidget*>(w->cancelButton)}) {
      names << widget->objectName() + QStringLiteral("=") + widget->accessibleName();
    }
    for (int i = 0; i < 4; ++i) {
      order << w->focusWidget()->objectName();
      QTest::keyClick(w->focusWidget(), Qt::Key_Tab);
    }
    QTest::keyClick(w, Qt::Key_Escape);
    cancelled = !w->isVisible() && !w->result();
  });
  Press(f.tagFields[0], Qt::Key_F5);
  EXPECT_EQ(order, (QStringList{"patternBox", "previewList", "startButton", "cancelButton"}));
  EXPECT_EQ(names, (QStringList{QStringLiteral("patternBox=名前のパターン"), QStringLiteral("previewList=今の名前 → 新しい名前"),
                                QStringLiteral("startButton=開始"), QStringLiteral("cancelButton=キャンセル")}));
  EXPECT_TRUE(cancelled);
}

TEST(RenameWindow, ThePatternLabelsMnemonic) {
  TempDir dir;
  dir.CopyFixture("03_v23_utf16_japanese_mutagen_mpeg1_l3_128k.mp3", "a.mp3");
  Session session;
  session.folder = dir.path();
  session.rows = ListOwnFiles(dir.path());
  RenameDialog w(session);
  w.show();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  w.previewList->setFocus();
  QTest::keyClick(&w, Qt::Key_P, Qt::AltModifier);
  EXPECT_EQ(w.focusWidget(), w.patternBox);
}
