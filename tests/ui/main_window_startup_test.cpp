// The main window's arrangement, its start-up with the restore from "Path.dat", and the
// quit question with the save.
#include <gtest/gtest.h>

#include <algorithm>

#include <QCheckBox>
#include <QDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include "windows/main/file_list_model.h"
#include "platform/codepage.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "widgets/check_box.h"
#include "widgets/drive_list.h"
#include "widgets/folder_list.h"
#include "widgets/twips.h"
#include "support/ui/ui_test_util.h"
#include "windows/viewer/reference_viewer.h"

using vq::ui::MsgAnswer;
using vq::ui::TwipsRect;
using vqtest::MainWindowHarness;
using vqtest::Utf8;

namespace {

const QString kQuit = QString::fromUtf16(u"終了しますか?");

struct ControlSpec {
  const char* name;
  const char* parent;  // "" for the window itself
  int left, top, width, height;
  const char16_t* caption;  // nullptr: no caption to check
};

// Every control of the window at its place, in twips.
const ControlSpec kControls[] = {
    {"driveBox", "", 0, 0, 2655, 345, nullptr},
    {"folderTree", "", 0, 360, 2655, 2640, nullptr},
    {"fileList", "", 0, 3000, 5415, 4110, nullptr},
    {"keepDateBox", "", 2760, 40, 2655, 495, u"ファイルの更新で日付を変更しない"},
    {"mpegInfoLabel", "", 2760, 720, 2655, 1815, u""},
    {"nextFolderButton", "", 2760, 2600, 2535, 375, u"次フォルダ"},
    {"modeGroup", "", 5520, 0, 4335, 615, u""},
    {"modeButtons(0)", "modeGroup", 240, 240, 2055, 255, u"階層フォルダ構造"},
    {"modeButtons(1)", "modeGroup", 2760, 240, 1455, 255, u"ファイル名"},
    {"fileInfoGroup", "", 5520, 720, 5415, 2415, u"ファイル情報"},
    {"captionLabels(0)", "fileInfoGroup", 120, 360, 1095, 375, u"フォルダ名"},
    {"captionLabels(1)", "fileInfoGroup", 120, 960, 1095, 375, u"ｻﾌﾞﾌｫﾙﾀﾞ名"},
    {"captionLabels(2)", "fileInfoGroup", 120, 1560, 1095, 375, u"ファイル名"},
    {"fileInfoFields(0)", "fileInfoGroup", 1440, 360, 3855, 375, u""},
    {"fileInfoFields(1)", "fileInfoGroup", 1440, 960, 3855, 375, u""},
    {"fileInfoFields(2)", "fileInfoGroup", 1440, 1560, 3855, 735, u""},
    {"v1Mark", "", 9960, 45, 375, 375, u""},
    {"v2Mark", "", 9960, 405, 375, 375, u""},
    {"v2VersionMark", "", 10320, 400, 375, 375, u""},
    {"captionLabels(3)", "", 5640, 3360, 1095, 375, u"曲名"},
    {"captionLabels(4)", "", 5640, 4320, 1095, 375, u"作者名"},
    {"captionLabels(5)", "", 5640, 5400, 1095, 375, u"ｱﾙﾊﾞﾑ名"},
    {"storedValueLabels(0)", "", 6960, 3240, 3855, 375, u""},
    {"storedValueLabels(1)", "", 6960, 4320, 3855, 375, u""},
    {"storedValueLabels(2)", "", 6960, 5400, 3855, 375, u""},
    {"tagFields(0)", "", 6960, 3720, 3855, 375, u""},
    {"tagFields(1)", "", 6960, 4800, 3855, 375, u""},
    {"tagFields(2)", "", 6960, 5880, 3855, 375, u""},
    {"commentGroup", "", 6720, 6360, 4215, 1215, u"コメント、年、ジャンル"},
    {"tagFields(3)", "commentGroup", 240, 240, 3855, 375, u""},
    {"tagFields(4)", "commentGroup", 240, 720, 1095, 375, u""},
    {"tagFields(5)", "commentGroup", 1560, 720, 495, 375, u""},
    {"positionLabel", "", 0, 7240, 1335, 255, u""},
    {"commandButtons(4)", "", 1680, 7200, 1575, 375, u"ﾌｧｲﾙ参照(F7)"},
    {"commandButtons(0)", "", 3360, 7200, 1575, 375, u"v1更新(F9)"},
    {"commandButtons(6)", "", 5040, 7200, 1575, 375, u"v2入力(F11)"},
    {"commandButtons(3)", "", 0, 7680, 1575, 375, u"演奏(F6)"},
    {"commandButtons(5)", "", 1680, 7680, 1575, 375, u"v2参照(F8)"},
    {"commandButtons(2)", "", 3360, 7680, 1575, 375, u"やり直し(F4)"},
    {"commandButtons(8)", "", 5040, 7680, 1575, 375, u"v1削除(F3)"},
    {"commandButtons(7)", "", 6720, 7680, 1575, 375, u"自動処理(F10)"},
    {"commandButtons(1)", "", 8400, 7680, 1575, 375, u"終了(F12)"},
};

QString CaptionOf(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* p = qobject_cast<QPlainTextEdit*>(w)) return p->toPlainText();
  return {};
}

std::string Cp932Line(const std::string& utf8) { return vq::cp932::Encode(vq::Utf8ToUtf16(utf8)) + "\r\n"; }

}  // namespace

TEST(MainWindowLayout, EveryControlAtItsPlaceWithCaptionAndFont) {
  MainWindowHarness h;
  h.WritePathDat({"0"});  // restores the mode only: no folder change touches a caption
  auto& f = h.Start();
  EXPECT_EQ(f.windowTitle(), "Velquist");
  EXPECT_EQ(f.size(), QSize(738, 541));
  EXPECT_EQ(f.minimumSize(), f.maximumSize());  // fixed arrangement

  for (const auto& c : kControls) {
    SCOPED_TRACE(c.name);
    auto* w = f.findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_TRUE(w);
    QString parentName = QString::fromLatin1(c.parent);
    EXPECT_EQ(w->parentWidget()->objectName(), parentName.isEmpty() ? QString("MainWindow") : parentName);
    EXPECT_EQ(w->geometry(), TwipsRect(c.left, c.top, c.width, c.height));
    if (c.caption) {
      EXPECT_EQ(CaptionOf(w), QString::fromUtf16(c.caption));
      if (!QString::fromUtf16(c.caption).isEmpty()) EXPECT_EQ(w->accessibleName(), QString::fromUtf16(c.caption));
    }
    EXPECT_EQ(w->font().families().value(0), QString::fromUtf16(u"ＭＳ Ｐゴシック"));
    EXPECT_DOUBLE_EQ(w->font().pointSizeF(), 11.25);
    EXPECT_EQ(w->font().weight(), QFont::Normal);
  }
  // separatorLine from 2760, 600 to 5400, 600.
  auto* line = f.findChild<QWidget*>("separatorLine");
  ASSERT_TRUE(line);
  EXPECT_EQ(line->geometry(), QRect(184, 40, 176, 1));
  // No widget for the hidden folder list.
  EXPECT_EQ(f.findChild<QWidget*>("hiddenFolderTree"), nullptr);
}

// "ID3v2をUnicodeで書く" lies where none of the design's controls does, unchecked, in
// the tab order right after the keep-date box, and gives the focus back like it.
TEST(MainWindowLayout, TheUnicodeBoxTakesFreeSpaceAfterTheKeepDateBox) {
  MainWindowHarness h;
  h.WritePathDat({"0"});
  auto& f = h.Start();
  ASSERT_EQ(f.findChild<QWidget*>("unicodeBox"), f.unicodeBox);
  EXPECT_EQ(f.unicodeBox->text(), QString::fromUtf16(u"ID3v2をUnicodeで書く"));
  EXPECT_EQ(f.unicodeBox->accessibleName(), f.unicodeBox->text());
  EXPECT_FALSE(f.unicodeBox->isChecked());
  EXPECT_GT(f.unicodeBox->geometry().top(), f.keepDateBox->geometry().bottom());
  EXPECT_TRUE(f.rect().contains(f.unicodeBox->geometry()));
  for (const auto& c : kControls) {
    QWidget* w = f.findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_TRUE(w) << c.name;
    const QRect onWindow(w->mapTo(&f, QPoint(0, 0)), w->size());
    EXPECT_FALSE(onWindow.intersects(f.unicodeBox->geometry())) << c.name;
  }
  // The caption on at most two lines, in a font no more than a little smaller.
  auto* box = qobject_cast<vq::ui::HangingCaptionCheckBox*>(f.unicodeBox);
  ASSERT_TRUE(box);
  EXPECT_LE(box->captionLineCount(), 2);
  EXPECT_GE(box->captionFont().pointSizeF(), f.keepDateBox->font().pointSizeF() - 1);
  EXPECT_EQ(f.keepDateBox->nextInFocusChain(), f.unicodeBox);
  f.lastField = 3;
  QTest::mouseClick(f.unicodeBox, Qt::LeftButton);
  EXPECT_TRUE(f.unicodeBox->isChecked());
  EXPECT_TRUE(h.session.unicodeV2);
  EXPECT_EQ(QApplication::focusWidget(), f.tagFields[3]);
}

// What a screen reader says for each control of every window is Japanese, like the
// captions: each accessible name holds kana, kanji or full- or half-width forms.
TEST(MainWindowLayout, EveryAccessibleNameIsJapanese) {
  MainWindowHarness h;
  h.music.CopyFixture("03_v23_utf16_japanese_mutagen_mpeg1_l3_128k.mp3", "歌手/アルバム/01 朝.mp3");
  auto& f = h.Start(h.music / "歌手");
  ASSERT_EQ(vqtest::RowCount(f.fileList), 1);
  QStringList notJapanese;
  auto check = [&notJapanese](QWidget* window) {
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* w : widgets) {
      const QString name = w->accessibleName();
      const bool japanese = std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() >= 0x3000; });
      if (!name.isEmpty() && !japanese) notJapanese << window->objectName() + "." + w->objectName() + ": " + name;
    }
  };
  check(&f);
  check(&f.viewer());
  int windows = 0;
  vqtest::ModalDriver driver([&](QDialog* d) {
    ++windows;
    check(d);
    d->reject();
  });
  f.tagFields[0]->setFocus();
  QTest::keyClick(f.tagFields[0], Qt::Key_F10);
  QTest::keyClick(f.tagFields[0], Qt::Key_F11);
  EXPECT_EQ(windows, 2);
  EXPECT_TRUE(notJapanese.isEmpty()) << notJapanese.join(u'\n').toStdString();
}

TEST(MainWindowLayout, InitialStatesColoursAndByteLimits) {
  MainWindowHarness h;
  h.WritePathDat({"0"});  // restores the mode only: the controls keep their first states
  auto& f = h.Start();
  EXPECT_TRUE(f.modeButtons[0]->isChecked());
  EXPECT_FALSE(f.modeButtons[1]->isChecked());
  EXPECT_FALSE(f.keepDateBox->isChecked());
  EXPECT_TRUE(f.nextFolderButton->isVisible());
  EXPECT_TRUE(f.nextFolderButton->isEnabled());
  EXPECT_EQ(vqtest::RowCount(f.fileList), 0);
  // The view shows the session's rows in their own order, with no sorting model between.
  EXPECT_NE(qobject_cast<const vq::FileListModel*>(f.fileList->model()), nullptr);
  for (int i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(f.commandButtons[i]->isEnabled(), i != 3 && i != 8);
    // Not a tab stop: Tab never lands on a command button.
    EXPECT_FALSE(f.commandButtons[i]->focusPolicy() & Qt::TabFocus);
  }
  const int limits[] = {30, 30, 30, 30, 4, 3};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(f.fieldByteLimits[i], limits[i]);
  for (auto* l : f.storedValueLabels) {
    EXPECT_TRUE(l->autoFillBackground());
    EXPECT_EQ(l->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0x80));
  }
  EXPECT_TRUE(qobject_cast<QPlainTextEdit*>(f.fileInfoFields[2]));  // the file name wraps
  EXPECT_EQ(f.lastField, 0);
  EXPECT_FALSE(f.fillingList);

  // Tab walks the fields and skips the buttons.
  f.tagFields[0]->setFocus();
  QTest::keyClick(f.tagFields[0], Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), f.tagFields[1]);
  f.tagFields[5]->setFocus();
  QWidget* w = f.tagFields[5];
  for (int i = 0; i < 30; ++i) {
    QTest::keyClick(w, Qt::Key_Tab);
    w = QApplication::focusWidget();
    ASSERT_TRUE(w);
    EXPECT_FALSE(qobject_cast<QPushButton*>(w) && w->objectName().startsWith("commandButtons"));
  }
}

// A first run (no "Path.dat") lists its start folder in folder-structure mode, so that
// the first thing a new user sees is a list of files with the first one selected.
TEST(MainWindowStartup, AFirstRunListsTheStartFolder) {
  MainWindowHarness h;
  vqtest::MakeFile(h.music / "a.mp3", 200);
  vqtest::MakeFile(h.music / "Album/b.mp3", 200);
  auto& f = h.Start();
  EXPECT_EQ(f.folderTree->path(), h.music.path());
  EXPECT_EQ(f.driveBox->drive(), f.driveBox->volumeOf(f.folderTree->path()));
  EXPECT_TRUE(f.modeButtons[0]->isChecked());
  EXPECT_FALSE(f.keepDateBox->isChecked());
  EXPECT_EQ(vqtest::Rows(f.fileList), (QStringList{"a.mp3", "b.mp3"}));
  EXPECT_EQ(vqtest::CurrentRow(f.fileList), 0);
  EXPECT_EQ(f.fileInfoText(2), "a.mp3");
  EXPECT_FALSE(h.session.createNewOnly);
  EXPECT_TRUE(h.messages.requests.empty());
  // Top-left of the work area, the reference viewer shown beside it.
  EXPECT_EQ(f.pos(), f.screen()->availableGeometry().topLeft());
  EXPECT_TRUE(f.viewer().isVisible());
}

TEST(MainWindowStartup, CompletePathDatRestoresEverythingThroughTheHandlers) {
  MainWindowHarness h;
  vqtest::MakeFile(h.music / "Band/own.mp3", 200);
  vqtest::MakeFile(h.music / "Band/Disc 1/sub.mp3", 200);
  h.music.MakeDir("start");
  h.WritePathDat({"1", "/", h.music / "Band", " 1 ", " 1 "});
  auto& f = h.Start(h.music / "start");
  EXPECT_TRUE(f.modeButtons[1]->isChecked());
  EXPECT_EQ(f.folderTree->path(), h.music / "Band");
  EXPECT_EQ(f.driveBox->drive(), "/");
  EXPECT_TRUE(f.keepDateBox->isChecked());
  EXPECT_TRUE(h.session.createNewOnly);
  // File-name mode: own files only, the first one selected and shown.
  EXPECT_EQ(vqtest::Rows(f.fileList), QStringList{"own.mp3"});
  EXPECT_EQ(vqtest::CurrentRow(f.fileList), 0);
  EXPECT_EQ(f.positionLabel->text(), QString::fromUtf16(u"1/1 曲"));
  EXPECT_FALSE(f.fileInfoFields[0]->isVisible());
  EXPECT_FALSE(f.nextFolderButton->isVisible());
  EXPECT_FALSE(f.commandButtons[7]->isEnabled());
  EXPECT_TRUE(h.messages.requests.empty());
}

TEST(MainWindowStartup, ThreeLinesRestoreModeDriveFolderOnly) {
  MainWindowHarness h;
  vqtest::MakeFile(h.music / "Band/own.mp3", 200);
  vqtest::MakeFile(h.music / "Band/Disc 1/sub.mp3", 200);
  h.WritePathDat({"0", "/", h.music / "Band"});
  auto& f = h.Start(h.music.path());
  EXPECT_TRUE(f.modeButtons[0]->isChecked());
  EXPECT_EQ(f.folderTree->path(), h.music / "Band");
  EXPECT_EQ(vqtest::Rows(f.fileList), (QStringList{"own.mp3", "sub.mp3"}));
  EXPECT_FALSE(f.keepDateBox->isChecked());
  EXPECT_FALSE(h.session.createNewOnly);
}

TEST(MainWindowStartup, TheSavedFolderEqualToTheWorkingFolderIsStillListed) {
  MainWindowHarness h;
  vqtest::MakeFile(h.music / "a.mp3", 200);
  h.WritePathDat({"0", "/", h.music.path(), " 0 ", " 0 "});
  auto& f = h.Start(h.music.path());
  EXPECT_EQ(vqtest::Rows(f.fileList), QStringList{"a.mp3"});
  EXPECT_EQ(vqtest::CurrentRow(f.fileList), 0);
}

TEST(MainWindowStartup, FirstLineOneStartsInFileNameMode) {
  MainWindowHarness h;
  vqtest::MakeFile(h.music / "own.mp3", 200);
  vqtest::MakeFile(h.music / "sub/sub.mp3", 200);
  h.WritePathDat({"1"});
  auto& f = h.Start(h.music.path());
  EXPECT_TRUE(f.modeButtons[1]->isChecked());
  EXPECT_FALSE(f.fileInfoFields[0]->isVisible());
  EXPECT_FALSE(f.fileInfoFields[1]->isVisible());
  EXPECT_TRUE(f.captionLabels[0]->isVisible());
  EXPECT_TRUE(f.captionLabels[1]->isVisible());
  EXPECT_FALSE(f.nextFolderButton->isVisible());
  EXPECT_FALSE(f.commandButtons[7]->isEnabled());
  EXPECT_EQ(vqtest::Rows(f.fileList), QStringList{"own.mp3"});
  EXPECT_FALSE(f.keepDateBox->isChecked());
}

class MainWindowStartupVolumes : public ::testing::Test {
 protected:
  void SetUp() override {
    volume = h.music.MakeDir("vol");
    vq::ui::DriveList::SetVolumeSource([this] { return std::vector<std::string>{"/", volume}; });
  }
  void TearDown() override { vq::ui::DriveList::SetVolumeSource(nullptr); }
  MainWindowHarness h;
  std::string volume;
};

TEST_F(MainWindowStartupVolumes, EmptyThirdLineKeepsTheFolderTheDriveChangeProduced) {
  vqtest::MakeFile(volume + "/on-volume.mp3", 200);
  h.music.MakeDir("start");
  h.WritePathDat({"0", volume, "", " 1 "});
  auto& f = h.Start(h.music / "start");
  EXPECT_EQ(f.driveBox->drive(), volume);
  EXPECT_EQ(f.folderTree->path(), volume);
  EXPECT_EQ(vqtest::Rows(f.fileList), QStringList{"on-volume.mp3"});
  EXPECT_TRUE(f.keepDateBox->isChecked());
}

TEST_F(MainWindowStartupVolumes, AVolumeThatIsNotMountedIsIgnored) {
  h.music.MakeDir("start");
  h.WritePathDat({"0", "/media/not-mounted-here", "", " 0 "});
  auto& f = h.Start(h.music / "start");
  EXPECT_EQ(f.driveBox->drive(), "/");
  EXPECT_EQ(f.folderTree->path(), h.music / "start");
  EXPECT_TRUE(h.messages.requests.empty());
}

TEST(MainWindowStartup, LettersInLineFourLeaveTheBoxUnchecked) {
  MainWindowHarness h;
  h.WritePathDat({"0", "", "", "yes", "no"});
  auto& f = h.Start();
  EXPECT_FALSE(f.keepDateBox->isChecked());
  EXPECT_FALSE(h.session.createNewOnly);

  MainWindowHarness two;
  two.WritePathDat({"0", "", "", "2", "7"});
  auto& g = two.Start();
  EXPECT_TRUE(g.keepDateBox->isChecked());
  EXPECT_TRUE(two.session.createNewOnly);
}

TEST(MainWindowStartup, AFolderThatCannotBeReadIsIgnoredSilently) {
  for (int variant = 0; variant < 3; ++variant) {
    SCOPED_TRACE(variant);
    MainWindowHarness h;
    h.music.MakeDir("start");
    vqtest::MakeFile(h.music / "start/a.mp3", 200);
    vqtest::MakeFile(h.music / "a-file", 10);
    h.music.MakeDir("locked");
    std::string folder = variant == 0 ? h.music / "missing" : variant == 1 ? h.music / "a-file" : h.music / "locked";
    h.WritePathDat({"0", "/", folder, " 1 "});
    // The third variant: the folder exists but reading it is refused (EACCES), also
    // when the tests run as root.
    if (variant == 2) h.beforeLoad = [] { vq::FaultInjection::FailAt(1, EACCES, vq::FileOp::List); };
    auto& f = h.Start(h.music / "start");
    if (variant == 2) EXPECT_TRUE(vq::FaultInjection::Fired());
    vq::FaultInjection::Reset();
    EXPECT_EQ(f.folderTree->path(), h.music / "start");
    EXPECT_EQ(vqtest::RowCount(f.fileList), 0);
    EXPECT_TRUE(f.keepDateBox->isChecked());  // the lines after it still count
    EXPECT_TRUE(h.messages.requests.empty());
  }
}

TEST(MainWindowShutdown, YesWritesPathDatBesideTheProgramAndEnds) {
  MainWindowHarness h;
  vqtest::MakeFile(h.music / "曲/a.mp3", 200);
  auto& f = h.Start(h.music.path());
  // Open "曲" in the folder list and tick the keep-date box with the mouse.
  f.folderTree->setFocus();
  for (int i = 0; i < f.folderTree->count(); ++i)
    if (f.folderTree->item(i)->text() == QString::fromUtf16(u"曲")) f.folderTree->setCurrentRow(i);
  QTest::keyClick(f.folderTree, Qt::Key_Return);
  ASSERT_EQ(f.folderTree->path(), h.music / "曲");
  QTest::mouseClick(f.keepDateBox, Qt::LeftButton);
  ASSERT_TRUE(f.keepDateBox->isChecked());
  h.messages.Clear();

  h.CloseAnswering(MsgAnswer::Yes);
  ASSERT_EQ(h.messages.requests.size(), 1u);
  const auto& q = h.messages.requests[0];
  EXPECT_EQ(q.text, kQuit);
  EXPECT_EQ(q.caption, QString::fromUtf16(u"終了確認"));
  EXPECT_EQ(q.buttons, vq::ui::MsgButtons::YesNo);
  EXPECT_EQ(q.icon, vq::ui::MsgIcon::None);
  EXPECT_TRUE(h.ended);
  EXPECT_FALSE(f.isVisible());
  EXPECT_FALSE(f.viewer().isVisible());
  EXPECT_EQ(vqtest::ReadBytes(h.PathDat()),
            "0\r\n/\r\n" + Cp932Line(h.music / "曲") + " 1 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n\r\n");
}

TEST(MainWindowShutdown, FileNameModeCreateNewOnlyAndUnicodeAreSavedAndRestored) {
  MainWindowHarness h;
  auto& f = h.Start();
  QTest::mouseClick(f.modeButtons[1], Qt::LeftButton);
  ASSERT_TRUE(f.FileNameMode());
  h.session.createNewOnly = true;
  QTest::mouseClick(f.unicodeBox, Qt::LeftButton);
  ASSERT_TRUE(h.session.unicodeV2);
  h.CloseAnswering(MsgAnswer::Yes);
  const std::string saved = vqtest::ReadBytes(h.PathDat());
  EXPECT_EQ(saved, "1\r\n/\r\n" + Cp932Line(h.music.path()) + " 0 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n\r\n");

  // Six lines restore the box; the same file cut to five leaves it unchecked.
  for (bool sixLines : {true, false}) {
    MainWindowHarness again;
    // The batch window's three lines after the sixth, then the sixth.
    const std::string six = saved.substr(0, saved.size() - 12);
    vqtest::WriteBytes(again.PathDat(), sixLines ? six : six.substr(0, six.size() - 5));
    auto& g = again.Start();
    EXPECT_EQ(g.unicodeBox->isChecked(), sixLines);
    EXPECT_EQ(again.session.unicodeV2, sixLines);
    EXPECT_TRUE(again.session.createNewOnly);
  }
}

TEST(MainWindowShutdown, NoLeavesPathDatUntouchedAndTheWindowOpen) {
  MainWindowHarness h;
  h.WritePathDat({"0", "/", h.music.path(), " 0 ", " 0 "});
  std::string before = vqtest::ReadBytes(h.PathDat());
  auto& f = h.Start();
  QTest::mouseClick(f.keepDateBox, Qt::LeftButton);
  h.CloseAnswering(MsgAnswer::No);
  EXPECT_EQ(h.messages.Count(kQuit), 1);
  EXPECT_FALSE(h.ended);
  EXPECT_TRUE(f.isVisible());
  EXPECT_EQ(vqtest::ReadBytes(h.PathDat()), before);

  // "終了(F12)" asks the same question.
  h.messages.answers.push_back(MsgAnswer::No);
  QTest::mouseClick(f.commandButtons[1], Qt::LeftButton);
  EXPECT_EQ(h.messages.Count(kQuit), 2);
  EXPECT_TRUE(f.isVisible());
}

TEST(MainWindowShutdown, F12InTheFolderAndDriveListsAsksToQuit) {
  MainWindowHarness h;
  auto& f = h.Start();
  f.folderTree->setFocus();
  QTest::keyClick(f.folderTree, Qt::Key_F12);
  EXPECT_EQ(h.messages.Count(kQuit), 1);
  f.driveBox->setFocus();
  QTest::keyClick(f.driveBox, Qt::Key_F12);
  EXPECT_EQ(h.messages.Count(kQuit), 2);
  EXPECT_FALSE(h.ended);
  // Other keys keep their effect in the list.
  int row = f.folderTree->currentRow();
  f.folderTree->setFocus();
  QTest::keyClick(f.folderTree, Qt::Key_Up);
  EXPECT_EQ(f.folderTree->currentRow(), row - 1);
}

TEST(MainWindowShutdown, APathDatThatCannotBeWrittenIsReportedAndTheProgramStillEnds) {
  MainWindowHarness h;
  h.programDir.MakeDir("Path.dat");  // a folder where the file should go
  auto& f = h.Start();
  h.CloseAnswering(MsgAnswer::Yes);
  ASSERT_EQ(h.messages.requests.size(), 2u);
  EXPECT_TRUE(h.messages.requests[1].text.startsWith(QString::fromUtf16(u"設定を保存できませんでした。\r\n") +
                                                       Utf8(h.PathDat())));
  EXPECT_TRUE(h.ended);
  EXPECT_FALSE(f.isVisible());
}

// Installed where the user may not write, the program keeps its settings in the user's
// own "Path.dat" and finds them there on the next start.
TEST(MainWindowShutdown, AProgramFolderTheUserMayNotWriteKeepsTheSettingsInTheUsersConfig) {
  vqtest::TempDir config;
  vqtest::ScopedEnv xdg("XDG_CONFIG_HOME", config.path().c_str());
  MainWindowHarness h;
  vqtest::ReadOnlyFolder readOnly(h.programDir.path());
  if (!readOnly.mounted()) GTEST_SKIP() << "a read-only bind mount needs root";
  vqtest::MakeFile(h.music / "Band/a.mp3", 200);
  auto& f = h.Start(h.music / "Band");
  QTest::mouseClick(f.keepDateBox, Qt::LeftButton);
  h.CloseAnswering(MsgAnswer::Yes);
  ASSERT_TRUE(h.ended);
  EXPECT_EQ(h.messages.requests.size(), 1u);  // the question only: no failure to report
  EXPECT_FALSE(vq::FileExists(h.PathDat()));
  EXPECT_EQ(vqtest::ReadBytes(config / "velquist/Path.dat"),
            "0\r\n/\r\n" + Cp932Line(h.music / "Band") + " 1 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n\r\n");

  MainWindowHarness again;
  vqtest::ReadOnlyFolder alsoReadOnly(again.programDir.path());
  ASSERT_TRUE(alsoReadOnly.mounted());
  auto& g = again.Start(again.music.path());
  EXPECT_EQ(g.folderTree->path(), h.music / "Band");
  EXPECT_TRUE(g.keepDateBox->isChecked());
  EXPECT_EQ(vqtest::Rows(g.fileList), QStringList{"a.mp3"});
}
