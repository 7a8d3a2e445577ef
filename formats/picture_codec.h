// Decoding and scaling pictures: an interface, so that the Qt-free core can check and
// shrink a cover without knowing which library decodes it. The program's codec is Qt's
// image I/O (widgets/picture_codec_qt.h); nothing here decodes by hand.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "formats/picture.h"

namespace vq {

// Pictures larger than this are refused before they are decoded: a small file can
// claim 20,000 x 20,000 pixels and take gigabytes to decode (a decompression bomb). A
// cover of a few thousand pixels a side is well inside.
inline constexpr int kMaxPictureSide = 10000;
inline constexpr std::int64_t kMaxPicturePixels = 50'000'000;
// An image file larger than this is not read to become a cover (a film or a disk image
// chosen by mistake); the largest covers are a few megabytes.
inline constexpr std::uint64_t kMaxPictureFileBytes = 32u << 20;

// What is wrong with a picture, checked in this order.
enum class PictureProblem {
  None,
  Empty,          // no bytes
  UnknownFormat,  // not an image format the program reads
  NotCoverFormat, // an image, but neither JPEG nor PNG, which covers are (CheckCoverImage)
  Truncated,      // a JPEG or PNG cut short
  TooLarge,       // more pixels than the limits above (or a file of more bytes: width 0)
  DoesNotDecode,  // the decoder refused it
};

struct PictureCheck {
  PictureProblem problem = PictureProblem::None;
  ImageFormat format = ImageFormat::Unknown;  // from the bytes
  int width = 0, height = 0;                  // from the header (0 when unknown)
  bool ok() const { return problem == PictureProblem::None; }
};

// The checks that need no decoder: empty, format, cut short. A check whose problem is
// None here still has to be decoded.
PictureCheck PrecheckPicture(std::string_view bytes);
// Whether a size is within the limits.
bool PictureSizeAllowed(int width, int height);

// What the user reads about a problem: a short Japanese sentence ending in "。" ("画像が
// 途中で切れています。"); the size of a picture that is too large is in it.
std::u16string PictureProblemText(const PictureCheck& check);

// "600 × 600 ピクセル" / "JPEG" / "45,123 バイト": what the windows show under a picture,
// one line each.
std::u16string PictureSizeText(int width, int height);
std::u16string ByteSizeText(std::uint64_t bytes);

class PictureCodec {
 public:
  virtual ~PictureCodec() = default;
  // Checks the picture and decodes it whole: its format, its size, or what is wrong.
  // The size is checked against the limits before anything is decoded.
  virtual PictureCheck Probe(std::string_view bytes) const = 0;
  // The same checks from the picture's header alone, nothing decoded: its format and
  // size, or what is wrong so far (a picture that passes may still fail to decode).
  virtual PictureCheck Measure(std::string_view bytes) const = 0;
  // The picture scaled to fit maxSide x maxSide, aspect kept, with good filtering (a
  // picture that fits keeps its size), as a JPEG of quality 90, decoding it once.
  // nullopt when the picture does not pass Probe or the encoder fails.
  struct Scaled {
    std::string jpeg;
    int width = 0, height = 0;
  };
  virtual std::optional<Scaled> ScaleToJpeg(std::string_view bytes, int maxSide) const = 0;
};

// A cover to embed: a JPEG or PNG that passes the codec's Probe (a GIF, whatever its
// file is called, is NotCoverFormat).
PictureCheck CheckCoverImage(std::string_view bytes, const PictureCodec& codec);

}  // namespace vq
