#include "formats/picture_codec.h"

#include "platform/text.h"

namespace vq {

PictureCheck PrecheckPicture(std::string_view bytes) {
  PictureCheck c;
  if (bytes.empty()) {
    c.problem = PictureProblem::Empty;
    return c;
  }
  c.format = SniffImageFormat(bytes);
  if (c.format == ImageFormat::Unknown)
    c.problem = PictureProblem::UnknownFormat;
  else if (!ImageDataComplete(bytes, c.format))
    c.problem = PictureProblem::Truncated;
  return c;
}

bool PictureSizeAllowed(int width, int height) {
  return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
         static_cast<std::int64_t>(width) * height <= kMaxPicturePixels;
}

PictureCheck CheckCoverImage(std::string_view bytes, const PictureCodec& codec) {
  PictureCheck c = PrecheckPicture(bytes);
  if (c.ok() && c.format != ImageFormat::Jpeg && c.format != ImageFormat::Png) c.problem = PictureProblem::NotCoverFormat;
  if (!c.ok()) return c;
  return codec.Probe(bytes);
}

std::u16string PictureSizeText(int width, int height) {
  return FormatThousands(width) + u" × " + FormatThousands(height) + u" ピクセル";
}

std::u16string ByteSizeText(std::uint64_t bytes) { return FormatThousands(static_cast<std::int64_t>(bytes)) + u" バイト"; }

std::u16string PictureProblemText(const PictureCheck& check) {
  switch (check.problem) {
    case PictureProblem::None: break;
    case PictureProblem::Empty: return u"画像のデータがありません（0 バイト）。";
    case PictureProblem::UnknownFormat: return u"画像ではありません（JPEG でも PNG でもありません）。";
    case PictureProblem::NotCoverFormat:
      return u"JPEG か PNG の画像ではありません（" + Utf8ToUtf16(ImageFormatName(check.format)) + u" の画像です）。";
    case PictureProblem::Truncated: return u"画像が途中で切れています。";
    case PictureProblem::TooLarge:
      if (check.width == 0) return u"画像のファイルが大きすぎます（" + ByteSizeText(kMaxPictureFileBytes) + u" まで）。";
      return u"画像が大きすぎます（" + PictureSizeText(check.width, check.height) + u"）。";
    case PictureProblem::DoesNotDecode: return u"画像が壊れていて読み取れません。";
  }
  return {};
}

}  // namespace vq
