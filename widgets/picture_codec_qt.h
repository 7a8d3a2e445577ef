// The program's picture codec: Qt's image I/O (QImageReader and its JPEG, PNG and GIF
// plugins, QImage::scaled, QImageWriter). It needs no QApplication and no display, so
// that the command line can use it before any window exists.
#pragma once

#include <QImage>
#include <QSize>
#include <string_view>

#include "formats/picture_codec.h"

namespace vq::ui {

class QtPictureCodec final : public PictureCodec {
 public:
  PictureCheck Probe(std::string_view bytes) const override;
  PictureCheck Measure(std::string_view bytes) const override;
  std::optional<Scaled> ScaleToJpeg(std::string_view bytes, int maxSide) const override;
};

// The picture decoded for showing, after the same checks as Probe, at most `fit` large
// (aspect kept; an invalid size: whole). A null image when it does not pass; `check`,
// when given, says why, or gives the format and the picture's own pixel size.
QImage DecodePicture(std::string_view bytes, QSize fit = QSize(), PictureCheck* check = nullptr);

}  // namespace vq::ui
