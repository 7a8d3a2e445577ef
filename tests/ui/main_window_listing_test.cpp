// The main window's folder navigation and file list: both modes, the next folder, the
// read-only warning, drive changes, folders that cannot be read, and changes made while
// the list is being built.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "widgets/drive_list.h"
#include "widgets/folder_list.h"
#include "support/ui/ui_test_util.h"

using vq::ui::FolderList;
using vqtest::CurrentRow;
using vqtest::RowCount;
using vqtest::RowText;
using vqtest::SelectRow;
using vqtest::MainWindowHarness;
using vqtest::Rows;
using vqtest::Utf8;

namespace {

const QString kReadOnly = QString::fromUtf16(u"選択されているファイルが読取専用になっています");

// Opens a folder of the folder list the way a user does: highlight it, press Enter.
void OpenInFolderTree(vq::MainWindow& f, const std::string& path) {
  for (int i = 0; i < f.folderTree->count(); ++i) {
    if (f.folderTree->item(i)->data(FolderList::kPathRole).toByteArray().toStdString() == path) {
      f.folderTree->setFocus();
      f.folderTree->setCurrentRow(i);
      QTest::keyClick(f.folderTree, Qt::Key_Return);
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

TEST(MainWindowModes, SwitchingShowsHidesAndRelists) {
  MainWindowHarness h;
  vqtest::MakeFile(h.music / "own.mp3", 200);
  vqtest::MakeFile(h.music / "Disc 1/sub.mp3", 200);
  auto& f = h.Start();

  QTest::mouseClick(f.modeButtons[1], Qt::LeftButton);
  EXPECT_TRUE(f.FileNameMode());
  EXPECT_FALSE(f.fileInfoFields[0]->isVisible());
  EXPECT_FALSE(f.fileInfoFields[1]->isVisible());
  EXPECT_TRUE(f.fileInfoFields[2]->isVisible());
  EXPECT_TRUE(f.captionLabels[0]->isVisible());
  EXPECT_FALSE(f.nextFolderButton->isVisible());
  EXPECT_FALSE(f.commandButtons[7]->isEnabled());
  EXPECT_EQ(Rows(f.fileList), QStringList{"own.mp3"});
  EXPECT_EQ(Entries(h.session), QStringList{""});
  EXPECT_EQ(QApplication::focusWidget(), f.tagFields[f.lastField]);

  QTest::mouseClick(f.modeButtons[0], Qt::LeftButton);
  EXPECT_FALSE(f.FileNameMode());
  EXPECT_TRUE(f.fileInfoFields[0]->isVisible());
  EXPECT_TRUE(f.fileInfoFields[1]->isVisible());
  EXPECT_TRUE(f.nextFolderButton->isVisible());
  EXPECT_TRUE(f.commandButtons[7]->isEnabled());
  EXPECT_EQ(Rows(f.fileList), (QStringList{"own.mp3", "sub.mp3"}));
  EXPECT_EQ(Entries(h.session), (QStringList{"", "/Disc 1"}));
}

TEST(MainWindowListing, Mp3NamesInAnyCaseAreListedHiddenFilesAreNot) {
  MainWindowHarness h;
  for (auto* n : {"X.MP3", "y.Mp3", ".hidden.mp3", "cover.jpg"}) vqtest::MakeFile(h.music / n, 200);
  h.WritePathDat({"1"});
  auto& f = h.Start();
  QStringList rows = Rows(f.fileList);
  rows.sort();
  EXPECT_EQ(rows, (QStringList{"X.MP3", "y.Mp3"}));
  QTest::mouseClick(f.modeButtons[0], Qt::LeftButton);
  rows = Rows(f.fileList);
  rows.sort();
  EXPECT_EQ(rows, (QStringList{"X.MP3", "y.Mp3"}));
}

TEST(MainWindowListing, FilesOnlyInSubfolders) {
  MainWindowHarness h;
  vqtest::MakeFile(h.music / "Artist/Album A/1.mp3", 200);
  vqtest::MakeFile(h.music / "Artist/Album A/2.mp3", 200);
  vqtest::MakeFile(h.music / "Artist/Album B/3.mp3", 200);
  auto& f = h.Start();
  OpenInFolderTree(f, h.music / "Artist");
  ASSERT_EQ(f.folderTree->path(), h.music / "Artist");
  ASSERT_EQ(RowCount(f.fileList), 3);
  for (int i = 0; i < 3; ++i) {
    QString entry = QString::fromStdString(h.session.rows[static_cast<std::size_t>(i)].subfolderEntry);
    EXPECT_EQ(entry, RowText(f.fileList, i) == "3.mp3" ? "/Album B" : "/Album A");
  }
  EXPECT_EQ(CurrentRow(f.fileList), 0);
  EXPECT_EQ(f.positionLabel->text(), QString::fromUtf16(u"1/3 曲"));

  QTest::mouseClick(f.modeButtons[1], Qt::LeftButton);
  EXPECT_EQ(RowCount(f.fileList), 0);
  EXPECT_EQ(CurrentRow(f.fileList), -1);
  // Nothing selected: the fields keep what they showed.
  EXPECT_EQ(f.positionLabel->text(), QString::fromUtf16(u"1/3 曲"));
}

TEST(MainWindowListing, ALongNameAnywhereWidensEveryRowAndTheScrollRange) {
  // The rows share one size: it must be the widest row's, not the last row's.
  MainWindowHarness h;
  const std::string longName = "b " + std::string(60, 'W') + ".mp3";
  for (const std::string& name : {std::string("a.mp3"), longName, std::string("c.mp3")})
    vqtest::MakeFile(h.music / name, 200);
  auto& f = h.Start();
  ASSERT_EQ(Rows(f.fileList), (QStringList{"a.mp3", Utf8(longName), "c.mp3"}));
  QApplication::processEvents();
  const int wide = f.fileList->fontMetrics().horizontalAdvance(Utf8(longName));
  ASSERT_GT(wide, f.fileList->viewport()->width());
  for (int row = 0; row < 3; ++row) EXPECT_GE(f.fileList->visualRect(f.fileList->model()->index(row, 0)).width(), wide);
  EXPECT_GE(f.fileList->horizontalScrollBar()->maximum(), wide - f.fileList->viewport()->width());
}

TEST(MainWindowNextFolder, CaptionWalkAndDisabledEnd) {
  MainWindowHarness h;
  for (auto* n : {"A", "b", "C"}) vqtest::MakeFile(h.music / (std::string("Music/") + n + "/x.mp3"), 200);
  auto& f = h.Start();
  OpenInFolderTree(f, h.music / "Music");
  OpenInFolderTree(f, h.music / "Music/b");
  EXPECT_EQ(f.nextFolderButton->text(), QString::fromUtf16(u"次ﾌｫﾙﾀﾞへ(2/3)"));
  EXPECT_EQ(f.nextFolderButton->accessibleName(), f.nextFolderButton->text());
  EXPECT_TRUE(f.nextFolderButton->isEnabled());
  EXPECT_EQ(f.nextFolder, h.music / "Music/C");

  QTest::mouseClick(f.nextFolderButton, Qt::LeftButton);
  EXPECT_EQ(f.folderTree->path(), h.music / "Music/C");
  EXPECT_FALSE(f.nextFolderButton->isEnabled());
  EXPECT_EQ(f.nextFolderButton->text(), QString::fromUtf16(u"次ﾌｫﾙﾀﾞへ(2/3)"));  // kept from b
  EXPECT_EQ(Rows(f.fileList), QStringList{"x.mp3"});

  OpenInFolderTree(f, h.music / "Music");
  OpenInFolderTree(f, h.music / "Music/A");
  EXPECT_EQ(f.nextFolderButton->text(), QString::fromUtf16(u"次ﾌｫﾙﾀﾞへ(1/3)"));
  EXPECT_TRUE(f.nextFolderButton->isEnabled());

  // In file-name mode the button is hidden; back in folder-structure mode it is there.
  QTest::mouseClick(f.modeButtons[1], Qt::LeftButton);
  EXPECT_FALSE(f.nextFolderButton->isVisible());
  QTest::mouseClick(f.modeButtons[0], Qt::LeftButton);
  EXPECT_TRUE(f.nextFolderButton->isVisible());
  EXPECT_TRUE(f.nextFolderButton->isEnabled());
}

TEST(MainWindowNextFolder, DirectlyBelowTheRootTheButtonIsDisabled) {
  MainWindowHarness h;
  auto& f = h.Start();
  // The temporary folder lies directly below the root here.
  std::string tmp = "/" + (++std::filesystem::path(h.music.path()).begin())->string();
  ASSERT_TRUE(f.folderTree->setPath(tmp));
  EXPECT_FALSE(f.nextFolderButton->isEnabled());
  EXPECT_TRUE(f.nextFolder.empty());
}

TEST(MainWindowListing, TwoReadOnlyFilesSelectTheLaterOneAndWarnOnce) {
  for (int mode = 0; mode < 2; ++mode) {
    SCOPED_TRACE(mode);
    MainWindowHarness h;
    for (auto* n : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}) vqtest::MakeFile(h.music / n, 200);
    ::chmod((h.music / "a.mp3").c_str(), 0444);
    ::chmod((h.music / "c.mp3").c_str(), 0444);
    h.WritePathDat({mode == 0 ? "0" : "1", "/", h.music.path()});
    auto& f = h.Start(h.music.path());
    QStringList rows = Rows(f.fileList);
    ASSERT_EQ(rows.size(), 4);
    int expected = std::max(rows.indexOf("a.mp3"), rows.indexOf("c.mp3"));
    EXPECT_EQ(CurrentRow(f.fileList), expected);
    EXPECT_EQ(h.messages.Count(kReadOnly), 1);
    EXPECT_EQ(h.messages.requests.size(), 1u);
    EXPECT_EQ(h.messages.requests[0].caption, "Velquist");
    EXPECT_EQ(h.messages.requests[0].buttons, vq::ui::MsgButtons::Ok);
    // The warning comes after the selection: the file is already shown.
    EXPECT_EQ(f.fileInfoText(2), rows[expected]);
  }
}

TEST(MainWindowFolders, AFolderThatCannotBeOpenedIsReportedAndThePreviousStays) {
  MainWindowHarness h;
  vqtest::MakeFile(h.music / "here.mp3", 200);
  h.music.MakeDir("gone");
  h.WritePathDat({"0", "/", h.music.path()});
  auto& f = h.Start();
  ASSERT_EQ(Rows(f.fileList), QStringList{"here.mp3"});
  std::filesystem::remove(h.music / "gone");
  OpenInFolderTree(f, h.music / "gone");
  ASSERT_EQ(h.messages.requests.size(), 1u);
  EXPECT_EQ(h.messages.requests[0].text, QString::fromUtf16(u"フォルダを開けません。\r\n") + Utf8(h.music / "gone") +
                                             QString::fromUtf16(u"\r\nファイルが見つかりません。"));
  EXPECT_EQ(f.folderTree->path(), h.music.path());
  EXPECT_EQ(Rows(f.fileList), QStringList{"here.mp3"});
}

class MainWindowDrives : public ::testing::Test {
 protected:
  void SetUp() override {
    volume = h.music.MakeDir("vol");
    missing = h.music / "unplugged";
    vq::ui::DriveList::SetVolumeSource([this] { return std::vector<std::string>{"/", volume, missing}; });
  }
  void TearDown() override { vq::ui::DriveList::SetVolumeSource(nullptr); }
  void Choose(vq::MainWindow& f, const std::string& v) {
    f.driveBox->setFocus();
    int target = f.driveBox->findData(QByteArray::fromStdString(v));
    ASSERT_GE(target, 0);
    while (f.driveBox->currentIndex() != target) {
      int before = f.driveBox->currentIndex();
      QTest::keyClick(f.driveBox, before < target ? Qt::Key_Down : Qt::Key_Up);
      if (f.driveBox->currentIndex() == before) break;  // the choice was refused
    }
  }
  MainWindowHarness h;
  std::string volume, missing;
};

TEST_F(MainWindowDrives, ADriveChangeMovesToTheFolderLastUsedThere) {
  vqtest::MakeFile(volume + "/Album/v.mp3", 200);
  h.music.MakeDir("start");
  auto& f = h.Start(h.music / "start");
  EXPECT_EQ(f.driveBox->drive(), "/");
  Choose(f, volume);
  EXPECT_EQ(f.driveBox->drive(), volume);
  EXPECT_EQ(f.folderTree->path(), volume);
  EXPECT_EQ(Rows(f.fileList), QStringList{"v.mp3"});
  OpenInFolderTree(f, volume + "/Album");
  EXPECT_EQ(f.driveBox->drive(), volume);

  Choose(f, "/");
  EXPECT_EQ(f.folderTree->path(), h.music / "start");
  Choose(f, volume);
  EXPECT_EQ(f.folderTree->path(), volume + "/Album");
  EXPECT_TRUE(h.messages.requests.empty());
}

TEST_F(MainWindowDrives, ADriveThatCannotBeReadIsReportedAndThePreviousFolderStays) {
  h.music.MakeDir("start");
  auto& f = h.Start(h.music / "start");
  f.driveBox->setFocus();
  f.driveBox->chooseHandler(missing);
  ASSERT_EQ(h.messages.requests.size(), 1u);
  EXPECT_TRUE(h.messages.requests[0].text.startsWith(QString::fromUtf16(u"ドライブを読み取れません。\r\n") + Utf8(missing)));
  EXPECT_EQ(f.folderTree->path(), h.music / "start");
  EXPECT_EQ(f.driveBox->drive(), "/");
  EXPECT_EQ(f.driveBox->currentText(), "/");
}

TEST(MainWindowHeldBack, AFolderChangeDuringTheListingWaitsUntilTheListIsComplete) {
  MainWindowHarness h;
  for (int i = 0; i < 6; ++i) vqtest::MakeFile(h.music / ("f" + std::to_string(i) + ".mp3"), 200);
  vqtest::MakeFile(h.music / "next/n.mp3", 200);
  auto& f = h.Start();

  // Highlight "next" without opening it; while the file-name listing runs, Enter opens it.
  std::string next = h.music / "next";
  for (int i = 0; i < f.folderTree->count(); ++i)
    if (f.folderTree->item(i)->data(FolderList::kPathRole).toByteArray().toStdString() == next) f.folderTree->setCurrentRow(i);
  bool sawFilling = false;
  std::string pathDuring;
  int rowsDuring = -1;
  bool modeDuring = false;
  QTimer::singleShot(0, [&] {
    sawFilling = f.fillingList;
    rowsDuring = RowCount(f.fileList);
    f.folderTree->setFocus();
    QTest::keyClick(f.folderTree, Qt::Key_Return);
    QTest::mouseClick(f.modeButtons[0], Qt::LeftButton);  // back to folder structure, also held
    pathDuring = f.folderTree->path();
    modeDuring = f.FileNameMode();
    // A selection made meanwhile is ignored.
    SelectRow(f.fileList, 0);
  });
  QTest::mouseClick(f.modeButtons[1], Qt::LeftButton);

  EXPECT_TRUE(sawFilling);
  EXPECT_LT(rowsDuring, 6);
  EXPECT_EQ(pathDuring, h.music.path());
  EXPECT_TRUE(modeDuring);
  // Both changes ran afterwards, in order.
  EXPECT_EQ(f.folderTree->path(), next);
  EXPECT_FALSE(f.FileNameMode());
  EXPECT_EQ(Rows(f.fileList), QStringList{"n.mp3"});
  EXPECT_EQ(f.fileInfoText(2), "n.mp3");
}

TEST(MainWindowListing, CheckBoxClickReturnsTheFocusToTheLastField) {
  MainWindowHarness h;
  auto& f = h.Start();
  QTest::mouseClick(f.keepDateBox, Qt::LeftButton);
  EXPECT_TRUE(f.keepDateBox->isChecked());
  EXPECT_EQ(QApplication::focusWidget(), f.tagFields[f.lastField]);
}
