// A picture scaled to fit its place, aspect kept, centred, drawn with smooth filtering.
// It shows nothing without a picture. Where covers can be set, it takes images dropped
// on it and pasted into it (Ctrl+V, or "貼り付け" in its context menu) and hands them on.
#pragma once

#include <QFrame>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <cstddef>
#include <string_view>

#include "formats/picture_codec.h"

class QMimeData;

namespace vq::ui {

class CoverView : public QFrame {
  Q_OBJECT

 public:
  explicit CoverView(QWidget* parent = nullptr);

  void setPicture(const QImage& picture);  // a null image: nothing shown
  const QImage& picture() const { return picture_; }

  // Whether drops and pastes are taken (off: the view only shows).
  void setTakesImages(bool takes);

 signals:
  // Data dropped on the view, or the clipboard's data on a paste; valid during the call.
  void imageOffered(const QMimeData* data, bool pasted);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void Paste();

  QImage picture_;
  QPixmap shown_;  // the picture at the size it was last drawn
  bool takesImages_ = false;
};

// Whether data may hold an image: a local file, PNG or JPEG bytes, or an image.
bool MayHoldImage(const QMimeData* data);

// What is shown under a picture: its pixel size, then its format and byte size; a MIME
// type that names another format than the bytes are is shown beside the format.
QString PictureInfoText(const PictureCheck& check, std::size_t bytes, std::string_view mime = {});

}  // namespace vq::ui
