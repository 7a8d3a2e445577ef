// Pictures for tests, made with Qt in the test: JPEG and PNG files of a given size, a
// tiny GIF, and a JPEG or PNG header that claims another size (a decompression bomb).
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <cstdint>
#include <string>

namespace vqtest {

// A picture with a colour gradient, so that scaling and compression have something to do.
inline QImage GradientImage(int width, int height, bool transparent = false) {
  QImage image(width, height, transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgba(x * 255 / width, y * 255 / height, 128, transparent ? 0 : 255));
  return image;
}

inline std::string Encode(const QImage& image, const char* format, int quality = -1) {
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  writer.setQuality(quality);
  if (!writer.write(image)) return {};
  return std::string(out.constData(), static_cast<std::size_t>(out.size()));
}

inline std::string JpegBytes(int width, int height) { return Encode(GradientImage(width, height), "jpeg", 85); }
inline std::string PngBytes(int width, int height, bool transparent = false) {
  return Encode(GradientImage(width, height, transparent), "png");
}

// A 1 x 1 GIF (Qt writes no GIF).
inline std::string GifBytes() {
  return std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00\xFF\xFF\xFF\x00\x00\x00!\xF9\x04\x01\x00\x00\x00\x00,"
                     "\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
                     43);
}

// The JPEG with its frame header (SOF0 or SOF2) claiming width x height: the rest stays
// as small as it was.
inline std::string JpegClaiming(std::string jpeg, int width, int height) {
  for (std::size_t p = 2; p + 9 < jpeg.size();) {
    const auto marker = static_cast<unsigned char>(jpeg[p + 1]);
    const std::size_t length = static_cast<unsigned char>(jpeg[p + 2]) << 8 | static_cast<unsigned char>(jpeg[p + 3]);
    if (marker == 0xC0 || marker == 0xC2) {
      jpeg[p + 5] = static_cast<char>(height >> 8);
      jpeg[p + 6] = static_cast<char>(height & 0xFF);
      jpeg[p + 7] = static_cast<char>(width >> 8);
      jpeg[p + 8] = static_cast<char>(width & 0xFF);
      return jpeg;
    }
    p += 2 + length;
  }
  return {};
}

// The PNG with its IHDR claiming width x height, its checksum made to match.
inline std::string PngClaiming(std::string png, std::uint32_t width, std::uint32_t height) {
  auto put = [&png](std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) png[at + static_cast<std::size_t>(k)] = static_cast<char>((v >> (24 - 8 * k)) & 0xFF);
  };
  put(16, width);
  put(20, height);
  std::uint32_t crc = 0xFFFFFFFFu;  // CRC-32 of the chunk type and data, as PNG has it
  for (std::size_t i = 12; i < 29; ++i) {
    crc ^= static_cast<unsigned char>(png[i]);
    for (int b = 0; b < 8; ++b) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  put(29, ~crc);
  return png;
}

}  // namespace vqtest
