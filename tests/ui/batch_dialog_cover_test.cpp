// "表紙を埋め込む" in the automatic-processing window: reached by Tab and Alt+C, named for
// screen readers, below the design's controls and the naming options; the pass embeds each album folder's
// cover as it tags, says which folders had none, and the window's undo takes it out.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "support/ui/test_images.h"
#include "support/ui/ui_test_util.h"
#include "widgets/dialogs.h"
#include "widgets/folder_list.h"
#include "widgets/twips.h"
#include "windows/passes/batch_dialog.h"
#include "windows/passes/batch_naming_panel.h"
#include "windows/passes/undo_pass_button.h"

using namespace vq;
using namespace vqtest;

TEST(BatchDialogCover, TheCheckBoxEmbedsEachAlbumsCoverAsTheBatchTags) {
  TempDir state;
  ScopedEnv journals("XDG_STATE_HOME", state.path().c_str());
  MainWindowHarness h;
  const std::string artist = h.music.MakeDir("歌手");
  const std::string jpeg = JpegBytes(320, 320);
  WriteBytes(h.music / "歌手/アルバム/cover.jpg", jpeg);
  const std::string covered = h.music.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "歌手/アルバム/01 朝.mp3");
  const std::string bare = h.music.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "歌手/ライブ/02 夜.mp3");
  h.Start(h.music.path());
  h.form->folderTree->setPath(artist);
  MainWindow& f = *h.form;
  ASSERT_EQ(RowCount(f.fileList), 2);

  bool checkedAtFirst = true;
  {
    ModalDriver driver([&](QDialog* d) {
      auto& w = *qobject_cast<BatchDialog*>(d);
      checkedAtFirst = w.coverBox->isChecked();
      EXPECT_EQ(w.coverBox->accessibleName(), QStringLiteral("表紙を埋め込む"));
      // In the row the window grew by, below every other control.
      EXPECT_GE(w.coverBox->geometry().top(), w.namingPanel->geometry().bottom());
      EXPECT_LE(w.coverBox->geometry().bottom(), w.height());
      // The window the keys go to, once what the main window had pending has run.
      QCoreApplication::processEvents();
      d->activateWindow();
      QTRY_VERIFY(QApplication::activeWindow() == d);
      // Tab order: after the naming pattern, the last of the options above it; Alt+C checks
      // it from anywhere in the window (a mnemonic clicks its button as a mouse would, a
      // moment later).
      w.namingPanel->patternBox->setFocus();
      QTest::keyClick(w.namingPanel->patternBox, Qt::Key_Tab);
      EXPECT_EQ(QApplication::focusWidget(), w.coverBox);
      w.commandButtons[0]->setFocus();
      QTest::keyClick(d, Qt::Key_C, Qt::AltModifier);
      QTRY_VERIFY(w.coverBox->isChecked());
      QTest::keyClick(w.commandButtons[0], Qt::Key_Return);
    });
    f.tagFields[0]->setFocus();
    QTest::keyClick(f.tagFields[0], Qt::Key_F10);
  }
  EXPECT_FALSE(checkedAtFirst);

  const TagLibView tl = ReadWithTagLib(covered);
  EXPECT_EQ(tl.texts.find("TIT2")->second, "01 朝");
  ASSERT_EQ(tl.pictureFrames.size(), 1u);
  EXPECT_EQ(tl.pictureFrames[0].type, 3);
  EXPECT_TRUE(tl.pictureFrames[0].data == jpeg);
  EXPECT_TRUE(ReadWithTagLib(bare).pictureFrames.empty());
  ASSERT_EQ(h.messages.requests.size(), 1u);
  EXPECT_EQ(h.messages.requests[0].text,
            QString::fromStdString("表紙を埋め込めなかったフォルダがあります。\r\n表紙の画像がありません: " + h.music / "歌手/ライブ/"));

  // The window's undo takes the cover out with the names.
  h.messages.yesNoDefault = ui::MsgAnswer::Yes;
  ModalDriver driver([&](QDialog* d) {
    qobject_cast<BatchDialog*>(d)->undoButton->click();
    QTest::keyClick(d, Qt::Key_Escape);
  });
  f.tagFields[0]->setFocus();
  QTest::keyClick(f.tagFields[0], Qt::Key_F10);
  EXPECT_TRUE(ReadBytes(covered) == ReadBytes(DataPath("14_notag_lame_mpeg1_l3_128k.mp3")));
}
