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

namespace {

// The checks before anything is decoded (PrecheckPicture, then the header's size against
// the limits), and the reader, ready to decode, when they pass.
PictureCheck OpenPicture(ByteDevice& in, QImageReader& reader, std::string_view bytes) {
  PictureCheck check = PrecheckPicture(bytes);
  if (!check.ok()) return check;
  reader.setDevice(in.device());
  reader.setDecideFormatFromContent(true);
  reader.setAutoTransform(true);  // an upright picture, as a camera's orientation says
  // The header's size first: a picture larger than the limits is never decoded. (Qt's
  // own allocation limit, 256 MB, stays behind it for a decoder that meets more pixels
  // than its header claimed.)
  const QSize size = reader.size();
  check.width = size.width();
  check.height = size.height();
  if (!size.isValid())
    check.problem = PictureProblem::DoesNotDecode;
  else if (!PictureSizeAllowed(size.width(), size.height()))
    check.problem = PictureProblem::TooLarge;
  return check;
}

}  // namespace

QImage DecodePicture(std::string_view bytes, QSize fit, PictureCheck* checkOut) {
  ByteDevice in(bytes);
  QImageReader reader;
  PictureCheck check = OpenPicture(in, reader, bytes);
  QImage image;
  if (check.ok()) {
    // Scaled while it is decoded: a JPEG decoder then reads it at a fraction of its size
    // (DCT scaling) and the rest is smooth filtering, one decode instead of a whole
    // picture decoded and scaled afterwards.
    if (fit.isValid() && (check.width > fit.width() || check.height > fit.height()))
      reader.setScaledSize(QSize(check.width, check.height).scaled(fit, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    if (!reader.read(&image) || image.isNull()) {
      check.problem = PictureProblem::DoesNotDecode;
      image = QImage();
    } else if (reader.transformation() & QImageIOHandler::TransformationRotate90) {
      std::swap(check.width, check.height);
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

PictureCheck QtPictureCodec::Measure(std::string_view bytes) const {
  ByteDevice in(bytes);
  QImageReader reader;
  PictureCheck check = OpenPicture(in, reader, bytes);
  if (check.ok() && (reader.transformation() & QImageIOHandler::TransformationRotate90))
    std::swap(check.width, check.height);
  return check;
}

std::optional<PictureCodec::Scaled> QtPictureCodec::ScaleToJpeg(std::string_view bytes, int maxSide) const {
  if (maxSide <= 0) return std::nullopt;
  QImage image = DecodePicture(bytes, QSize(maxSide, maxSide));
  if (image.isNull()) return std::nullopt;
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
