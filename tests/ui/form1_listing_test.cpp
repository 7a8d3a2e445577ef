// The main window's folder navigation and file list: both modes, the next folder, the
// read-only warning, drive changes, folders that cannot be read, and changes made while
// the list is being built.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "platform/ui/drive_list.h"
#include "platform/ui/folder_list.h"
#include "support/ui/ui_test_util.h"

using vq::ui::FolderList;
using vqtest::Form1Harness;
using vqtest::Rows;
using vqtest::Utf8;

namespace {

const QString kReadOnly = QString::fromUtf16(u"選択されているファイルが読取専用になっています");

// Opens a folder of the folder list the way a user does: highlight it, press Enter.
void OpenInDir1(vq::Form1& f, const std::string& path) {
  for (int i = 0; i < f.Dir1->count(); ++i) {
    if (f.Dir1->item(i)->data(FolderList::kPathRole).toByteArray().toStdString() == path) {
      f.Dir1->setFocus();
      f.Dir1->setCurrentRow(i);
      QTest::keyClick(f.Dir1, Qt::Key_Return);
      return;
    }
  }
  ADD_FAILURE() << "not in the folder list: " << path;
}

QStringList Entries(const vq::Session& s) {
  QStringList out;
  for (const auto& row : s.rows) out << QString::fromStdString(row.subfolderEntry);
  return out;
}

}  // namespace

TEST(Form1Modes, SwitchingShowsHidesAndRelists) {
  Form1Harness h;
  vqtest::MakeFile(h.music / "own.mp3", 200);
  vqtest::MakeFile(h.music / "Disc 1/sub.mp3", 200);
  auto& f = h.Start();

  QTest::mouseClick(f.Option1[1], Qt::LeftButton);
  EXPECT_TRUE(f.FileNameMode());
  EXPECT_FALSE(f.Text1[0]->isVisible());
  EXPECT_FALSE(f.Text1[1]->isVisible());
  EXPECT_TRUE(f.Text1[2]->isVisible());
  EXPECT_TRUE(f.Label1[0]->isVisible());
  EXPECT_FALSE(f.Command2->isVisible());
  EXPECT_FALSE(f.Command1[7]->isEnabled());
  EXPECT_EQ(Rows(f.List1), QStringList{"own.mp3"});
  EXPECT_EQ(Entries(h.state), QStringList{""});
  EXPECT_EQ(QApplication::focusWidget(), f.Text2[f.lastField]);

  QTest::mouseClick(f.Option1[0], Qt::LeftButton);
  EXPECT_FALSE(f.FileNameMode());
  EXPECT_TRUE(f.Text1[0]->isVisible());
  EXPECT_TRUE(f.Text1[1]->isVisible());
  EXPECT_TRUE(f.Command2->isVisible());
  EXPECT_TRUE(f.Command1[7]->isEnabled());
  EXPECT_EQ(Rows(f.List1), (QStringList{"own.mp3", "sub.mp3"}));
  EXPECT_EQ(Entries(h.state), (QStringList{"", "/Disc 1"}));
}

TEST(Form1Listing, Mp3NamesInAnyCaseAreListedHiddenFilesAreNot) {
  Form1Harness h;
  for (auto* n : {"X.MP3", "y.Mp3", ".hidden.mp3", "cover.jpg"}) vqtest::MakeFile(h.music / n, 200);
  h.WritePathDat({"1"});
  auto& f = h.Start();
  QStringList rows = Rows(f.List1);
  rows.sort();
  EXPECT_EQ(rows, (QStringList{"X.MP3", "y.Mp3"}));
  QTest::mouseClick(f.Option1[0], Qt::LeftButton);
  rows = Rows(f.List1);
  rows.sort();
  EXPECT_EQ(rows, (QStringList{"X.MP3", "y.Mp3"}));
}

TEST(Form1Listing, FilesOnlyInSubfolders) {
  Form1Harness h;
  vqtest::MakeFile(h.music / "Artist/Album A/1.mp3", 200);
  vqtest::MakeFile(h.music / "Artist/Album A/2.mp3", 200);
  vqtest::MakeFile(h.music / "Artist/Album B/3.mp3", 200);
  auto& f = h.Start();
  OpenInDir1(f, h.music / "Artist");
  ASSERT_EQ(f.Dir1->path(), h.music / "Artist");
  ASSERT_EQ(f.List1->count(), 3);
  for (int i = 0; i < 3; ++i) {
    QString entry = QString::fromStdString(h.state.rows[static_cast<std::size_t>(i)].subfolderEntry);
    EXPECT_EQ(entry, f.List1->item(i)->text() == "3.mp3" ? "/Album B" : "/Album A");
  }
  EXPECT_EQ(f.List1->currentRow(), 0);
  EXPECT_EQ(f.Label7->text(), QString::fromUtf16(u"1/3 曲"));

  QTest::mouseClick(f.Option1[1], Qt::LeftButton);
  EXPECT_EQ(f.List1->count(), 0);
  EXPECT_EQ(f.List1->currentRow(), -1);
  // Nothing selected: the fields keep what they showed.
  EXPECT_EQ(f.Label7->text(), QString::fromUtf16(u"1/3 曲"));
}

TEST(Form1NextFolder, CaptionWalkAndDisabledEnd) {
  Form1Harness h;
  for (auto* n : {"A", "b", "C"}) vqtest::MakeFile(h.music / (std::string("Music/") + n + "/x.mp3"), 200);
  auto& f = h.Start();
  OpenInDir1(f, h.music / "Music");
  OpenInDir1(f, h.music / "Music/b");
  EXPECT_EQ(f.Command2->text(), QString::fromUtf16(u"次ﾌｫﾙﾀﾞへ(2/3)"));
  EXPECT_EQ(f.Command2->accessibleName(), f.Command2->text());
  EXPECT_TRUE(f.Command2->isEnabled());
  EXPECT_EQ(f.nextFolder, h.music / "Music/C");

  QTest::mouseClick(f.Command2, Qt::LeftButton);
  EXPECT_EQ(f.Dir1->path(), h.music / "Music/C");
  EXPECT_FALSE(f.Command2->isEnabled());
  EXPECT_EQ(f.Command2->text(), QString::fromUtf16(u"次ﾌｫﾙﾀﾞへ(2/3)"));  // kept from b
  EXPECT_EQ(Rows(f.List1), QStringList{"x.mp3"});

  OpenInDir1(f, h.music / "Music");
  OpenInDir1(f, h.music / "Music/A");
  EXPECT_EQ(f.Command2->text(), QString::fromUtf16(u"次ﾌｫﾙﾀﾞへ(1/3)"));
  EXPECT_TRUE(f.Command2->isEnabled());

  // In file-name mode the button is hidden; back in folder-structure mode it is there.
  QTest::mouseClick(f.Option1[1], Qt::LeftButton);
  EXPECT_FALSE(f.Command2->isVisible());
  QTest::mouseClick(f.Option1[0], Qt::LeftButton);
  EXPECT_TRUE(f.Command2->isVisible());
  EXPECT_TRUE(f.Command2->isEnabled());
}

TEST(Form1NextFolder, DirectlyBelowTheRootTheButtonIsDisabled) {
  Form1Harness h;
  auto& f = h.Start();
  // The temporary folder lies directly below the root here.
  std::string tmp = "/" + (++std::filesystem::path(h.music.path()).begin())->string();
  ASSERT_TRUE(f.Dir1->setPath(tmp));
  EXPECT_FALSE(f.Command2->isEnabled());
  EXPECT_TRUE(f.nextFolder.empty());
}

TEST(Form1Listing, TwoReadOnlyFilesSelectTheLaterOneAndWarnOnce) {
  for (int mode = 0; mode < 2; ++mode) {
    SCOPED_TRACE(mode);
    Form1Harness h;
    for (auto* n : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}) vqtest::MakeFile(h.music / n, 200);
    ::chmod((h.music / "a.mp3").c_str(), 0444);
    ::chmod((h.music / "c.mp3").c_str(), 0444);
    h.WritePathDat({mode == 0 ? "0" : "1", "/", h.music.path()});
    auto& f = h.Start(h.music.path());
    QStringList rows = Rows(f.List1);
    ASSERT_EQ(rows.size(), 4);
    int expected = std::max(rows.indexOf("a.mp3"), rows.indexOf("c.mp3"));
    EXPECT_EQ(f.List1->currentRow(), expected);
    EXPECT_EQ(h.messages.Count(kReadOnly), 1);
    EXPECT_EQ(h.messages.requests.size(), 1u);
    EXPECT_EQ(h.messages.requests[0].caption, "Velquist");
    EXPECT_EQ(h.messages.requests[0].buttons, vq::ui::MsgButtons::Ok);
    // The warning comes after the selection: the file is already shown.
    EXPECT_EQ(f.text1(2), rows[expected]);
  }
}

TEST(Form1Folders, AFolderThatCannotBeOpenedIsReportedAndThePreviousStays) {
  Form1Harness h;
  vqtest::MakeFile(h.music / "here.mp3", 200);
  h.music.MakeDir("gone");
  h.WritePathDat({"0", "/", h.music.path()});
  auto& f = h.Start();
  ASSERT_EQ(Rows(f.List1), QStringList{"here.mp3"});
  std::filesystem::remove(h.music / "gone");
  OpenInDir1(f, h.music / "gone");
  ASSERT_EQ(h.messages.requests.size(), 1u);
  EXPECT_EQ(h.messages.requests[0].text, QString::fromUtf16(u"フォルダを開けません。\r\n") + Utf8(h.music / "gone") +
                                             QString::fromUtf16(u"\r\nファイルが見つかりません。"));
  EXPECT_EQ(f.Dir1->path(), h.music.path());
  EXPECT_EQ(Rows(f.List1), QStringList{"here.mp3"});
}

class Form1Drives : public ::testing::Test {
 protected:
  void SetUp() override {
    volume = h.music.MakeDir("vol");
    missing = h.music / "unplugged";
    vq::ui::DriveList::SetVolumeSource([this] { return std::vector<std::string>{"/", volume, missing}; });
  }
  void TearDown() override { vq::ui::DriveList::SetVolumeSource(nullptr); }
  void Choose(vq::Form1& f, const std::string& v) {
    f.Drive1->setFocus();
    int target = f.Drive1->findData(QByteArray::fromStdString(v));
    ASSERT_GE(target, 0);
    while (f.Drive1->currentIndex() != target) {
      int before = f.Drive1->currentIndex();
      QTest::keyClick(f.Drive1, before < target ? Qt::Key_Down : Qt::Key_Up);
      if (f.Drive1->currentIndex() == before) break;  // the choice was refused
    }
  }
  Form1Harness h;
  std::string volume, missing;
};

TEST_F(Form1Drives, ADriveChangeMovesToTheFolderLastUsedThere) {
  vqtest::MakeFile(volume + "/Album/v.mp3", 200);
  h.music.MakeDir("start");
  auto& f = h.Start(h.music / "start");
  EXPECT_EQ(f.Drive1->drive(), "/");
  Choose(f, volume);
  EXPECT_EQ(f.Drive1->drive(), volume);
  EXPECT_EQ(f.Dir1->path(), volume);
  EXPECT_EQ(Rows(f.List1), QStringList{"v.mp3"});
  OpenInDir1(f, volume + "/Album");
  EXPECT_EQ(f.Drive1->drive(), volume);

  Choose(f, "/");
  EXPECT_EQ(f.Dir1->path(), h.music / "start");
  Choose(f, volume);
  EXPECT_EQ(f.Dir1->path(), volume + "/Album");
  EXPECT_TRUE(h.messages.requests.empty());
}

TEST_F(Form1Drives, ADriveThatCannotBeReadIsReportedAndThePreviousFolderStays) {
  h.music.MakeDir("start");
  auto& f = h.Start(h.music / "start");
  f.Drive1->setFocus();
  f.Drive1->chooseHandler(missing);
  ASSERT_EQ(h.messages.requests.size(), 1u);
  EXPECT_TRUE(h.messages.requests[0].text.startsWith(QString::fromUtf16(u"ドライブを読み取れません。\r\n") + Utf8(missing)));
  EXPECT_EQ(f.Dir1->path(), h.music / "start");
  EXPECT_EQ(f.Drive1->drive(), "/");
  EXPECT_EQ(f.Drive1->currentText(), "/");
}

TEST(Form1HeldBack, AFolderChangeDuringTheListingWaitsUntilTheListIsComplete) {
  Form1Harness h;
  for (int i = 0; i < 6; ++i) vqtest::MakeFile(h.music / ("f" + std::to_string(i) + ".mp3"), 200);
  vqtest::MakeFile(h.music / "next/n.mp3", 200);
  auto& f = h.Start();

  // Highlight "next" without opening it; while the file-name listing runs, Enter opens it.
  std::string next = h.music / "next";
  for (int i = 0; i < f.Dir1->count(); ++i)
    if (f.Dir1->item(i)->data(FolderList::kPathRole).toByteArray().toStdString() == next) f.Dir1->setCurrentRow(i);
  bool sawFilling = false;
  std::string pathDuring;
  int rowsDuring = -1;
  bool modeDuring = false;
  QTimer::singleShot(0, [&] {
    sawFilling = f.fillingList;
    rowsDuring = f.List1->count();
    f.Dir1->setFocus();
    QTest::keyClick(f.Dir1, Qt::Key_Return);
    QTest::mouseClick(f.Option1[0], Qt::LeftButton);  // back to folder structure, also held
    pathDuring = f.Dir1->path();
    modeDuring = f.FileNameMode();
    // A selection made meanwhile is ignored.
    f.List1->setCurrentRow(0);
  });
  QTest::mouseClick(f.Option1[1], Qt::LeftButton);

  EXPECT_TRUE(sawFilling);
  EXPECT_LT(rowsDuring, 6);
  EXPECT_EQ(pathDuring, h.music.path());
  EXPECT_TRUE(modeDuring);
  // Both changes ran afterwards, in order.
  EXPECT_EQ(f.Dir1->path(), next);
  EXPECT_FALSE(f.FileNameMode());
  EXPECT_EQ(Rows(f.List1), QStringList{"n.mp3"});
  EXPECT_EQ(f.text1(2), "n.mp3");
}

TEST(Form1Listing, CheckBoxClickReturnsTheFocusToTheLastField) {
  Form1Harness h;
  auto& f = h.Start();
  QTest::mouseClick(f.Check1, Qt::LeftButton);
  EXPECT_TRUE(f.Check1->isChecked());
  EXPECT_EQ(QApplication::focusWidget(), f.Text2[f.lastField]);
}
