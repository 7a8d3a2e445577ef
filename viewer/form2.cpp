#include "viewer/form2.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/app_paths.h"
#include "platform/text_file.h"
#include "platform/ui/fonts.h"
#include "platform/ui/qt_text.h"

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
  Text1->setAccessibleName(QStringLiteral("ID3v2 frames"));
  Text1->setFont(ui::FixedFont(kViewerPointSize));
  // The listing can be selected, scrolled and copied, never edited.
  Text1->setReadOnly(true);
  Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Text1->setFrameShape(QFrame::Box);

  List1 = new QListWidget(this);
  List1->setObjectName(QStringLiteral("List1"));
  List1->setAccessibleName(QStringLiteral("id3 tag.txt"));
  List1->setFont(ui::FixedFont(kViewerPointSize));
  List1->setUniformItemSizes(true);
}

void Form2::Form_Load(QWidget* mainWindow) {
  if (loaded_) return;
  loaded_ = true;

  // Right of the main window: left = its outer width, top = 0, width = the work area's
  // width less the main window's, height = the main window's.
  if (mainWindow) {
    QScreen* screen = mainWindow->screen() ? mainWindow->screen() : QGuiApplication::primaryScreen();
    QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    QRect outer = mainWindow->frameGeometry();
    QSize decoration = outer.size() - mainWindow->geometry().size();
    // Outer sizes; a screen too narrow for both windows still leaves a usable sliver.
    int outerWidth = std::max(work.width() - outer.width(), 100);
    resize(outerWidth - decoration.width(), outer.height() - decoration.height());
    move(work.left() + outer.width(), work.top());
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
