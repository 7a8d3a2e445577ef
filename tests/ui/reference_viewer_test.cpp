// The reference viewer: its place beside the main window, the reference text, the two
// halves, and a frame listing that typing cannot change.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include "platform/codepage.h"
#include "platform/text.h"
#include "support/ui/ui_test_util.h"
#include "windows/viewer/reference_viewer.h"

using vq::ReferenceViewer;
using vqtest::Utf8;

namespace {

void WriteReference(const vqtest::TempDir& dir, const std::string& bytes) {
  vqtest::WriteBytes(dir / "id3 tag.txt", bytes);
}

}  // namespace

TEST(ReferenceViewer, ReferenceLinesInFileOrderWithEmptyLines) {
  vqtest::TempDir dir;
  WriteReference(dir, vq::cp932::Encode(u"【ID3】\r\n\r\n 曲名 ﾀｲﾄﾙ\r\nlast"));
  ReferenceViewer w(dir.path());
  w.Load(nullptr);
  EXPECT_EQ(vqtest::Rows(w.referenceList), (QStringList{QString::fromUtf16(u"【ID3】"), "", QString::fromUtf16(u" 曲名 ﾀｲﾄﾙ"),
                                                "last"}));
  EXPECT_EQ(w.windowTitle(), "ID3 Tag v2");
}

TEST(ReferenceViewer, MissingOrEmptyReferenceFileGivesAnEmptyList) {
  vqtest::TempDir dir;
  ReferenceViewer missing(dir.path());
  missing.Load(nullptr);
  EXPECT_EQ(missing.referenceList->count(), 0);
  WriteReference(dir, "");
  ReferenceViewer empty(dir.path());
  empty.Load(nullptr);
  EXPECT_EQ(empty.referenceList->count(), 0);
}

TEST(ReferenceViewer, InstalledProgramReadsTheReferenceTextFromTheShareFolder) {
  // prefix/bin/velquist with prefix/share/velquist/id3 tag.txt, nothing beside it.
  vqtest::TempDir dir;
  std::string bin = dir.MakeDir("prefix/bin");
  vqtest::WriteBytes(dir / "prefix/share/velquist/id3 tag.txt", vq::cp932::Encode(u"【共有】\r\n2行目\r\n"));
  ReferenceViewer w(bin);
  w.Load(nullptr);
  EXPECT_EQ(vqtest::Rows(w.referenceList), (QStringList{QString::fromUtf16(u"【共有】"), QString::fromUtf16(u"2行目")}));
}

TEST(ReferenceViewer, TheShippedReferenceTextIsBesideTheProgram) {
  std::string path = Utf8(QCoreApplication::applicationDirPath()) + "/id3 tag.txt";
  std::string bytes = vqtest::ReadBytes(path);
  ASSERT_FALSE(bytes.empty());
  ReferenceViewer w(Utf8(QCoreApplication::applicationDirPath()));
  w.Load(nullptr);
  // One entry per CR LF line.
  std::size_t lines = 0;
  for (std::size_t p = bytes.find("\r\n"); p != std::string::npos; p = bytes.find("\r\n", p + 2)) ++lines;
  if (bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") != 0) ++lines;
  EXPECT_EQ(static_cast<std::size_t>(w.referenceList->count()), lines);
  EXPECT_EQ(w.referenceList->item(0)->text(), QString::fromStdU16String(vq::cp932::Decode(bytes.substr(0, bytes.find("\r\n")))));
}

TEST(ReferenceViewer, PlacedRightOfTheMainWindowOnTheWorkArea) {
  vqtest::MainWindowHarness h;
  auto& f = h.Start();
  ReferenceViewer& w = f.viewer();
  QRect work = f.screen()->availableGeometry();
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(w.frameGeometry().left(), work.left() + f.frameGeometry().width());
  EXPECT_EQ(w.frameGeometry().top(), work.top());
  EXPECT_EQ(w.frameGeometry().height(), f.frameGeometry().height());
  // The rest of the work area's width (at least a usable sliver on a narrow screen).
  EXPECT_EQ(w.frameGeometry().width(), std::max(work.width() - f.frameGeometry().width(), 100));
  EXPECT_EQ(w.listingView->font().families().value(0), QString::fromUtf16(u"ＭＳ ゴシック"));
  EXPECT_EQ(w.referenceList->font().families().value(0), QString::fromUtf16(u"ＭＳ ゴシック"));
}

TEST(ReferenceViewer, ResizeSplitsIntoTwoEqualHalves) {
  vqtest::TempDir dir;
  ReferenceViewer w(dir.path());
  w.Load(nullptr);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  for (QSize size : {QSize(500, 301), QSize(640, 480), QSize(321, 77)}) {
    w.resize(size);
    QApplication::processEvents();
    SCOPED_TRACE(size.height());
    EXPECT_EQ(w.listingView->geometry(), QRect(0, 0, size.width(), size.height() / 2));
    EXPECT_EQ(w.referenceList->geometry(), QRect(0, size.height() / 2, size.width(), size.height() / 2));
  }
}

TEST(ReferenceViewer, TypingIntoTheListingChangesNothingSelectingAndCopyingWork) {
  vqtest::TempDir dir;
  ReferenceViewer w(dir.path());
  w.Load(nullptr);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  const QString listing = "TIT2(0) Title\r\nTPE1(0) Artist\r\n";
  w.setListing(listing);
  QString shown = w.listingView->toPlainText();
  EXPECT_EQ(shown, "TIT2(0) Title\nTPE1(0) Artist\n");

  QApplication::clipboard()->setText("pasted");
  w.listingView->setFocus();
  QTest::keyClicks(w.listingView, "abc");
  QTest::keyClick(w.listingView, Qt::Key_Backspace);
  QTest::keyClick(w.listingView, Qt::Key_Delete);
  QTest::keyClick(w.listingView, Qt::Key_Return);
  QTest::keyClick(w.listingView, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(w.listingView, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(w.listing(), listing);
  EXPECT_EQ(w.listingView->toPlainText(), shown);

  QTest::keyClick(w.listingView, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(w.listingView->textCursor().selectedText().size(), shown.size());
  QTest::keyClick(w.listingView, Qt::Key_C, Qt::ControlModifier);
  EXPECT_TRUE(QApplication::clipboard()->text().startsWith("TIT2(0) Title"));

  w.appendListing("COMM(0) x\r\n");
  EXPECT_EQ(w.listing(), listing + "COMM(0) x\r\n");
}

TEST(ReferenceViewer, ClosedViewerIsLoadedAgainWithoutBeingShown) {
  vqtest::MainWindowHarness h;
  h.music.CopyFixture("02_v23_latin1_mutagen_mpeg1_l3_32k.mp3", "a.mp3");
  auto& f = h.Start();
  f.viewer().close();
  EXPECT_FALSE(f.viewer().isVisible());
  QTest::mouseClick(f.modeButtons[1], Qt::LeftButton);
  EXPECT_FALSE(f.viewer().isVisible());
  EXPECT_TRUE(f.viewer().listing().startsWith("TIT2(0) Latin-1 Title\r\n"));
  EXPECT_TRUE(f.isVisible());
}
