#include "windows/viewer/reference_viewer.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/app_paths.h"
#include "platform/text_file.h"
#include "widgets/cover_view.h"
#include "widgets/fonts.h"
#include "widgets/picture_codec_qt.h"
#include "widgets/qt_text.h"
#include "widgets/window_frame.h"

namespace vq {

namespace {
constexpr double kViewerPointSize = 9.0;
// A cover is decoded at most this large: enough for the window on any screen, and a
// large JPEG decodes at a fraction of its size.
constexpr int kDecodedCoverSide = 600;
constexpr int kCoverMargin = 4;
}

ReferenceViewer::ReferenceViewer(std::string programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), programFolder_(std::move(programFolder)) {
  setObjectName(QStringLiteral("ReferenceViewer"));
  setWindowTitle(QStringLiteral("ID3 Tag v2"));
  // A companion window: showing it leaves the keyboard with the main window.
  setAttribute(Qt::WA_ShowWithoutActivating);

  listingView = new QPlainTextEdit(this);
  listingView->setObjectName(QStringLiteral("listingView"));
  listingView->setAccessibleName(QStringLiteral("ID3v2フレーム"));
  listingView->setFont(ui::FixedFont(kViewerPointSize));
  // The listing can be selected, scrolled and copied, never edited.
  listingView->setReadOnly(true);
  listingView->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  listingView->setLineWrapMode(QPlainTextEdit::NoWrap);
  listingView->setFrameShape(QFrame::Box);

  referenceList = new QListWidget(this);
  referenceList->setObjectName(QStringLiteral("referenceList"));
  referenceList->setAccessibleName(QStringLiteral("ID3タグ リファレンス"));
  referenceList->setFont(ui::FixedFont(kViewerPointSize));
  referenceList->setUniformItemSizes(true);

  coverView = new ui::CoverView(this);
  coverView->setObjectName(QStringLiteral("coverView"));
  coverView->setAccessibleName(QStringLiteral("表紙"));
  coverView->hide();
  coverInfoLabel = new QLabel(this);
  coverInfoLabel->setObjectName(QStringLiteral("coverInfoLabel"));
  coverInfoLabel->setAccessibleName(QStringLiteral("表紙の情報"));
  coverInfoLabel->setFont(ui::FixedFont(kViewerPointSize));
  coverInfoLabel->setTextFormat(Qt::PlainText);
  coverInfoLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  coverInfoLabel->setWordWrap(true);
  coverInfoLabel->hide();
}

void ReferenceViewer::Load(QWidget* mainWindow) {
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
    referenceList->setUpdatesEnabled(false);
    for (const auto& line : lines) referenceList->addItem(ui::Q(line));
    referenceList->setUpdatesEnabled(true);
  } catch (const std::exception&) {
  }
  SplitInHalves();
}

void ReferenceViewer::PlaceBesideMainWindow() {
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

void ReferenceViewer::setListing(const QString& text) {
  listing_ = text;
  showListing();
}

void ReferenceViewer::appendListing(const QString& text) {
  listing_ += text;
  showListing();
}

void ReferenceViewer::showSelectedFile(const Session& session) {
  setListing(ui::Q(session.FrameListing()));
  showCover(ReadFrontCover(session.v2Frames));
}

void ReferenceViewer::showCover(const std::optional<EmbeddedPicture>& picture) {
  PictureCheck check;
  const QImage image =
      picture ? ui::DecodePicture(picture->data, QSize(kDecodedCoverSide, kDecodedCoverSide), &check) : QImage();
  coverView->setPicture(image);
  if (image.isNull()) {
    coverInfoLabel->clear();
  } else {
    coverInfoLabel->setText(ui::PictureInfoText(check, picture->data.size(), picture->mime));
  }
  coverView->setVisible(!image.isNull());
  coverInfoLabel->setVisible(!image.isNull());
  SplitInHalves();
}

void ReferenceViewer::showListing() {
  QString shown = listing_;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  listingView->setPlainText(shown);
}

void ReferenceViewer::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  SplitInHalves();
}

void ReferenceViewer::SplitInHalves() {
  // Two equal halves: the listing above, the reference text below. A cover takes a
  // square at the right of the upper half, at most half its width, its text under it.
  int w = width();
  int half = height() / 2;
  referenceList->setGeometry(0, half, w, half);
  if (coverView->isHidden()) {
    listingView->setGeometry(0, 0, w, half);
    return;
  }
  const int infoHeight = coverInfoLabel->fontMetrics().lineSpacing() * 3;
  const int side = std::max(0, std::min(half - infoHeight, w / 2));
  const int left = w - side;
  listingView->setGeometry(0, 0, left, half);
  coverView->setGeometry(left + kCoverMargin, kCoverMargin, std::max(0, side - 2 * kCoverMargin),
                         std::max(0, side - 2 * kCoverMargin));
  coverInfoLabel->setGeometry(left, side, side, half - side);
}

}  // namespace vq
