#include "widgets/picture_codec_qt.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

namespace vq::ui {

namespace {

constexpr int kJpegQuality = 90;

// The bytes as a device, without a copy.
class ByteDevice {
 public:
  explicit ByteDevice(std::string_view bytes)
      : data_(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()))), buffer_(&data_) {
    buffer_.open(QIODevice::ReadOnly);
  }
  QIODevice* device() { return &buffer_; }

 private:
  QByteArray data_;
  QBuffer buffer_;
};

}  // namespace

QImage DecodePicture(std::string_view bytes, QSize fit, PictureCheck* checkOut) {
  PictureCheck check = PrecheckPicture(bytes);
  QImage image;
  if (check.ok()) {
    ByteDevice in(bytes);
    QImageReader reader(in.device());
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);  // an upright picture, as a camera's orientation says
    // The header's size first: a picture larger than the limits is never decoded. (Qt's
    // own allocation limit, 256 MB, stays behind it for a decoder that meets more pixels
    // than its header claimed.)
    const QSize size = reader.size();
    check.width = size.width();
    check.height = size.height();
    if (!size.isValid()) {
      check.problem = PictureProblem::DoesNotDecode;
    } else if (!PictureSizeAllowed(size.width(), size.height())) {
      check.problem = PictureProblem::TooLarge;
    } else {
      if (fit.isValid() && (size.width() > fit.width() || size.height() > fit.height()))
        reader.setScaledSize(size.scaled(fit, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
      if (!reader.read(&image) || image.isNull()) {
        check.problem = PictureProblem::DoesNotDecode;
        image = QImage();
      } else if (reader.transformation() & QImageIOHandler::TransformationRotate90) {
        std::swap(check.width, check.height);
      }
    }
  }
  if (checkOut) *checkOut = check;
  return image;
}

PictureCheck QtPictureCodec::Probe(std::string_view bytes) const {
  PictureCheck check;
  DecodePicture(bytes, QSize(), &check);
  return check;
}

std::optional<PictureCodec::Scaled> QtPictureCodec::ScaleToJpeg(std::string_view bytes, int maxSide) const {
  QImage image = DecodePicture(bytes);
  if (image.isNull() || maxSide <= 0) return std::nullopt;
  if (image.width() > maxSide || image.height() > maxSide)
    image = image.scaled(maxSide, maxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  // JPEG has no transparency: a transparent picture goes onto white, not onto black.
  if (image.hasAlphaChannel()) {
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    image = flat;
  }
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setQuality(kJpegQuality);
  writer.setOptimizedWrite(true);
  if (!writer.write(image)) return std::nullopt;
  return Scaled{std::string(out.constData(), static_cast<std::size_t>(out.size())), image.width(), image.height()};
}

}  // namespace vq::ui
