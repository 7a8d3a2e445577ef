#include "widgets/cover_view.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>

#include "widgets/qt_text.h"

namespace vq::ui {

CoverView::CoverView(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(Qt::NoFocus);
}

void CoverView::setPicture(const QImage& picture) {
  picture_ = picture;
  shown_ = QPixmap();
  update();
}

void CoverView::setTakesImages(bool takes) {
  takesImages_ = takes;
  setAcceptDrops(takes);
  setFrameShape(takes ? QFrame::Box : QFrame::NoFrame);
  setFocusPolicy(takes ? Qt::ClickFocus : Qt::NoFocus);
}

void CoverView::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  if (picture_.isNull()) return;
  const QRect area = contentsRect();
  const qreal ratio = devicePixelRatioF();
  const QSize fit = picture_.size().scaled(area.size() * ratio, Qt::KeepAspectRatio);
  if (shown_.isNull() || shown_.size() != fit) {
    shown_ = QPixmap::fromImage(picture_.size() == fit ? picture_
                                                       : picture_.scaled(fit, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    shown_.setDevicePixelRatio(ratio);
  }
  const QSize logical = shown_.deviceIndependentSize().toSize();
  QPainter painter(this);
  painter.drawPixmap(area.left() + (area.width() - logical.width()) / 2, area.top() + (area.height() - logical.height()) / 2,
                     shown_);
}

bool MayHoldImage(const QMimeData* data) {
  if (!data) return false;
  if (data->hasImage() || data->hasFormat(QStringLiteral("image/png")) || data->hasFormat(QStringLiteral("image/jpeg")))
    return true;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return true;
  return false;
}

QString PictureInfoText(const PictureCheck& check, std::size_t bytes, std::string_view mime) {
  QString format = QString::fromLatin1(ImageFormatName(check.format));
  if (!mime.empty() && ImageFormatOfMime(mime) != check.format)
    format += QStringLiteral("（MIMEタイプは %1）").arg(QString::fromLatin1(mime.data(), static_cast<qsizetype>(mime.size())));
  return Q(PictureSizeText(check.width, check.height)) + QLatin1Char('\n') + format + QStringLiteral("  ") +
         Q(ByteSizeText(bytes));
}

void CoverView::dragEnterEvent(QDragEnterEvent* event) {
  if (takesImages_ && MayHoldImage(event->mimeData())) event->acceptProposedAction();
}

void CoverView::dropEvent(QDropEvent* event) {
  if (!takesImages_ || !MayHoldImage(event->mimeData())) return;
  event->acceptProposedAction();
  emit imageOffered(event->mimeData(), false);
}

void CoverView::keyPressEvent(QKeyEvent* event) {
  if (takesImages_ && event->matches(QKeySequence::Paste)) {
    Paste();
    event->accept();
    return;
  }
  QFrame::keyPressEvent(event);
}

void CoverView::contextMenuEvent(QContextMenuEvent* event) {
  if (!takesImages_) return;
  QMenu menu(this);
  QAction* paste = menu.addAction(QStringLiteral("貼り付け(&P)"));
  paste->setEnabled(MayHoldImage(QGuiApplication::clipboard()->mimeData()));
  if (menu.exec(event->globalPos()) == paste) Paste();
}

void CoverView::Paste() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (MayHoldImage(data)) emit imageOffered(data, true);
}

}  // namespace vq::ui
