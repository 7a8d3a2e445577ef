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

#include "platform/codepage.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "platform/ui/check_box.h"
#include "platform/ui/drive_list.h"
#include "platform/ui/folder_list.h"
#include "platform/ui/twips.h"
#include "support/ui/ui_test_util.h"
#include "viewer/form2.h"

using vq::ui::MsgAnswer;
using vq::ui::TwipsRect;
using vqtest::Form1Harness;
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
    {"Drive1", "", 0, 0, 2655, 345, nullptr},
    {"Dir1", "", 0, 360, 2655, 2640, nullptr},
    {"List1", "", 0, 3000, 5415, 4110, nullptr},
    {"Check1", "", 2760, 40, 2655, 495, u"ファイルの更新で日付を変更しない"},
    {"Label4", "", 2760, 720, 2655, 1815, u""},
    {"Command2", "", 2760, 2600, 2535, 375, u"次フォルダ"},
    {"Frame2", "", 5520, 0, 4335, 615, u""},
    {"Option1(0)", "Frame2", 240, 240, 2055, 255, u"階層フォルダ構造"},
    {"Option1(1)", "Frame2", 2760, 240, 1455, 255, u"ファイル名"},
    {"Frame1", "", 5520, 720, 5415, 2415, u"ファイル情報"},
    {"Label1(0)", "Frame1", 120, 360, 1095, 375, u"フォルダ名"},
    {"Label1(1)", "Frame1", 120, 960, 1095, 375, u"ｻﾌﾞﾌｫﾙﾀﾞ名"},
    {"Label1(2)", "Frame1", 120, 1560, 1095, 375, u"ファイル名"},
    {"Text1(0)", "Frame1", 1440, 360, 3855, 375, u""},
    {"Text1(1)", "Frame1", 1440, 960, 3855, 375, u""},
    {"Text1(2)", "Frame1", 1440, 1560, 3855, 735, u""},
    {"Label6", "", 9960, 45, 375, 375, u""},
    {"Label3", "", 9960, 405, 375, 375, u""},
    {"Label5", "", 10320, 400, 375, 375, u""},
    {"Label1(3)", "", 5640, 3360, 1095, 375, u"曲名"},
    {"Label1(4)", "", 5640, 4320, 1095, 375, u"作者名"},
    {"Label1(5)", "", 5640, 5400, 1095, 375, u"ｱﾙﾊﾞﾑ名"},
    {"Label2(0)", "", 6960, 3240, 3855, 375, u""},
    {"Label2(1)", "", 6960, 4320, 3855, 375, u""},
    {"Label2(2)", "", 6960, 5400, 3855, 375, u""},
    {"Text2(0)", "", 6960, 3720, 3855, 375, u""},
    {"Text2(1)", "", 6960, 4800, 3855, 375, u""},
    {"Text2(2)", "", 6960, 5880, 3855, 375, u""},
    {"Frame3", "", 6720, 6360, 4215, 1215, u"コメント、年、ジャンル"},
    {"Text2(3)", "Frame3", 240, 240, 3855, 375, u""},
    {"Text2(4)", "Frame3", 240, 720, 1095, 375, u""},
    {"Text2(5)", "Frame3", 1560, 720, 495, 375, u""},
    {"Label7", "", 0, 7240, 1335, 255, u""},
    {"Command1(4)", "", 1680, 7200, 1575, 375, u"ﾌｧｲﾙ参照(F7)"},
    {"Command1(0)", "", 3360, 7200, 1575, 375, u"v1更新(F9)"},
    {"Command1(6)", "", 5040, 7200, 1575, 375, u"v2入力(F11)"},
    {"Command1(3)", "", 0, 7680, 1575, 375, u"演奏(F6)"},
    {"Command1(5)", "", 1680, 7680, 1575, 375, u"v2参照(F8)"},
    {"Command1(2)", "", 3360, 7680, 1575, 375, u"やり直し(F4)"},
    {"Command1(8)", "", 5040, 7680, 1575, 375, u"v1削除(F3)"},
    {"Command1(7)", "", 6720, 7680, 1575, 375, u"自動処理(F10)"},
    {"Command1(1)", "", 8400, 7680, 1575, 375, u"終了(F12)"},
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

TEST(Form1Layout, EveryControlAtItsPlaceWithCaptionAndFont) {
  Form1Harness h;
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
    EXPECT_EQ(w->parentWidget()->objectName(), parentName.isEmpty() ? QString("Form1") : parentName);
    EXPECT_EQ(w->geometry(), TwipsRect(c.left, c.top, c.width, c.height));
    if (c.caption) {
      EXPECT_EQ(CaptionOf(w), QString::fromUtf16(c.caption));
      if (!QString::fromUtf16(c.caption).isEmpty()) EXPECT_EQ(w->accessibleName(), QString::fromUtf16(c.caption));
    }
    EXPECT_EQ(w->font().families().value(0), QString::fromUtf16(u"ＭＳ Ｐゴシック"));
    EXPECT_DOUBLE_EQ(w->font().pointSizeF(), 11.25);
    EXPECT_EQ(w->font().weight(), QFont::Normal);
  }
  // Line1 from 2760, 600 to 5400, 600.
  auto* line = f.findChild<QWidget*>("Line1");
  ASSERT_TRUE(line);
  EXPECT_EQ(line->geometry(), QRect(184, 40, 176, 1));
  // No widget for the hidden folder list.
  EXPECT_EQ(f.findChild<QWidget*>("Dir2"), nullptr);
}

// "ID3v2をUnicodeで書く" lies where none of the design's controls does, unchecked, in
// the tab order right after the keep-date box, and gives the focus back like it.
TEST(Form1Layout, TheUnicodeBoxTakesFreeSpaceAfterTheKeepDateBox) {
  Form1Harness h;
  h.WritePathDat({"0"});
  auto& f = h.Start();
  ASSERT_EQ(f.findChild<QWidget*>("Check2"), f.Check2);
  EXPECT_EQ(f.Check2->text(), QString::fromUtf16(u"ID3v2をUnicodeで書く"));
  EXPECT_EQ(f.Check2->accessibleName(), f.Check2->text());
  EXPECT_FALSE(f.Check2->isChecked());
  EXPECT_GT(f.Check2->geometry().top(), f.Check1->geometry().bottom());
  EXPECT_TRUE(f.rect().contains(f.Check2->geometry()));
  for (const auto& c : kControls) {
    QWidget* w = f.findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_TRUE(w) << c.name;
    const QRect onWindow(w->mapTo(&f, QPoint(0, 0)), w->size());
    EXPECT_FALSE(onWindow.intersects(f.Check2->geometry())) << c.name;
  }
  // The caption on at most two lines, in a font no more than a little smaller.
  auto* box = qobject_cast<vq::ui::HangingCaptionCheckBox*>(f.Check2);
  ASSERT_TRUE(box);
  EXPECT_LE(box->captionLineCount(), 2);
  EXPECT_GE(box->captionFont().pointSizeF(), f.Check1->font().pointSizeF() - 1);
  EXPECT_EQ(f.Check1->nextInFocusChain(), f.Check2);
  f.lastField = 3;
  QTest::mouseClick(f.Check2, Qt::LeftButton);
  EXPECT_TRUE(f.Check2->isChecked());
  EXPECT_TRUE(h.state.unicodeV2);
  EXPECT_EQ(QApplication::focusWidget(), f.Text2[3]);
}

// What a screen reader says for each control of every window is Japanese, like the
// captions: each accessible name holds kana, kanji or full- or half-width forms.
TEST(Form1Layout, EveryAccessibleNameIsJapanese) {
  Form1Harness h;
  h.music.CopyFixture("03_v23_utf16_japanese_mutagen_mpeg1_l3_128k.mp3", "歌手/アルバム/01 朝.mp3");
  auto& f = h.Start(h.music / "歌手");
  ASSERT_EQ(f.List1->count(), 1);
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
  check(&f.form2());
  int windows = 0;
  vqtest::ModalDriver driver([&](QDialog* d) {
    ++windows;
    check(d);
    d->reject();
  });
  f.Text2[0]->setFocus();
  QTest::keyClick(f.Text2[0], Qt::Key_F10);
  QTest::keyClick(f.Text2[0], Qt::Key_F11);
  EXPECT_EQ(windows, 2);
  EXPECT_TRUE(notJapanese.isEmpty()) << notJapanese.join(u'\n').toStdString();
}

TEST(Form1Layout, InitialStatesColoursAndByteLimits) {
  Form1Harness h;
  h.WritePathDat({"0"});  // restores the mode only: the controls keep their first states
  auto& f = h.Start();
  EXPECT_TRUE(f.Option1[0]->isChecked());
  EXPECT_FALSE(f.Option1[1]->isChecked());
  EXPECT_FALSE(f.Check1->isChecked());
  EXPECT_TRUE(f.Command2->isVisible());
  EXPECT_TRUE(f.Command2->isEnabled());
  EXPECT_EQ(f.List1->count(), 0);
  EXPECT_FALSE(f.List1->isSortingEnabled());
  for (int i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(f.Command1[i]->isEnabled(), i != 3 && i != 8);
    // Not a tab stop: Tab never lands on a command button.
    EXPECT_FALSE(f.Command1[i]->focusPolicy() & Qt::TabFocus);
  }
  const char* limits[] = {"30", "30", "30", "30", "4", "3"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(f.Text2[i]->property("Tag").toString(), limits[i]);
  for (auto* l : f.Label2) {
    EXPECT_TRUE(l->autoFillBackground());
    EXPECT_EQ(l->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0x80));
  }
  EXPECT_TRUE(qobject_cast<QPlainTextEdit*>(f.Text1[2]));  // the file name wraps
  EXPECT_EQ(f.lastField, 0);
  EXPECT_FALSE(f.fillingList);

  // Tab walks the fields and skips the buttons.
  f.Text2[0]->setFocus();
  QTest::keyClick(f.Text2[0], Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), f.Text2[1]);
  f.Text2[5]->setFocus();
  QWidget* w = f.Text2[5];
  for (int i = 0; i < 30; ++i) {
    QTest::keyClick(w, Qt::Key_Tab);
    w = QApplication::focusWidget();
    ASSERT_TRUE(w);
    EXPECT_FALSE(qobject_cast<QPushButton*>(w) && w->objectName().startsWith("Command1"));
  }
}

// A first run (no "Path.dat") lists its start folder in folder-structure mode, so that
// the first thing a new user sees is a list of files with the first one selected.
TEST(Form1Startup, AFirstRunListsTheStartFolder) {
  Form1Harness h;
  vqtest::MakeFile(h.music / "a.mp3", 200);
  vqtest::MakeFile(h.music / "Album/b.mp3", 200);
  auto& f = h.Start();
  EXPECT_EQ(f.Dir1->path(), h.music.path());
  EXPECT_EQ(f.Drive1->drive(), f.Drive1->volumeOf(f.Dir1->path()));
  EXPECT_TRUE(f.Option1[0]->isChecked());
  EXPECT_FALSE(f.Check1->isChecked());
  EXPECT_EQ(vqtest::Rows(f.List1), (QStringList{"a.mp3", "b.mp3"}));
  EXPECT_EQ(f.List1->currentRow(), 0);
  EXPECT_EQ(f.text1(2), "a.mp3");
  EXPECT_EQ(h.state.CreateNewOnly, 0);
  EXPECT_TRUE(h.messages.requests.empty());
  // Top-left of the work area, the reference viewer shown beside it.
  EXPECT_EQ(f.pos(), f.screen()->availableGeometry().topLeft());
  EXPECT_TRUE(f.form2().isVisible());
}

TEST(Form1Startup, CompletePathDatRestoresEverythingThroughTheHandlers) {
  Form1Harness h;
  vqtest::MakeFile(h.music / "Band/own.mp3", 200);
  vqtest::MakeFile(h.music / "Band/Disc 1/sub.mp3", 200);
  h.music.MakeDir("start");
  h.WritePathDat({"1", "/", h.music / "Band", " 1 ", " 1 "});
  auto& f = h.Start(h.music / "start");
  EXPECT_TRUE(f.Option1[1]->isChecked());
  EXPECT_EQ(f.Dir1->path(), h.music / "Band");
  EXPECT_EQ(f.Drive1->drive(), "/");
  EXPECT_TRUE(f.Check1->isChecked());
  EXPECT_EQ(h.state.CreateNewOnly, 1);
  // File-name mode: own files only, the first one selected and shown.
  EXPECT_EQ(vqtest::Rows(f.List1), QStringList{"own.mp3"});
  EXPECT_EQ(f.List1->currentRow(), 0);
  EXPECT_EQ(f.Label7->text(), QString::fromUtf16(u"1/1 曲"));
  EXPECT_FALSE(f.Text1[0]->isVisible());
  EXPECT_FALSE(f.Command2->isVisible());
  EXPECT_FALSE(f.Command1[7]->isEnabled());
  EXPECT_TRUE(h.messages.requests.empty());
}

TEST(Form1Startup, ThreeLinesRestoreModeDriveFolderOnly) {
  Form1Harness h;
  vqtest::MakeFile(h.music / "Band/own.mp3", 200);
  vqtest::MakeFile(h.music / "Band/Disc 1/sub.mp3", 200);
  h.WritePathDat({"0", "/", h.music / "Band"});
  auto& f = h.Start(h.music.path());
  EXPECT_TRUE(f.Option1[0]->isChecked());
  EXPECT_EQ(f.Dir1->path(), h.music / "Band");
  EXPECT_EQ(vqtest::Rows(f.List1), (QStringList{"own.mp3", "sub.mp3"}));
  EXPECT_FALSE(f.Check1->isChecked());
  EXPECT_EQ(h.state.CreateNewOnly, 0);
}

TEST(Form1Startup, TheSavedFolderEqualToTheWorkingFolderIsStillListed) {
  Form1Harness h;
  vqtest::MakeFile(h.music / "a.mp3", 200);
  h.WritePathDat({"0", "/", h.music.path(), " 0 ", " 0 "});
  auto& f = h.Start(h.music.path());
  EXPECT_EQ(vqtest::Rows(f.List1), QStringList{"a.mp3"});
  EXPECT_EQ(f.List1->currentRow(), 0);
}

TEST(Form1Startup, FirstLineOneStartsInFileNameMode) {
  Form1Harness h;
  vqtest::MakeFile(h.music / "own.mp3", 200);
  vqtest::MakeFile(h.music / "sub/sub.mp3", 200);
  h.WritePathDat({"1"});
  auto& f = h.Start(h.music.path());
  EXPECT_TRUE(f.Option1[1]->isChecked());
  EXPECT_FALSE(f.Text1[0]->isVisible());
  EXPECT_FALSE(f.Text1[1]->isVisible());
  EXPECT_TRUE(f.Label1[0]->isVisible());
  EXPECT_TRUE(f.Label1[1]->isVisible());
  EXPECT_FALSE(f.Command2->isVisible());
  EXPECT_FALSE(f.Command1[7]->isEnabled());
  EXPECT_EQ(vqtest::Rows(f.List1), QStringList{"own.mp3"});
  EXPECT_FALSE(f.Check1->isChecked());
}

class Form1StartupVolumes : public ::testing::Test {
 protected:
  void SetUp() override {
    volume = h.music.MakeDir("vol");
    vq::ui::DriveList::SetVolumeSource([this] { return std::vector<std::string>{"/", volume}; });
  }
  void TearDown() override { vq::ui::DriveList::SetVolumeSource(nullptr); }
  Form1Harness h;
  std::string volume;
};

TEST_F(Form1StartupVolumes, EmptyThirdLineKeepsTheFolderTheDriveChangeProduced) {
  vqtest::MakeFile(volume + "/on-volume.mp3", 200);
  h.music.MakeDir("start");
  h.WritePathDat({"0", volume, "", " 1 "});
  auto& f = h.Start(h.music / "start");
  EXPECT_EQ(f.Drive1->drive(), volume);
  EXPECT_EQ(f.Dir1->path(), volume);
  EXPECT_EQ(vqtest::Rows(f.List1), QStringList{"on-volume.mp3"});
  EXPECT_TRUE(f.Check1->isChecked());
}

TEST_F(Form1StartupVolumes, AVolumeThatIsNotMountedIsIgnored) {
  h.music.MakeDir("start");
  h.WritePathDat({"0", "/media/not-mounted-here", "", " 0 "});
  auto& f = h.Start(h.music / "start");
  EXPECT_EQ(f.Drive1->drive(), "/");
  EXPECT_EQ(f.Dir1->path(), h.music / "start");
  EXPECT_TRUE(h.messages.requests.empty());
}

TEST(Form1Startup, LettersInLineFourLeaveTheBoxUnchecked) {
  Form1Harness h;
  h.WritePathDat({"0", "", "", "yes", "no"});
  auto& f = h.Start();
  EXPECT_FALSE(f.Check1->isChecked());
  EXPECT_EQ(h.state.CreateNewOnly, 0);

  Form1Harness two;
  two.WritePathDat({"0", "", "", "2", "7"});
  auto& g = two.Start();
  EXPECT_TRUE(g.Check1->isChecked());
  EXPECT_EQ(two.state.CreateNewOnly, 1);
}

TEST(Form1Startup, AFolderThatCannotBeReadIsIgnoredSilently) {
  for (int variant = 0; variant < 3; ++variant) {
    SCOPED_TRACE(variant);
    Form1Harness h;
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
    EXPECT_EQ(f.Dir1->path(), h.music / "start");
    EXPECT_EQ(f.List1->count(), 0);
    EXPECT_TRUE(f.Check1->isChecked());  // the lines after it still count
    EXPECT_TRUE(h.messages.requests.empty());
  }
}

TEST(Form1Shutdown, YesWritesPathDatBesideTheProgramAndEnds) {
  Form1Harness h;
  vqtest::MakeFile(h.music / "曲/a.mp3", 200);
  auto& f = h.Start(h.music.path());
  // Open "曲" in the folder list and tick the keep-date box with the mouse.
  f.Dir1->setFocus();
  for (int i = 0; i < f.Dir1->count(); ++i)
    if (f.Dir1->item(i)->text() == QString::fromUtf16(u"曲")) f.Dir1->setCurrentRow(i);
  QTest::keyClick(f.Dir1, Qt::Key_Return);
  ASSERT_EQ(f.Dir1->path(), h.music / "曲");
  QTest::mouseClick(f.Check1, Qt::LeftButton);
  ASSERT_TRUE(f.Check1->isChecked());
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
  EXPECT_FALSE(f.form2().isVisible());
  EXPECT_EQ(vqtest::ReadBytes(h.PathDat()),
            "0\r\n/\r\n" + Cp932Line(h.music / "曲") + " 1 \r\n 0 \r\n 0 \r\n");
}

TEST(Form1Shutdown, FileNameModeCreateNewOnlyAndUnicodeAreSavedAndRestored) {
  Form1Harness h;
  auto& f = h.Start();
  QTest::mouseClick(f.Option1[1], Qt::LeftButton);
  ASSERT_TRUE(f.FileNameMode());
  h.state.CreateNewOnly = 1;
  QTest::mouseClick(f.Check2, Qt::LeftButton);
  ASSERT_TRUE(h.state.unicodeV2);
  h.CloseAnswering(MsgAnswer::Yes);
  const std::string saved = vqtest::ReadBytes(h.PathDat());
  EXPECT_EQ(saved, "1\r\n/\r\n" + Cp932Line(h.music.path()) + " 0 \r\n 1 \r\n 1 \r\n");

  // Six lines restore the box; the same file cut to five leaves it unchecked.
  for (bool sixLines : {true, false}) {
    Form1Harness again;
    vqtest::WriteBytes(again.PathDat(), sixLines ? saved : saved.substr(0, saved.size() - 5));
    auto& g = again.Start();
    EXPECT_EQ(g.Check2->isChecked(), sixLines);
    EXPECT_EQ(again.state.unicodeV2, sixLines);
    EXPECT_EQ(again.state.CreateNewOnly, 1);
  }
}

TEST(Form1Shutdown, NoLeavesPathDatUntouchedAndTheWindowOpen) {
  Form1Harness h;
  h.WritePathDat({"0", "/", h.music.path(), " 0 ", " 0 "});
  std::string before = vqtest::ReadBytes(h.PathDat());
  auto& f = h.Start();
  QTest::mouseClick(f.Check1, Qt::LeftButton);
  h.CloseAnswering(MsgAnswer::No);
  EXPECT_EQ(h.messages.Count(kQuit), 1);
  EXPECT_FALSE(h.ended);
  EXPECT_TRUE(f.isVisible());
  EXPECT_EQ(vqtest::ReadBytes(h.PathDat()), before);

  // "終了(F12)" asks the same question.
  h.messages.answers.push_back(MsgAnswer::No);
  QTest::mouseClick(f.Command1[1], Qt::LeftButton);
  EXPECT_EQ(h.messages.Count(kQuit), 2);
  EXPECT_TRUE(f.isVisible());
}

TEST(Form1Shutdown, F12InTheFolderAndDriveListsAsksToQuit) {
  Form1Harness h;
  auto& f = h.Start();
  f.Dir1->setFocus();
  QTest::keyClick(f.Dir1, Qt::Key_F12);
  EXPECT_EQ(h.messages.Count(kQuit), 1);
  f.Drive1->setFocus();
  QTest::keyClick(f.Drive1, Qt::Key_F12);
  EXPECT_EQ(h.messages.Count(kQuit), 2);
  EXPECT_FALSE(h.ended);
  // Other keys keep their effect in the list.
  int row = f.Dir1->currentRow();
  f.Dir1->setFocus();
  QTest::keyClick(f.Dir1, Qt::Key_Up);
  EXPECT_EQ(f.Dir1->currentRow(), row - 1);
}

TEST(Form1Shutdown, APathDatThatCannotBeWrittenIsReportedAndTheProgramStillEnds) {
  Form1Harness h;
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
TEST(Form1Shutdown, AProgramFolderTheUserMayNotWriteKeepsTheSettingsInTheUsersConfig) {
  vqtest::TempDir config;
  vqtest::ScopedEnv xdg("XDG_CONFIG_HOME", config.path().c_str());
  Form1Harness h;
  vqtest::ReadOnlyFolder readOnly(h.programDir.path());
  if (!readOnly.mounted()) GTEST_SKIP() << "a read-only bind mount needs root";
  vqtest::MakeFile(h.music / "Band/a.mp3", 200);
  auto& f = h.Start(h.music / "Band");
  QTest::mouseClick(f.Check1, Qt::LeftButton);
  h.CloseAnswering(MsgAnswer::Yes);
  ASSERT_TRUE(h.ended);
  EXPECT_EQ(h.messages.requests.size(), 1u);  // the question only: no failure to report
  EXPECT_FALSE(vq::FileExists(h.PathDat()));
  EXPECT_EQ(vqtest::ReadBytes(config / "velquist/Path.dat"),
            "0\r\n/\r\n" + Cp932Line(h.music / "Band") + " 1 \r\n 0 \r\n 0 \r\n");

  Form1Harness again;
  vqtest::ReadOnlyFolder alsoReadOnly(again.programDir.path());
  ASSERT_TRUE(alsoReadOnly.mounted());
  auto& g = again.Start(again.music.path());
  EXPECT_EQ(g.Dir1->path(), h.music / "Band");
  EXPECT_TRUE(g.Check1->isChecked());
  EXPECT_EQ(vqtest::Rows(g.List1), QStringList{"a.mp3"});
}
