// The automatic-processing window on a real tree: placement, the pass with its progress,
// failures, and "新規作成のみ行う" kept between openings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <functional>
#include <sys/stat.h>

#include "windows/passes/batch_dialog.h"
#include "windows/passes/batch_naming_panel.h"
#include "windows/passes/undo_pass_button.h"
#include "formats/bytesource.h"
#include "formats/id3v1.h"
#include "formats/id3v2_reader.h"
#include "widgets/dialogs.h"
#include "widgets/folder_list.h"
#include "widgets/termination.h"
#include "widgets/twips.h"
#include "platform/codepage.h"
#include "support/ui/ui_test_util.h"

using namespace vq;
using namespace vqtest;

namespace {

std::u16string V2Title(const std::string& path) {
  RawFile f(path, RawFile::Mode::Read);
  FileSource src(f);
  V2Header h = ReadV2Header(src);
  V2FrameTable table;
  std::u16string listing;
  WalkV2Frames(src, h.major, h.size, table, listing);
  for (const auto& e : table)
    if (e.id == u"TIT2") return e.text;
  return u"<none>";
}

struct Tree {
  MainWindowHarness h;
  std::string artist;
  std::vector<std::string> files;
  Tree() {
    artist = h.music.MakeDir("歌手");
    files.push_back(h.music.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "歌手/アルバム/01 朝.mp3"));
    files.push_back(h.music.CopyFixture("02_v23_latin1_mutagen_mpeg1_l3_32k.mp3", "歌手/アルバム/02 Noon.mp3"));
    files.push_back(h.music.CopyFixture("10_v23_v1_id3v2tool_mpeg2_l3_64k.mp3", "歌手/Live/03 Night.mp3"));
    h.Start(h.music.path());
    // Open the artist folder as a user does: its files and its subfolders' are listed.
    h.form->folderTree->setPath(artist);
  }
  MainWindow& form() { return *h.form; }
};

}  // namespace

TEST(BatchDialogWindow, EnterOnStartTagsEveryFileAndTheMainWindowShowsTheNewValues) {
  Tree t;
  MainWindow& f = t.form();
  ASSERT_EQ(RowCount(f.fileList), 3);
  f.SelectFile(0);

  BatchDialog w(f.session(), f.BatchLink(), &f);
  EXPECT_EQ(w.windowTitle(), QStringLiteral("自動処理"));
  EXPECT_EQ(w.progressLabel->text(), QStringLiteral("3"));
  EXPECT_TRUE(w.v1Box->isChecked());
  EXPECT_TRUE(w.v2Box->isChecked());
  EXPECT_EQ(w.commandButtons[0]->text(), QStringLiteral("開 始"));
  EXPECT_EQ(w.commandButtons[1]->text(), QStringLiteral("ｷｬﾝｾﾙ"));

  QStringList progress;
  bool buttonsDisabled = true;
  QPoint shownCorner;
  ModalDriver driver([&](QDialog* d) {
    ASSERT_EQ(d, &w);
    // The frame counts once the window is shown; before, frameGeometry() is the client's.
    shownCorner = d->frameGeometry().bottomRight();
    QTest::keyClick(d, Qt::Key_Return);
  });
  // Watch the label and the buttons while the pass yields.
  QTimer watcher;
  watcher.setInterval(0);
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    if (w.running()) {
      buttonsDisabled &= !w.commandButtons[0]->isEnabled() && !w.commandButtons[1]->isEnabled();
      if (progress.isEmpty() || progress.back() != w.progressLabel->text()) progress << w.progressLabel->text();
    }
  });
  watcher.start();
  ui::Dialogs::Exec(&w);
  watcher.stop();
  f.ShowBatchResult(w.result());

  // Its outer bottom-right corner sat on the main window's.
  EXPECT_EQ(shownCorner, f.frameGeometry().bottomRight());
  EXPECT_TRUE(buttonsDisabled);
  EXPECT_EQ(w.progressLabel->text(), QStringLiteral("3 / 3"));
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(t.h.messages.requests.empty());

  EXPECT_EQ(V2Title(t.files[0]), u"01 朝");
  EXPECT_EQ(V2Title(t.files[1]), u"02 Noon");
  EXPECT_EQ(V2Title(t.files[2]), u"03 Night");
  auto tl = ReadWithTagLib(t.files[2]);
  EXPECT_EQ(tl.texts.find("TALB")->second, "Live");
  EXPECT_EQ(tl.texts.find("TPE1")->second, "歌手");
  EXPECT_EQ(tl.v1Album, "Live");

  // The main window read the selected file again.
  EXPECT_EQ(CurrentRow(f.fileList), 0);
  QString name = RowText(f.fileList, 0);
  EXPECT_EQ(f.tagFields[0]->text(), name.left(name.size() - 4));
  EXPECT_EQ(f.tagFields[1]->text(), QStringLiteral("歌手"));
  EXPECT_EQ(f.tagFields[2]->text(), name.startsWith(QStringLiteral("03")) ? QStringLiteral("Live") : QStringLiteral("アルバム"));
}

TEST(BatchDialogWindow, AReadOnlyFileStopsThePassWithTheUpdateError) {
  Tree t;
  MainWindow& f = t.form();
  ::chmod(t.files[1].c_str(), 0444);
  // Rows come in the folder's own order: find the read-only one.
  int readOnlyRow = -1;
  std::vector<std::string> rowFiles;
  for (int i = 0; i < RowCount(f.fileList); ++i) {
    std::string name = Utf8(RowText(f.fileList, i));
    for (const auto& p : t.files)
      if (p.size() >= name.size() && p.compare(p.size() - name.size(), name.size(), name) == 0) rowFiles.push_back(p);
    if (name == "02 Noon.mp3") readOnlyRow = i;
  }
  ASSERT_EQ(rowFiles.size(), 3u);
  ASSERT_GE(readOnlyRow, 0);
  std::vector<std::string> before;
  for (const auto& p : rowFiles) before.push_back(ReadBytes(p));
  t.h.messages.Clear();

  BatchDialog w(f.session(), f.BatchLink(), &f);
  w.RunCommand(vq::BatchDialog::Command::Start);
  ASSERT_EQ(t.h.messages.requests.size(), 1u);
  const auto& m = t.h.messages.requests[0];
  EXPECT_EQ(m.caption, QStringLiteral("更新エラー"));
  EXPECT_EQ(m.text, QStringLiteral("ファイルの属性が読み取り専用になっていませんか?\r\n") + Utf8(t.artist) +
                        QStringLiteral("/アルバム/\r\n02 Noon.mp3"));
  // Progress shows the files done before the failure (the count when none was).
  EXPECT_EQ(w.progressLabel->text(), readOnlyRow == 0 ? QStringLiteral("3") : QString::number(readOnlyRow) + QStringLiteral(" / 3"));
  for (int i = 0; i < 3; ++i) {
    bool same = ReadBytes(rowFiles[static_cast<std::size_t>(i)]) == before[static_cast<std::size_t>(i)];
    EXPECT_EQ(same, i >= readOnlyRow) << "row " << i;
  }
}

TEST(BatchDialogWindow, CreateNewOnlyIsKeptAndCancelWritesNothing) {
  Tree t;
  MainWindow& f = t.form();
  std::string before = ReadBytes(t.files[0]);
  {
    BatchDialog w(f.session(), f.BatchLink(), &f);
    EXPECT_FALSE(w.newOnlyBox->isChecked());
    w.newOnlyBox->setChecked(true);
    ModalDriver driver([&](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); });
    ui::Dialogs::Exec(&w);
  }
  EXPECT_TRUE(f.session().createNewOnly);
  EXPECT_EQ(ReadBytes(t.files[0]), before);
  BatchDialog again(f.session(), f.BatchLink(), &f);
  EXPECT_TRUE(again.newOnlyBox->isChecked());
  again.v1Box->setChecked(false);
  again.RunCommand(vq::BatchDialog::Command::Start);
  // Only the missing ID3v2 tag was made; the file with both tags stays as it was.
  EXPECT_EQ(V2Title(t.files[0]), u"01 朝");
  RawFile fl(t.files[0], RawFile::Mode::Read);
  FileSource src(fl);
  EXPECT_FALSE(ReadID3v1(src).has_value());
}

TEST(BatchDialogWindow, F10InATagFieldOpensTheWindowAndEnterStartsThePass) {
  Tree t;
  MainWindow& f = t.form();
  f.SelectFile(0);
  QString shown;
  ModalDriver driver([&](QDialog* d) {
    auto* w = qobject_cast<BatchDialog*>(d);
    ASSERT_NE(w, nullptr);
    QTest::keyClick(d, Qt::Key_Return);
    shown = w->progressLabel->text();
  });
  f.tagFields[0]->setFocus();
  QTest::keyClick(f.tagFields[0], Qt::Key_F10);
  EXPECT_EQ(shown, QStringLiteral("3 / 3"));
  for (const auto& p : t.files) {
    auto tl = ReadWithTagLib(p);
    ASSERT_TRUE(tl.hasV2 && tl.hasV1) << p;
    EXPECT_EQ(tl.texts.find("TPE1")->second, "歌手");
    EXPECT_EQ(tl.v1Artist, "歌手");
  }
  QString name = RowText(f.fileList, CurrentRow(f.fileList));
  EXPECT_EQ(f.tagFields[0]->text(), name.left(name.size() - 4));
}

// After a pass, the window's undo (Alt+U) asks with the folder and count, then puts every
// file back, and the main window shows the selected file as it is again.
TEST(BatchDialogWindow, AltUTakesTheLastPassBackAfterAsking) {
  TempDir state;
  ScopedEnv journals("XDG_STATE_HOME", state.path().c_str());
  Tree t;
  MainWindow& f = t.form();
  f.SelectFile(0);
  std::vector<std::string> before;
  for (const auto& p : t.files) before.push_back(ReadBytes(p));
  const QString shownTitle = f.tagFields[0]->text();
  bool undoEnabledBeforePass = true;
  {
    ModalDriver driver([&](QDialog* d) {
      undoEnabledBeforePass = qobject_cast<BatchDialog*>(d)->undoButton->isEnabled();
      QTest::keyClick(d, Qt::Key_Return);
    });
    f.tagFields[0]->setFocus();
    QTest::keyClick(f.tagFields[0], Qt::Key_F10);
  }
  EXPECT_FALSE(undoEnabledBeforePass);
  ASSERT_NE(ReadBytes(t.files[1]), before[1]);

  t.h.messages.yesNoDefault = ui::MsgAnswer::Yes;
  {
    ModalDriver driver([&](QDialog* d) {
      // A mnemonic reaches the active window.
      d->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(d));
      QTest::keyClick(d, Qt::Key_U, Qt::AltModifier);
      // A mnemonic clicks its button as a mouse would, a moment later.
      QTRY_COMPARE(t.h.messages.requests.size(), 2u);
      QTest::keyClick(d, Qt::Key_Escape);
    });
    f.tagFields[0]->setFocus();
    QTest::keyClick(f.tagFields[0], Qt::Key_F10);
  }
  ASSERT_EQ(t.h.messages.requests.size(), 2u);
  const QString question = t.h.messages.requests[0].text;
  EXPECT_TRUE(question.startsWith(QStringLiteral("直前の処理を元に戻しますか?"))) << Utf8(question);
  EXPECT_TRUE(question.contains(QStringLiteral("自動処理  ") + Utf8(t.artist) + QStringLiteral("/  3 曲"))) << Utf8(question);
  EXPECT_EQ(t.h.messages.requests[1].text, QStringLiteral("3 曲を元に戻しました。\r\nそのままにした曲: 0 曲"));
  for (std::size_t i = 0; i < t.files.size(); ++i) EXPECT_EQ(ReadBytes(t.files[i]), before[i]) << t.files[i];
  EXPECT_EQ(f.tagFields[0]->text(), shownTitle);
}

// The close box during the pass ends it after the current file and says so, before
// the main window shows its file again.
TEST(BatchDialogWindow, ClosingTheWindowDuringThePassEndsItAfterTheCurrentFileAndSaysSo) {
  Tree t;
  MainWindow& f = t.form();
  // Row 0 is the file the pass does before it ends.
  f.SelectFile(0);
  const QString titleBefore = f.tagFields[0]->text();
  const QString stem = f.fileInfoText(2).chopped(4);
  ASSERT_NE(titleBefore, stem);
  std::vector<std::string> before;
  for (int i = 0; i < RowCount(f.fileList); ++i) before.push_back(ReadBytes(f.session().FilePath(i)));
  QString titleAtTheMessage = QStringLiteral("<no message>");
  t.h.messages.onMessage = [&](const ui::MessageRequest&) { titleAtTheMessage = f.tagFields[0]->text(); };
  BatchDialog w(f.session(), f.BatchLink(), &f);
  w.show();
  // The close box is used while the pass lets events run after its first file.
  QTimer::singleShot(0, &w, [&] { w.close(); });
  w.RunCommand(vq::BatchDialog::Command::Start);
  f.ShowBatchResult(w.result());
  EXPECT_EQ(w.progressLabel->text(), QStringLiteral("1 / 3"));
  EXPECT_FALSE(w.isVisible());
  ASSERT_EQ(t.h.messages.requests.size(), 1u);
  EXPECT_EQ(t.h.messages.requests[0].text, QString::fromUtf16(u"自動処理を中断しました。\r\n1 / 3 曲を処理しました。"));
  EXPECT_EQ(t.h.messages.requests[0].caption, "Velquist");
  EXPECT_EQ(titleAtTheMessage, titleBefore);
  EXPECT_EQ(f.tagFields[0]->text(), stem);
  int changed = 0;
  for (int i = 0; i < RowCount(f.fileList); ++i) changed += ReadBytes(f.session().FilePath(i)) != before[static_cast<std::size_t>(i)];
  EXPECT_EQ(changed, 1);
  EXPECT_NE(ReadBytes(f.session().FilePath(0)), before[0]);
}

// "ｷｬﾝｾﾙ" is disabled while the pass runs, and so is its key: Esc stops nothing.
TEST(BatchDialogWindow, EscDuringThePassDoesNothing) {
  Tree t;
  MainWindow& f = t.form();
  BatchDialog w(f.session(), f.BatchLink(), &f);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  int escapes = 0;
  std::function<void()> pressEsc = [&] {
    if (!w.running()) return;
    QTest::keyClick(&w, Qt::Key_Escape);
    ++escapes;
    QTimer::singleShot(0, &w, pressEsc);
  };
  QTimer::singleShot(0, &w, pressEsc);
  w.RunCommand(vq::BatchDialog::Command::Start);
  EXPECT_GE(escapes, 1);
  EXPECT_EQ(w.progressLabel->text(), QStringLiteral("3 / 3"));
  EXPECT_TRUE(t.h.messages.requests.empty());
  EXPECT_EQ(V2Title(t.files[0]), u"01 朝");
  EXPECT_EQ(V2Title(t.files[1]), u"02 Noon");
  EXPECT_EQ(V2Title(t.files[2]), u"03 Night");
}

// The desktop session ending (SIGTERM) during a pass: it ends after the file at hand,
// like the close box, but no message waits for an answer.
TEST(BatchDialogWindow, SigtermDuringThePassEndsItAfterTheCurrentFileWithoutAMessage) {
  Tree t;
  MainWindow& f = t.form();
  std::vector<std::string> before;
  for (int i = 0; i < RowCount(f.fileList); ++i) before.push_back(ReadBytes(f.session().FilePath(i)));
  ui::TerminationNotifier termination;
  QObject::connect(&termination, &ui::TerminationNotifier::requested, [&f] { f.session().endRequested = true; });
  BatchDialog w(f.session(), f.BatchLink(), &f);
  w.show();
  QTimer::singleShot(0, &w, [] { ::raise(SIGTERM); });
  w.RunCommand(vq::BatchDialog::Command::Start);
  EXPECT_TRUE(f.session().endRequested);
  ASSERT_TRUE(w.result());
  EXPECT_TRUE(w.result()->stopped);
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(t.h.messages.requests.empty());
  int changed = 0;
  for (int i = 0; i < RowCount(f.fileList); ++i) changed += ReadBytes(f.session().FilePath(i)) != before[static_cast<std::size_t>(i)];
  EXPECT_EQ(changed, static_cast<int>(w.result()->done));
  EXPECT_LT(w.result()->done, 3u);
}

// The naming options under the design's controls, which keep their places: reached by
// Tab and by their mnemonics, named for screen readers, previewing the selected file as
// they change, and kept in the session (Path.dat's) for the next opening.
TEST(BatchDialogWindow, NamingOptionsAreReachedByKeyboardPreviewedAndKept) {
  Tree t;
  MainWindow& f = t.form();
  int noon = -1;
  for (int i = 0; i < RowCount(f.fileList); ++i)
    if (RowText(f.fileList, i) == QStringLiteral("02 Noon.mp3")) noon = i;
  ASSERT_GE(noon, 0);
  f.SelectFile(noon);
  BatchDialog w(f.session(), f.BatchLink(), &f);
  const std::pair<QWidget*, QRect> design[] = {
      {w.v1Box, ui::TwipsRect(240, 120, 615, 375)},          {w.v2Box, ui::TwipsRect(240, 600, 615, 375)},
      {w.progressLabel, ui::TwipsRect(1200, 240, 1695, 495)}, {w.newOnlyBox, ui::TwipsRect(240, 1080, 2295, 375)},
      {w.commandButtons[0], ui::TwipsRect(120, 1560, 1455, 495)}, {w.commandButtons[1], ui::TwipsRect(1800, 1560, 1455, 495)},
      {w.undoButton, ui::TwipsRect(120, 2160, 3135, 495)}};
  for (const auto& [control, place] : design) EXPECT_EQ(control->geometry(), place) << Utf8(control->objectName());
  BatchNamingPanel& panel = *w.namingPanel;
  EXPECT_GE(panel.geometry().top(), ui::Twips(2655));
  for (QWidget* control : std::initializer_list<QWidget*>{panel.trackNumbersBox, panel.numberInOrderBox, panel.patternBox,
                                                          panel.previewLabel})
    EXPECT_FALSE(control->accessibleName().isEmpty()) << Utf8(control->objectName());
  // Without options: the names from the folder tree, as ever.
  EXPECT_EQ(panel.previewLabel->text(), QStringLiteral("02 Noon.mp3\n作者: 歌手\nアルバム: アルバム\n曲名: 02 Noon"));
  EXPECT_FALSE(panel.numberInOrderBox->isEnabled());

  ModalDriver driver([&](QDialog* d) {
    d->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), d);
    w.newOnlyBox->setFocus();
    QTest::keyClick(w.newOnlyBox, Qt::Key_Tab);
    ASSERT_EQ(w.focusWidget(), panel.trackNumbersBox) << Utf8(w.focusWidget()->objectName());
    QTest::keyClick(panel.trackNumbersBox, Qt::Key_Space);
    EXPECT_EQ(panel.previewLabel->text(),
              QStringLiteral("02 Noon.mp3\n作者: 歌手\nアルバム: アルバム\n曲名: Noon\n曲番号: 2/2"));
    QTest::keyClick(panel.trackNumbersBox, Qt::Key_Tab);
    EXPECT_EQ(w.focusWidget(), panel.numberInOrderBox);
    QTest::keyClick(panel.numberInOrderBox, Qt::Key_Tab);
    EXPECT_EQ(w.focusWidget(), panel.patternBox);
    w.commandButtons[0]->setFocus();
    QTest::keyClick(&w, Qt::Key_P, Qt::AltModifier);
    ASSERT_EQ(w.focusWidget(), panel.patternBox);
    QTest::keyClicks(panel.patternBox, QStringLiteral("%album% - %titel%"));
    EXPECT_TRUE(panel.previewLabel->text().contains(QStringLiteral("「%titel%」はパターンに使えない項目です。")))
        << Utf8(panel.previewLabel->text());
    panel.patternBox->clear();
    QTest::keyClicks(panel.patternBox, QStringLiteral("%artist%/%skip%/%track% %title%"));
    EXPECT_EQ(panel.previewLabel->text(), QStringLiteral("02 Noon.mp3\n作者: 歌手\n曲名: Noon\n曲番号: 2/2"));
    // A mnemonic clicks its box as a mouse would, a moment later.
    QTest::keyClick(&w, Qt::Key_O, Qt::AltModifier);
    QTRY_VERIFY(panel.numberInOrderBox->isChecked());
    QTest::keyClick(&w, Qt::Key_Escape);
  });
  ui::Dialogs::Exec(&w);

  EXPECT_TRUE(f.session().trackNumbers);
  EXPECT_TRUE(f.session().numberInOrder);
  EXPECT_EQ(f.session().namePattern, u"%artist%/%skip%/%track% %title%");
  BatchDialog again(f.session(), f.BatchLink(), &f);
  EXPECT_TRUE(again.namingPanel->trackNumbersBox->isChecked());
  EXPECT_TRUE(again.namingPanel->numberInOrderBox->isChecked());
  EXPECT_EQ(again.namingPanel->patternBox->text(), QStringLiteral("%artist%/%skip%/%track% %title%"));
}

// Path.dat's lines 7-9 (a pattern in code page 932) come back at the next start; a
// pattern that cannot be used is refused before anything is written; a pass with a
// pattern tags the files it matches and names those it left alone.
TEST(BatchDialogWindow, APatternPassNamesTheFilesItLeftAlone) {
  MainWindowHarness h;
  const std::string artist = h.music.MakeDir("歌手");
  const std::vector<std::string> files = {
      h.music.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "歌手/アルバム/01 朝.mp3"),
      h.music.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "歌手/アルバム/02 昼.mp3"),
      h.music.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "歌手/アルバム/おまけ.mp3")};
  WriteBytes(h.PathDat(), "0\r\n/\r\n" + artist + "\r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n 0 \r\n" +
                              cp932::Encode(u"%album%/%track%．%titel%") + "\r\n");
  h.Start();
  ASSERT_EQ(RowCount(h.form->fileList), 3);
  const std::string untouched = ReadBytes(files[2]);
  BatchDialog w(h.form->session(), h.form->BatchLink(), h.form.get());
  EXPECT_TRUE(w.namingPanel->trackNumbersBox->isChecked());
  EXPECT_EQ(w.namingPanel->patternBox->text(), QStringLiteral("%album%/%track%．%titel%"));
  w.RunCommand(BatchDialog::Command::Start);
  ASSERT_EQ(h.messages.requests.size(), 1u);
  EXPECT_TRUE(h.messages.requests[0].text.startsWith(QStringLiteral("「%titel%」はパターンに使えない項目です。")));
  EXPECT_FALSE(w.result());
  EXPECT_EQ(ReadBytes(files[0]), untouched);

  w.namingPanel->patternBox->setText(QStringLiteral("%album%/%track% %title%"));
  h.messages.Clear();
  w.RunCommand(BatchDialog::Command::Start);
  ASSERT_TRUE(w.result());
  EXPECT_EQ(w.result()->skipped, 1u);
  ASSERT_EQ(h.messages.requests.size(), 1u);
  EXPECT_EQ(h.messages.requests[0].text, QStringLiteral("パターンに合わない曲: 1 曲\r\nこれらの曲はそのままにしました。\r\n") +
                                             Utf8(artist) + QStringLiteral("/アルバム/おまけ.mp3"));
  EXPECT_EQ(ReadBytes(files[2]), untouched);
  const auto first = ReadWithTagLib(files[1]);
  EXPECT_EQ(first.texts.find("TIT2")->second, "昼");
  EXPECT_EQ(first.texts.find("TRCK")->second, "2/2");
  EXPECT_EQ(first.texts.find("TALB")->second, "アルバム");
  EXPECT_EQ(first.texts.count("TPE1"), 0u);
}
