#include "formats/picture.h"

#include <cctype>

#include "formats/frame_ids.h"
#include "formats/synchsafe.h"

namespace vq {

namespace {

std::uint8_t At(std::string_view d, std::size_t i) { return static_cast<std::uint8_t>(d[i]); }

bool StartsWith(std::string_view d, std::string_view prefix) { return d.substr(0, prefix.size()) == prefix; }

std::string Lower(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  return out;
}

constexpr std::string_view kPngSignature("\x89PNG\r\n\x1A\n", 8);

// A JPEG's markers from SOI on: segments with a length, standalone markers, and after
// each SOS the entropy-coded data up to the next marker that is neither a stuffed FF 00
// nor a restart marker. Written here because the decoders do not tell: libjpeg (through
// Qt) fills a picture whose data ends early with grey and reports success.
bool JpegComplete(std::string_view d) {
  const std::size_t n = d.size();
  if (n < 4 || At(d, 0) != 0xFF || At(d, 1) != 0xD8) return false;
  std::size_t p = 2;
  for (;;) {
    // Bytes before a marker are skipped, as decoders skip them; FF fill bytes too.
    p = d.find('\xFF', p);
    if (p == std::string_view::npos) return false;
    while (p < n && At(d, p) == 0xFF) ++p;
    if (p >= n) return false;
    const std::uint8_t m = At(d, p++);
    if (m == 0xD9) return true;                            // EOI
    if (m == 0x00 || m == 0x01 || (m >= 0xD0 && m <= 0xD7)) continue;  // no length
    if (p + 2 > n) return false;
    const std::size_t length = static_cast<std::size_t>(At(d, p)) << 8 | At(d, p + 1);
    if (length < 2 || p + length > n) return false;
    p += length;
    if (m != 0xDA) continue;
    // SOS: the scan's data runs to the next real marker.
    for (;;) {
      const std::size_t q = d.find('\xFF', p);
      if (q == std::string_view::npos || q + 1 >= n) return false;
      const std::uint8_t x = At(d, q + 1);
      if (x == 0x00 || (x >= 0xD0 && x <= 0xD7)) {
        p = q + 2;
      } else if (x == 0xFF) {
        p = q + 1;
      } else {
        p = q;
        break;
      }
    }
  }
}

// A PNG's chunks from the signature on, up to IEND.
bool PngComplete(std::string_view d) {
  if (!StartsWith(d, kPngSignature)) return false;
  std::size_t p = kPngSignature.size();
  while (p + 12 <= d.size()) {
    const std::uint64_t length = std::uint64_t{At(d, p)} << 24 | std::uint64_t{At(d, p + 1)} << 16 |
                                 std::uint64_t{At(d, p + 2)} << 8 | At(d, p + 3);
    const bool end = d.substr(p + 4, 4) == "IEND";
    if (p + 12 + length > d.size()) return false;
    if (end) return true;
    p += 12 + static_cast<std::size_t>(length);
  }
  return false;
}

// A picture frame's fields, as views into the entry's body (or into `scratch`, where
// unsynchronisation had to be undone).
struct PictureFields {
  std::uint8_t encoding = 0;
  std::string mime;
  std::uint8_t type = 0;
  std::string_view description;
  std::string_view data;
};

// The body as its fields are: v2.3's and v2.4's extra bytes before them (group id,
// encryption method, data length) taken off and v2.4's frame unsynchronisation undone.
// nullopt for a compressed or encrypted body, which cannot be read here.
std::optional<std::string_view> PlainBody(const V2FrameEntry& e, std::string& scratch) {
  std::string_view body = e.body;
  const std::uint8_t f = e.flags[1];
  std::size_t skip = 0;
  if (e.major == 3) {
    if (f & 0xC0) return std::nullopt;
    if (f & 0x20) skip = 1;
  } else if (e.major >= 4) {
    if (f & 0x0C) return std::nullopt;
    if (f & 0x02) {
      scratch = Resynchronise(body);
      body = scratch;
    }
    skip = (f & 0x40 ? 1 : 0) + (f & 0x01 ? 4 : 0);
  }
  if (body.size() < skip) return std::nullopt;
  return body.substr(skip);
}

std::string MimeOfV22Format(std::string_view format) {
  std::string upper;
  for (char c : format)
    if (c != '\0') upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  if (upper == "-->") return upper;
  if (upper == "JPG") return "image/jpeg";
  return "image/" + Lower(upper);
}

std::optional<PictureFields> ParsePicture(const V2FrameEntry& entry, std::string& scratch) {
  if (!IsPictureFrame(entry)) return std::nullopt;
  const std::optional<std::string_view> body = PlainBody(entry, scratch);
  if (!body || body->empty()) return std::nullopt;
  PictureFields p;
  p.encoding = static_cast<std::uint8_t>((*body)[0]);
  const bool v22 = entry.major <= 2;
  // v2.2: image format (three bytes), type, description, data; v2.3: MIME type ending
  // in a zero, type, description, data.
  static constexpr BodyStep kV22Picture[] = {{BodyStep::Bytes, 3}, {BodyStep::Bytes, 1},
                                             {BodyStep::EncodedString}, {BodyStep::Rest}};
  const BodyLayout layout = v22 ? BodyLayout(kV22Picture) : BodyLayoutOf("APIC");
  const bool wide = p.encoding == 1 || p.encoding == 2;
  const std::vector<BodyPiece> pieces = SplitFrameBody(body->substr(1), layout, wide);
  if (pieces.size() < 3) return std::nullopt;
  if (v22) {
    if (pieces[0].bytes.size() != 3) return std::nullopt;
    p.mime = MimeOfV22Format(pieces[0].bytes);
  } else {
    std::string_view mime = pieces[0].bytes;
    if (mime.empty() || mime.back() != '\0') return std::nullopt;  // no type behind it
    p.mime = std::string(mime.substr(0, mime.size() - 1));
  }
  if (p.mime == "-->") return std::nullopt;  // a link, not a picture
  if (pieces[1].bytes.size() != 1) return std::nullopt;
  p.type = static_cast<std::uint8_t>(pieces[1].bytes[0]);
  p.description = pieces[2].bytes;
  if (pieces.size() > 3) p.data = pieces[3].bytes;
  return p;
}

}  // namespace

ImageFormat SniffImageFormat(std::string_view bytes) {
  if (bytes.size() >= 3 && At(bytes, 0) == 0xFF && At(bytes, 1) == 0xD8 && At(bytes, 2) == 0xFF)
    return ImageFormat::Jpeg;
  if (StartsWith(bytes, kPngSignature)) return ImageFormat::Png;
  if (StartsWith(bytes, "GIF87a") || StartsWith(bytes, "GIF89a")) return ImageFormat::Gif;
  if (StartsWith(bytes, "BM") && bytes.size() >= 14) return ImageFormat::Bmp;
  if (StartsWith(bytes, "RIFF") && bytes.size() >= 12 && bytes.substr(8, 4) == "WEBP") return ImageFormat::Webp;
  return ImageFormat::Unknown;
}

const char* ImageFormatName(ImageFormat format) {
  switch (format) {
    case ImageFormat::Jpeg: return "JPEG";
    case ImageFormat::Png: return "PNG";
    case ImageFormat::Gif: return "GIF";
    case ImageFormat::Bmp: return "BMP";
    case ImageFormat::Webp: return "WebP";
    case ImageFormat::Unknown: break;
  }
  return "";
}

const char* ImageFormatMime(ImageFormat format) {
  switch (format) {
    case ImageFormat::Jpeg: return "image/jpeg";
    case ImageFormat::Png: return "image/png";
    case ImageFormat::Gif: return "image/gif";
    case ImageFormat::Bmp: return "image/bmp";
    case ImageFormat::Webp: return "image/webp";
    case ImageFormat::Unknown: break;
  }
  return "";
}

ImageFormat ImageFormatOfMime(std::string_view mime) {
  const std::string m = Lower(mime);
  if (m == "image/jpeg" || m == "image/jpg" || m == "image/pjpeg") return ImageFormat::Jpeg;
  if (m == "image/png" || m == "image/x-png") return ImageFormat::Png;
  if (m == "image/gif") return ImageFormat::Gif;
  if (m == "image/bmp" || m == "image/x-ms-bmp") return ImageFormat::Bmp;
  if (m == "image/webp") return ImageFormat::Webp;
  return ImageFormat::Unknown;
}

std::string_view ExtensionForMime(std::string_view mime) {
  switch (ImageFormatOfMime(mime)) {
    case ImageFormat::Jpeg: return "jpg";
    case ImageFormat::Png: return "png";
    case ImageFormat::Gif: return "gif";
    case ImageFormat::Bmp: return "bmp";
    case ImageFormat::Webp: return "webp";
    case ImageFormat::Unknown: break;
  }
  return "";
}

bool ImageDataComplete(std::string_view bytes, ImageFormat format) {
  switch (format) {
    case ImageFormat::Jpeg: return JpegComplete(bytes);
    case ImageFormat::Png: return PngComplete(bytes);
    default: return true;
  }
}

bool IsPictureFrame(const V2FrameEntry& entry) {
  if (!entry.fromFile) return false;
  return entry.major <= 2 ? entry.id == u"PIC" : entry.id == u"APIC";
}

std::optional<EmbeddedPicture> ReadPicture(const V2FrameEntry& entry) {
  std::string scratch;
  const std::optional<PictureFields> p = ParsePicture(entry, scratch);
  if (!p) return std::nullopt;
  EmbeddedPicture out;
  out.encoding = p->encoding;
  out.mime = p->mime;
  out.type = p->type;
  out.description = entry.major <= 2 ? DecodeV22FrameText(p->description, p->encoding).full
                                     : DecodeV23FrameText(p->description, p->encoding, "APIC").full;
  out.data = std::string(p->data);
  return out;
}

std::optional<std::uint8_t> PictureTypeOf(const V2FrameEntry& entry) {
  std::string scratch;
  const std::optional<PictureFields> p = ParsePicture(entry, scratch);
  if (!p) return std::nullopt;
  return p->type;
}

int FrontCoverIndex(const V2FrameTable& table) {
  int first = -1;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const std::optional<std::uint8_t> type = PictureTypeOf(table[i]);
    if (!type) continue;
    if (*type == kFrontCoverType) return static_cast<int>(i);
    if (first < 0) first = static_cast<int>(i);
  }
  return first;
}

std::optional<EmbeddedPicture> ReadFrontCover(const V2FrameTable& table) {
  const int i = FrontCoverIndex(table);
  if (i < 0) return std::nullopt;
  return ReadPicture(table[static_cast<std::size_t>(i)]);
}

std::optional<OutFrame> MakeFrontCoverFrame(std::string_view image) {
  const ImageFormat format = SniffImageFormat(image);
  if (format != ImageFormat::Jpeg && format != ImageFormat::Png) return std::nullopt;
  OutFrame f;
  f.id = "APIC";
  const std::string_view mime = ImageFormatMime(format);
  f.body.reserve(1 + mime.size() + 3 + image.size());
  f.body.push_back('\0');  // ISO-8859-1: the empty description needs no other encoding
  f.body += mime;
  f.body.push_back('\0');
  f.body.push_back(static_cast<char>(kFrontCoverType));
  f.body.push_back('\0');  // the empty description
  f.body += image;
  return f;
}

}  // namespace vq
