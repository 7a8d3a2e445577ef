// The Qt picture codec with no application object and no display, as the command line
// runs it: checks before decoding, the refusal of bad pictures, and scaling.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>

#include "formats/picture_codec.h"
#include "support/ui/test_images.h"
#include "widgets/picture_codec_qt.h"

using namespace vq;

namespace {

QImage Decoded(const std::string& bytes) {
  return QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
}

}  // namespace

TEST(PictureCodec, JpegAndPngDecodeWithoutAnyApplicationObject) {
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  ui::QtPictureCodec codec;
  const PictureCheck jpeg = codec.Probe(vqtest::JpegBytes(640, 480));
  EXPECT_TRUE(jpeg.ok());
  EXPECT_EQ(jpeg.format, ImageFormat::Jpeg);
  EXPECT_EQ(jpeg.width, 640);
  EXPECT_EQ(jpeg.height, 480);
  const PictureCheck png = CheckCoverImage(vqtest::PngBytes(30, 70), codec);
  EXPECT_TRUE(png.ok());
  EXPECT_EQ(png.format, ImageFormat::Png);
  EXPECT_EQ(png.height, 70);
  // A GIF is a picture the windows show, but no cover.
  EXPECT_TRUE(codec.Probe(vqtest::GifBytes()).ok());
}

TEST(PictureCodec, BadPicturesAreRefusedBeforeOrWhileDecoding) {
  ui::QtPictureCodec codec;
  const std::string jpeg = vqtest::JpegBytes(400, 300);
  const std::string png = vqtest::PngBytes(400, 300);
  const struct {
    const char* name;
    std::string bytes;
    PictureProblem problem;
  } rows[] = {
      {"empty", "", PictureProblem::Empty},
      {"text", "not a picture at all", PictureProblem::UnknownFormat},
      {"JPEG cut in half", jpeg.substr(0, jpeg.size() / 2), PictureProblem::Truncated},
      {"JPEG without its last byte", jpeg.substr(0, jpeg.size() - 1), PictureProblem::Truncated},
      {"PNG cut", png.substr(0, png.size() - 20), PictureProblem::Truncated},
      {"GIF", vqtest::GifBytes(), PictureProblem::NotCoverFormat},
      {"JPEG of 20,000 x 20,000", vqtest::JpegClaiming(jpeg, 20000, 20000), PictureProblem::TooLarge},
      {"PNG of 20,000 x 20,000", vqtest::PngClaiming(png, 20000, 20000), PictureProblem::TooLarge},
      {"JPEG without a frame", std::string("\xFF\xD8\xFF\xD9", 4), PictureProblem::DoesNotDecode},
      {"PNG with a wrong checksum", vqtest::PngClaiming(png, 400, 300).replace(29, 1, "X"), PictureProblem::DoesNotDecode},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const PictureCheck c = CheckCoverImage(r.bytes, codec);
    EXPECT_EQ(c.problem, r.problem);
    EXPECT_FALSE(PictureProblemText(c).empty());
    // Nothing that does not decode is scaled (a GIF decodes: only covers must be JPEG or PNG).
    if (r.problem != PictureProblem::NotCoverFormat) EXPECT_FALSE(codec.ScaleToJpeg(r.bytes, 100));
  }
  const PictureCheck bomb = codec.Probe(vqtest::JpegClaiming(jpeg, 20000, 20000));
  EXPECT_EQ(bomb.width, 20000);
  EXPECT_EQ(PictureProblemText(bomb), u"画像が大きすぎます（20,000 × 20,000 ピクセル）。");
}

TEST(PictureCodec, ScaledToFitAsAJpegWithSmoothFiltering) {
  ui::QtPictureCodec codec;
  // A one-pixel checkerboard: smooth filtering halves it to grey, picking pixels would
  // keep black or white.
  QImage board(1200, 800, QImage::Format_RGB32);
  for (int y = 0; y < 800; ++y)
    for (int x = 0; x < 1200; ++x) board.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
  const std::optional<PictureCodec::Scaled> scaled = codec.ScaleToJpeg(vqtest::Encode(board, "png"), 600);
  ASSERT_TRUE(scaled);
  EXPECT_EQ(SniffImageFormat(scaled->jpeg), ImageFormat::Jpeg);
  EXPECT_EQ(scaled->width, 600);
  EXPECT_EQ(scaled->height, 400);
  const QImage back = Decoded(scaled->jpeg);
  ASSERT_EQ(back.size(), QSize(600, 400));
  EXPECT_NEAR(qGray(back.pixel(300, 200)), 128, 20);
  EXPECT_NEAR(qGray(back.pixel(17, 333)), 128, 20);

  // A picture that fits keeps its size; a transparent one goes onto white.
  const auto kept = codec.ScaleToJpeg(vqtest::PngBytes(300, 200, /*transparent=*/true), 600);
  ASSERT_TRUE(kept);
  EXPECT_EQ(QSize(kept->width, kept->height), QSize(300, 200));
  EXPECT_GT(qGray(Decoded(kept->jpeg).pixel(150, 100)), 245);
}

TEST(PictureCodec, DecodedForShowingAtMostTheSizeAsked) {
  PictureCheck check;
  const QImage shown = ui::DecodePicture(vqtest::JpegBytes(1200, 800), QSize(300, 300), &check);
  EXPECT_EQ(shown.size(), QSize(300, 200));
  EXPECT_TRUE(check.ok());
  EXPECT_EQ(QSize(check.width, check.height), QSize(1200, 800));
  EXPECT_TRUE(ui::DecodePicture("", QSize(300, 300), &check).isNull());
  EXPECT_EQ(check.problem, PictureProblem::Empty);
}
