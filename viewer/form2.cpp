#include "viewer/form2.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/app_paths.h"
#include "platform/text_file.h"
#include "platform/ui/fonts.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/window_frame.h"

namespace vq {

namespace {
constexpr double kViewerPointSize = 9.0;
}

Form2::Form2(std::string programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), programFolder_(std::move(programFolder)) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("ID3 Tag v2"));
  // A companion window: showing it leaves the keyboard with the main window.
  setAttribute(Qt::WA_ShowWithoutActivating);

  Text1 = new QPlainTextEdit(this);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setAccessibleName(QStringLiteral("ID3v2フレーム"));
  Text1->setFont(ui::FixedFont(kViewerPointSize));
  // The listing can be selected, scrolled and copied, never edited.
  Text1->setReadOnly(true);
  Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Text1->setFrameShape(QFrame::Box);

  List1 = new QListWidget(this);
  List1->setObjectName(QStringLiteral("List1"));
  List1->setAccessibleName(QStringLiteral("ID3タグ リファレンス"));
  List1->setFont(ui::FixedFont(kViewerPointSize));
  List1->setUniformItemSizes(true);
}

void Form2::Form_Load(QWidget* mainWindow) {
  if (loaded_) return;
  loaded_ = true;

  // Placed now, and once more when the window manager has framed both windows: the
  // main window is usually shown just before this one, so neither frame is known yet.
  if (mainWindow) {
    mainWindow_ = mainWindow;
    PlaceBesideMainWindow();
    ui::PlaceAgainWhenFramed(this, [this] { PlaceBesideMainWindow(); }, {mainWindow_});
  }

  // The reference text (beside the program, else in the share folder of an installed
  // program), one list entry per line; a missing or unreadable file leaves the list as
  // far as it was read.
  try {
    auto lines = ReadTextLines(ReferenceTextPath(programFolder_));
    List1->setUpdatesEnabled(false);
    for (const auto& line : lines) List1->addItem(ui::Q(line));
    List1->setUpdatesEnabled(true);
  } catch (const std::exception&) {
  }
  Form_Resize();
}

void Form2::PlaceBesideMainWindow() {
  if (!mainWindow_) return;
  // Right of the main window: left = its outer width, top = 0, width = the work area's
  // width less the main window's, height = the main window's (outer sizes, from the
  // work area's corner). A screen too narrow for both windows still leaves a sliver.
  QScreen* screen = mainWindow_->screen() ? mainWindow_->screen() : QGuiApplication::primaryScreen();
  const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const QRect main = mainWindow_->frameGeometry();
  const QRect outer(work.left() + main.width(), work.top(), std::max(work.width() - main.width(), 100), main.height());
  // Until this window has its own frame, it is taken to be like the main window's.
  ui::SetOuterGeometry(this, outer, ui::FrameExtraOr(this, ui::FrameExtra(mainWindow_)));
}

void Form2::setText1(const QString& text) {
  listing_ = text;
  showListing();
}

void Form2::appendText1(const QString& text) {
  listing_ += text;
  showListing();
}

void Form2::showListing() {
  QString shown = listing_;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  Text1->setPlainText(shown);
}

void Form2::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Form_Resize();
}

void Form2::Form_Resize() {
  // Two equal halves: the listing above, the reference text below.
  int w = width();
  int half = height() / 2;
  Text1->setGeometry(0, 0, w, half);
  List1->setGeometry(0, half, w, half);
}

}  // namespace vq
