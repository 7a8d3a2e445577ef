// The window-system seam: folder list, drive list, message boxes and modal windows,
// beep, twips, fonts, and moving a window's rectangle onto the work area.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/fileio.h"
#include "widgets/dialogs.h"
#include "widgets/drive_list.h"
#include "widgets/folder_list.h"
#include "widgets/fonts.h"
#include "widgets/twips.h"
#include "widgets/window_frame.h"
#include "support/ui/ui_test_util.h"

using vq::ui::FolderList;
using vqtest::Utf8;

namespace {

QStringList ItemTexts(const QListWidget& list) { return vqtest::Rows(&list); }

QListWidgetItem* ItemForPath(const QListWidget& list, const std::string& path) {
  for (int i = 0; i < list.count(); ++i)
    if (list.item(i)->data(FolderList::kPathRole).toByteArray().toStdString() == path) return list.item(i);
  return nullptr;
}

}  // namespace

TEST(FolderList, AncestorsThenSubfoldersSortedIgnoringCase) {
  vqtest::TempDir dir;
  for (auto* name : {"b", "C", "a", ".hidden", "Ä"}) dir.MakeDir(std::string("top/") + name);
  vqtest::MakeFile(dir / "top/file.mp3", 10);
  FolderList list;
  QSignalSpy changed(&list, &FolderList::changed);
  const std::string top = dir / "top";
  ASSERT_TRUE(list.setPath(top + "/"));
  EXPECT_EQ(list.path(), top);
  EXPECT_EQ(changed.count(), 1);

  QStringList parts = Utf8(top).split('/', Qt::SkipEmptyParts);
  QStringList expected{"/"};
  expected += parts;
  expected += QStringList{"a", "b", "C", "Ä"};
  EXPECT_EQ(ItemTexts(list), expected);
  // Indented by depth; the current folder is the highlighted entry.
  EXPECT_EQ(list.item(0)->data(FolderList::kLevelRole).toInt(), 0);
  EXPECT_EQ(list.item(parts.size())->data(FolderList::kLevelRole).toInt(), parts.size());
  EXPECT_EQ(list.item(parts.size() + 1)->data(FolderList::kLevelRole).toInt(), parts.size() + 1);
  EXPECT_EQ(list.currentItem()->data(FolderList::kPathRole).toByteArray().toStdString(), top);

  EXPECT_EQ(list.listCount(), 4);
  EXPECT_EQ(list.entry(0), top + "/a");
  EXPECT_EQ(list.entry(2), top + "/C");
  EXPECT_EQ(list.entry(4), "");

  // The same path again: no change.
  ASSERT_TRUE(list.setPath(top));
  EXPECT_EQ(changed.count(), 1);
}

TEST(FolderList, RootHasNoTrailingDoubleSeparator) {
  FolderList list;
  ASSERT_TRUE(list.setPath("/"));
  EXPECT_EQ(list.path(), "/");
  EXPECT_EQ(list.item(0)->text(), "/");
  for (int i = 0; i < list.listCount(); ++i) EXPECT_FALSE(list.entry(i).starts_with("//"));
}

// Folders named in Shift-JIS or Latin-1 bytes are shown readably and opened by their
// own bytes.
TEST(FolderList, NamesInAnyBytesAreShownDecodedAndOpenedByTheirBytes) {
  vqtest::TempDir dir;
  const std::string sjis = "\x83\x65\x83\x58\x83\x67";  // テスト
  const std::string latin1 = "caf\xE9";
  dir.MakeDir("top/" + sjis + "/" + sjis);
  dir.MakeDir("top/" + latin1);
  FolderList list;
  ASSERT_TRUE(list.setPath(dir / "top"));
  QListWidgetItem* shown = ItemForPath(list, dir / ("top/" + sjis));
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->text(), QString::fromUtf16(u"テスト"));
  ASSERT_TRUE(ItemForPath(list, dir / ("top/" + latin1)));
  EXPECT_EQ(ItemForPath(list, dir / ("top/" + latin1))->text(), QString::fromUtf16(u"caf\uFFFD"));

  list.setCurrentItem(shown);
  QTest::keyClick(&list, Qt::Key_Return);
  EXPECT_EQ(list.path(), dir / ("top/" + sjis));
  EXPECT_EQ(list.listCount(), 1);
  EXPECT_EQ(list.entry(0), dir / ("top/" + sjis + "/" + sjis));
  EXPECT_EQ(list.currentItem()->text(), QString::fromUtf16(u"テスト"));
}

TEST(FolderList, UnreadableFolderIsRefusedAndNothingChanges) {
  vqtest::TempDir dir;
  dir.MakeDir("ok");
  vqtest::MakeFile(dir / "plain", 1);
  FolderList list;
  ASSERT_TRUE(list.setPath(dir / "ok"));
  QSignalSpy changed(&list, &FolderList::changed);
  QString error;
  EXPECT_FALSE(list.setPath(dir / "missing", &error));
  EXPECT_EQ(error, QString::fromUtf16(u"ファイルが見つかりません。"));
  EXPECT_FALSE(list.setPath(dir / "plain", &error));
  EXPECT_EQ(error, QString::fromUtf16(u"パスが見つかりません。"));
  vq::FaultInjection::FailAt(1, EACCES, vq::FileOp::List);
  EXPECT_FALSE(list.setPath(dir.path(), &error));
  vq::FaultInjection::Reset();
  EXPECT_EQ(list.path(), dir / "ok");
  EXPECT_EQ(changed.count(), 0);
}

TEST(FolderList, EnterAndDoubleClickOpenAnEntryArrowsOnlyMove) {
  vqtest::TempDir dir;
  dir.MakeDir("top/one/deeper");
  dir.MakeDir("top/two");
  const std::string top = dir / "top";
  FolderList list;
  list.resize(300, 400);
  ASSERT_TRUE(list.setPath(top));
  list.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
  QSignalSpy changed(&list, &FolderList::changed);

  // Down moves the highlight to "one" without opening it.
  QTest::keyClick(&list, Qt::Key_Down);
  EXPECT_EQ(list.currentItem()->text(), "one");
  EXPECT_EQ(list.path(), top);
  EXPECT_EQ(changed.count(), 0);
  QTest::keyClick(&list, Qt::Key_Return);
  EXPECT_EQ(list.path(), top + "/one");
  EXPECT_EQ(changed.count(), 1);

  // Double-click on the parent ("top") goes back up.
  QListWidgetItem* parent = ItemForPath(list, top);
  ASSERT_TRUE(parent);
  QRect r = list.visualItemRect(parent);
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, r.center());
  EXPECT_EQ(changed.count(), 1);  // a single click only highlights
  QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, r.center());
  EXPECT_EQ(list.path(), top);
  EXPECT_EQ(changed.count(), 2);

  // With an open handler the owner decides.
  std::vector<std::string> asked;
  list.openHandler = [&](const std::string& p) { asked.push_back(p); };
  QListWidgetItem* two = ItemForPath(list, top + "/two");
  list.setCurrentItem(two);
  QTest::keyClick(&list, Qt::Key_Enter);
  EXPECT_EQ(asked, std::vector<std::string>{top + "/two"});
  EXPECT_EQ(list.path(), top);
}

class DriveListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vq::ui::DriveList::SetVolumeSource([this] { return volumes; });
  }
  void TearDown() override { vq::ui::DriveList::SetVolumeSource(nullptr); }
  std::vector<std::string> volumes{"/", "/media/usb", "/media/\x83\x65"};
};

TEST_F(DriveListTest, ListsVolumesAndFollowsTheFolder) {
  using Paths = std::vector<std::string>;
  vq::ui::DriveList drives;
  QSignalSpy changed(&drives, &vq::ui::DriveList::changed);
  EXPECT_EQ(drives.volumes(), (Paths{"/", "/media/usb", "/media/\x83\x65"}));
  EXPECT_EQ(drives.itemText(2), QString::fromUtf16(u"/media/テ"));
  drives.showVolumeOf("/media/usb/Music/A");
  EXPECT_EQ(drives.drive(), "/media/usb");
  EXPECT_EQ(drives.currentText(), "/media/usb");
  drives.showVolumeOf("/media/usb2");
  EXPECT_EQ(drives.drive(), "/");
  EXPECT_EQ(changed.count(), 0);

  EXPECT_TRUE(drives.setDrive("/media/usb"));
  EXPECT_EQ(changed.count(), 1);
  EXPECT_TRUE(drives.setDrive("/media/usb"));  // same: no change
  EXPECT_EQ(changed.count(), 1);
  EXPECT_FALSE(drives.setDrive("/media/gone"));
  EXPECT_EQ(drives.drive(), "/media/usb");

  // A volume that goes away leaves the list when it is read again.
  volumes = {"/"};
  drives.showVolumeOf("/home");
  EXPECT_EQ(drives.volumes(), Paths{"/"});
}

TEST_F(DriveListTest, UserChoiceGoesToTheHandler) {
  vq::ui::DriveList drives;
  drives.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&drives));
  std::vector<std::string> chosen;
  drives.chooseHandler = [&](const std::string& v) { chosen.push_back(v); };
  QTest::keyClick(&drives, Qt::Key_Down);
  EXPECT_EQ(chosen, std::vector<std::string>{"/media/usb"});
  // Until the owner accepts, the list shows the current volume.
  EXPECT_EQ(drives.currentText(), "/");
  EXPECT_EQ(drives.drive(), "/");

  drives.chooseHandler = nullptr;
  QSignalSpy changed(&drives, &vq::ui::DriveList::changed);
  QTest::keyClick(&drives, Qt::Key_Down);
  EXPECT_EQ(drives.drive(), "/media/usb");
  EXPECT_EQ(changed.count(), 1);
}

TEST(Dialogs, AnswererReceivesCaptionTextAndButtons) {
  vqtest::MessageLog log;
  log.answers.push_back(vq::ui::MsgAnswer::Yes);
  auto a = vq::ui::Dialogs::Message(nullptr, "q?\r\nline", vq::ui::MsgButtons::YesNo, "Cap");
  EXPECT_EQ(a, vq::ui::MsgAnswer::Yes);
  auto b = vq::ui::Dialogs::Message(nullptr, "info");
  EXPECT_EQ(b, vq::ui::MsgAnswer::Ok);
  ASSERT_EQ(log.requests.size(), 2u);
  EXPECT_EQ(log.requests[0].caption, "Cap");
  EXPECT_EQ(log.requests[0].text, "q?\r\nline");
  EXPECT_EQ(log.requests[0].buttons, vq::ui::MsgButtons::YesNo);
  EXPECT_EQ(log.requests[1].caption, "Velquist");
  EXPECT_EQ(log.requests[1].buttons, vq::ui::MsgButtons::Ok);
  EXPECT_EQ(log.requests[1].icon, vq::ui::MsgIcon::None);
}

TEST(Dialogs, RealMessageBoxAnswersWithItsButtons) {
  // No answerer: a real QMessageBox, closed here with the keyboard.
  QTimer::singleShot(0, [] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->windowTitle(), QString::fromUtf16(u"終了確認"));
    QStringList buttons;
    for (auto* b : box->findChildren<QPushButton*>()) buttons << b->text();
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{QString::fromUtf16(u"いいえ(&N)"), QString::fromUtf16(u"はい(&Y)")}));
    QTest::keyClick(box, Qt::Key_Escape);
  });
  auto a = vq::ui::Dialogs::Message(nullptr, QString::fromUtf16(u"終了しますか?"), vq::ui::MsgButtons::YesNo,
                                    QString::fromUtf16(u"終了確認"));
  EXPECT_EQ(a, vq::ui::MsgAnswer::No);
}

TEST(Dialogs, ModalHookDrivesTheOpenWindow) {
  QDialog dialog;
  auto* edit = new QLineEdit(&dialog);
  (new QVBoxLayout(&dialog))->addWidget(edit);
  bool wasModal = false;
  vqtest::ModalDriver driver([&](QDialog* d) {
    wasModal = d->isVisible() && QApplication::activeModalWidget() == d;
    edit->setFocus();
    QTest::keyClicks(edit, "typed");
    d->accept();
  });
  EXPECT_EQ(vq::ui::Dialogs::Exec(&dialog), QDialog::Accepted);
  EXPECT_TRUE(wasModal);
  EXPECT_EQ(edit->text(), "typed");
}

TEST(Dialogs, AWindowLeftOpenByTheHookIsRejected) {
  QDialog dialog;
  vqtest::ModalDriver driver([](QDialog*) {});
  EXPECT_EQ(vq::ui::Dialogs::Exec(&dialog), QDialog::Rejected);
}

TEST(Dialogs, BeepsAreCounted) {
  vq::ui::Dialogs::ResetBeepCount();
  vq::ui::Dialogs::Beep();
  vq::ui::Dialogs::Beep();
  EXPECT_EQ(vq::ui::Dialogs::BeepCount(), 2);
  vq::ui::Dialogs::ResetBeepCount();
  EXPECT_EQ(vq::ui::Dialogs::BeepCount(), 0);
}

TEST(Dialogs, YieldRunsPendingEvents) {
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  vq::ui::Dialogs::Yield();
  EXPECT_TRUE(ran);
}

TEST(Twips, FifteenToAPixel) {
  EXPECT_EQ(vq::ui::Twips(15), 1);
  EXPECT_EQ(vq::ui::Twips(11070), 738);
  EXPECT_EQ(vq::ui::Twips(8115), 541);
  EXPECT_EQ(vq::ui::Twips(40), 3);   // 2.67 to the nearest pixel
  EXPECT_EQ(vq::ui::Twips(7240), 483);
  EXPECT_EQ(vq::ui::ToTwips(738), 11070);
  EXPECT_EQ(vq::ui::TwipsRect(2760, 2600, 2535, 375), QRect(184, 173, 169, 25));
}

TEST(MovedInside, EachSideMovesOnlyAsFarAsNeeded) {
  const QRect area(40, 100, 800, 600);  // x 40-839, y 100-699
  struct Case {
    const char* name;
    QRect outer;
    QPoint expected;
  } cases[] = {
      {"inside", QRect(100, 200, 300, 200), QPoint(100, 200)},
      {"on the edges", QRect(40, 100, 800, 600), QPoint(40, 100)},
      {"left of it", QRect(10, 200, 300, 200), QPoint(40, 200)},
      {"right of it", QRect(600, 200, 300, 200), QPoint(540, 200)},
      {"above it", QRect(100, 77, 300, 200), QPoint(100, 100)},
      {"below it", QRect(100, 650, 300, 200), QPoint(100, 500)},
      {"one pixel past the corner", QRect(541, 501, 300, 200), QPoint(540, 500)},
      {"wider than the area", QRect(-142, 200, 984, 200), QPoint(40, 200)},
      {"taller than the area", QRect(100, 300, 300, 700), QPoint(100, 100)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(vq::ui::MovedInside(c.outer, area), c.expected);
  }
}

TEST(Fonts, WindowsFamiliesFirstThenIpaThenNoto) {
  QFont p = vq::ui::ProportionalFont();
  EXPECT_EQ(p.families(), (QStringList{QString::fromUtf16(u"ＭＳ Ｐゴシック"), "IPAPGothic", "Noto Sans CJK JP"}));
  EXPECT_DOUBLE_EQ(p.pointSizeF(), 11.25);
  QFont f = vq::ui::FixedFont(9);
  EXPECT_EQ(f.families(), (QStringList{QString::fromUtf16(u"ＭＳ ゴシック"), "IPAGothic", "Noto Sans CJK JP"}));
  EXPECT_DOUBLE_EQ(f.pointSizeF(), 9.0);
  // On this system the IPA fonts are what the families resolve to.
  QString resolved = QFontInfo(p).family();
  EXPECT_TRUE(resolved.startsWith("IPA") || resolved.startsWith("Noto") || resolved.startsWith(QString::fromUtf16(u"ＭＳ")))
      << resolved.toStdString();
  QString fixed = QFontInfo(f).family();
  EXPECT_TRUE(fixed == "IPAGothic" || fixed.startsWith("Noto") || fixed == QString::fromUtf16(u"ＭＳ ゴシック"))
      << fixed.toStdString();
}
