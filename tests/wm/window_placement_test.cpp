// The four windows' places under a real window manager, with real frames: run through
// tests/wm/run_under_wm.sh (Xvfb with openbox, QT_QPA_PLATFORM=xcb). The offscreen
// window tests cannot see any of this: there a window has its frame as soon as it exists,
// the same for every window, while a window manager frames a window only after mapping
// it, and its frames differ (a fixed-size window has a thinner bottom border).
//
// VQ_EXPECT_EDITOR_MOVED_IN=1 or 0 says whether the editor's designed place lies partly
// outside the work area in this run (set by the test's registration), so that each run
// is known to check the branch it is meant to.
#include <gtest/gtest.h>

#include <QDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTest>
#include <cstdlib>
#include <ostream>
#include <string>

#include "windows/passes/batch_dialog.h"
#include "widgets/dialogs.h"
#include "widgets/folder_list.h"
#include "widgets/twips.h"
#include "widgets/window_frame.h"
#include "support/ui/ui_test_util.h"
#include "windows/editor/tag_editor.h"
#include "windows/viewer/reference_viewer.h"

using vqtest::MainWindowHarness;
using vqtest::ModalDriver;

// Readable positions and rectangles in failures.
inline void PrintTo(const QPoint& p, std::ostream* os) { *os << "(" << p.x() << "," << p.y() << ")"; }
inline void PrintTo(const QSize& s, std::ostream* os) { *os << s.width() << "x" << s.height(); }
inline void PrintTo(const QRect& r, std::ostream* os) {
  *os << "(" << r.x() << "," << r.y() << " " << r.width() << "x" << r.height() << ")";
}

namespace {

std::string Describe(const QRect& r) { return ::testing::PrintToString(r); }

constexpr int kWaitMs = 10000;

// Waits until the window manager has mapped and framed the window and its placement has
// run with the real frame; then lets the window system's answers to that placement
// arrive, so that a window only passing through its place does not count.
::testing::AssertionResult Framed(QWidget* w) {
  const std::string name = w->objectName().toStdString();
  if (!QTest::qWaitForWindowExposed(w, kWaitMs)) return ::testing::AssertionFailure() << name << " was never exposed";
  if (!QTest::qWaitFor([w] { return w->frameGeometry() != w->geometry(); }, kWaitMs))
    return ::testing::AssertionFailure() << name << " got no frame from the window manager: "
                                         << Describe(w->frameGeometry());
  if (!QTest::qWaitFor([w] { return !vq::ui::PlacementPending(w); }, kWaitMs))
    return ::testing::AssertionFailure() << name << " was never placed with its frame";
  QTest::qWait(300);
  return ::testing::AssertionSuccess();
}

class WindowPlacement : public ::testing::Test {
 protected:
  void SetUp() override {
    // Offscreen, frames come at once and alike, and the late framing is never tested.
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"))
        << "run through tests/wm/run_under_wm.sh (a display with a window manager)";
  }

  // The main window listing one file, selected, and the viewer beside it, both framed.
  vq::MainWindow& Start() {
    h.music.CopyFixture("02_v23_latin1_mutagen_mpeg1_l3_32k.mp3", "歌手/アルバム/01 朝.mp3");
    vq::MainWindow& f = h.Start(h.music.path());
    f.folderTree->setPath(h.music / "歌手");
    EXPECT_EQ(vqtest::RowCount(f.fileList), 1);
    f.SelectFile(0);
    EXPECT_TRUE(Framed(&f));
    EXPECT_TRUE(Framed(&f.viewer()));
    return f;
  }

  QRect WorkArea(vq::MainWindow& f) { return f.screen()->availableGeometry(); }

  MainWindowHarness h;
};

TEST_F(WindowPlacement, MainWindowOuterCornerOnTheWorkAreasCorner) {
  vq::MainWindow& f = Start();
  EXPECT_EQ(f.frameGeometry().topLeft(), WorkArea(f).topLeft()) << Describe(f.frameGeometry());
  // Its client area keeps its size inside the frame.
  EXPECT_EQ(f.size(), QSize(vq::ui::Twips(11070), vq::ui::Twips(8115)));
}

TEST_F(WindowPlacement, ViewerFillsTheWorkAreaRightOfTheMainWindowAtItsOuterHeight) {
  vq::MainWindow& f = Start();
  const QRect work = WorkArea(f);
  const QRect main = f.frameGeometry();
  const QRect viewer = f.viewer().frameGeometry();
  SCOPED_TRACE("work area " + Describe(work) + ", main " + Describe(main) + ", viewer " + Describe(viewer));
  EXPECT_EQ(viewer.x(), main.x() + main.width());
  EXPECT_EQ(viewer.y(), work.y());
  EXPECT_EQ(viewer.height(), main.height());
  EXPECT_EQ(viewer.x() + viewer.width(), work.x() + work.width());
}

TEST_F(WindowPlacement, BatchWindowOuterBottomRightOnTheMainWindows) {
  vq::MainWindow& f = Start();
  QRect batch;
  QRect main;
  bool opened = false;
  {
    ModalDriver driver([&](QDialog* d) {
      opened = qobject_cast<vq::BatchDialog*>(d) != nullptr;
      EXPECT_TRUE(Framed(d));
      batch = d->frameGeometry();
      main = f.frameGeometry();
      d->reject();
    });
    vqtest::Press(f.tagFields[0], Qt::Key_F10);
  }
  ASSERT_TRUE(opened) << "F10 opened no batch window";
  SCOPED_TRACE("main " + Describe(main) + ", batch " + Describe(batch));
  EXPECT_EQ(batch.bottomRight(), main.bottomRight());
}

TEST_F(WindowPlacement, EditorAtItsDesignedPlaceMovedInsideTheWorkArea) {
  vq::MainWindow& f = Start();
  const QRect work = WorkArea(f);
  const QSize mainOuter = f.frameGeometry().size();
  const QSize viewerOuter = f.viewer().frameGeometry().size();
  QRect editor;
  bool opened = false;
  {
    ModalDriver driver([&](QDialog* d) {
      opened = qobject_cast<vq::TagEditorDialog*>(d) != nullptr;
      EXPECT_TRUE(Framed(d));
      editor = d->frameGeometry();
      d->reject();
    });
    vqtest::Press(f.tagFields[0], Qt::Key_F11);
  }
  ASSERT_TRUE(opened) << "F11 opened no editor";
  // Outer sizes: left = main width + viewer width - own width, top = main height - own
  // height; the windows' positions do not count.
  const QRect designed(QPoint(mainOuter.width() + viewerOuter.width() - editor.width(),
                              mainOuter.height() - editor.height()),
                       editor.size());
  SCOPED_TRACE("work area " + Describe(work) + ", designed " + Describe(designed) + ", editor " + Describe(editor));
  if (const char* movedIn = std::getenv("VQ_EXPECT_EDITOR_MOVED_IN")) {
    EXPECT_EQ(!work.contains(designed), std::string(movedIn) == "1") << "this run does not test what it is meant to";
  }
  EXPECT_TRUE(work.contains(editor));
  // Moved no further than needed: a side that fits keeps its designed coordinate.
  QPoint expected = designed.topLeft();
  if (designed.left() < work.left()) expected.setX(work.left());
  if (designed.right() > work.right()) expected.setX(work.right() + 1 - designed.width());
  if (designed.top() < work.top()) expected.setY(work.top());
  if (designed.bottom() > work.bottom()) expected.setY(work.bottom() + 1 - designed.height());
  EXPECT_EQ(editor.topLeft(), expected);
}

}  // namespace
