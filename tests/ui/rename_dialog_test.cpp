// "タグから名前を変更" ("名前変更(F5)" or F5 in the main window): the preview follows the
// pattern as it is typed, a pattern that cannot be used says why, "開始" returns the
// plan and renames nothing yet.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "support/ui/ui_test_util.h"
#include "windows/passes/rename_dialog.h"

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

TEST(RenameWindow, PreviewFollowsThePatternAndStartReturnsThePlan) {
  MainWindowHarness h;
  const std::string album = h.music / "album";
  h.music.CopyFixture("03_v23_utf16_japanese_mutagen_mpeg1_l3_128k.mp3", "album/a.mp3");
  h.music.CopyFixture("09_v23_kid3cli_mpeg1_l3_128k.mp3", "album/b.mp3");
  h.music.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "album/c.mp3");
  MainWindow& f = h.Start(album);
  ASSERT_EQ(RowCount(f.fileList), 3);

  bool opened = false;
  std::optional<RenamePlan> result;
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
    QTest::keyClick(w->patternBox, Qt::Key_Return);
    result = w->result();
  });
  QTest::mouseClick(f.renameButton, Qt::LeftButton);
  ASSERT_TRUE(opened);
  ASSERT_TRUE(result);
  ASSERT_EQ(result->items.size(), 3u);
  EXPECT_EQ(result->items[0].newPath, album + "/薔薇のアルバム/日本語の曲名 珈琲.mp3");
  // Nothing is renamed in this window yet.
  EXPECT_TRUE(FileExists(album + "/a.mp3"));
  EXPECT_FALSE(IsFolder(album + "/薔薇のアルバム"));
  EXPECT_EQ(f.focusWidget(), f.tagFields[f.lastField]);
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
