// Pictures in tags: what kind of image some bytes are, the picture frames (APIC, and
// v2.2's PIC) of a frame table, the front cover, and the frame that embeds a cover.
// Bytes only: nothing here decodes an image (formats/picture_codec.h does, elsewhere).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "formats/id3v2_reader.h"
#include "formats/id3v2_writer.h"

namespace vq {

// The kinds of image a tag may hold, as their first bytes tell them.
enum class ImageFormat { Unknown, Jpeg, Png, Gif, Bmp, Webp };

// The kind of image the bytes begin like: JPEG (FF D8 FF), PNG (its 8-byte signature),
// GIF ("GIF87a", "GIF89a"), BMP ("BM"), WebP ("RIFF" ... "WEBP"); Unknown otherwise.
ImageFormat SniffImageFormat(std::string_view bytes);
// "JPEG", "PNG", "GIF", "BMP", "WebP"; "" for Unknown.
const char* ImageFormatName(ImageFormat format);
// "image/jpeg", "image/png", ...; "" for Unknown.
const char* ImageFormatMime(ImageFormat format);
// The format a MIME type names, in any letter case ("image/jpg" and "image/pjpeg" are
// JPEG too, as some programs write them); Unknown for any other.
ImageFormat ImageFormatOfMime(std::string_view mime);
// The file extension, without its dot, of a picture with that MIME type: "jpg", "png",
// "gif", "bmp", "webp"; "" for a type that names none of them.
std::string_view ExtensionForMime(std::string_view mime);
// Whether a JPEG or PNG reaches its end marker: a JPEG whose segments and scans end in
// EOI, a PNG whose chunks end in IEND. A picture cut short (a file copied in part, a
// frame written over) is not complete. Other formats: true.
bool ImageDataComplete(std::string_view bytes, ImageFormat format);

// The picture type of a front cover.
inline constexpr std::uint8_t kFrontCoverType = 3;

// A picture frame's fields.
struct EmbeddedPicture {
  std::uint8_t encoding = 0;    // of the description
  std::string mime;             // as stored; v2.2's image format as a MIME type ("JPG": "image/jpeg")
  std::uint8_t type = 0;        // 3: front cover
  std::u16string description;   // decoded by the encoding (0: code page 932)
  std::string data;             // the picture's bytes
};

// Whether an entry is a picture frame: APIC in a v2.3 or v2.4 tag, PIC in a v2.2 tag.
bool IsPictureFrame(const V2FrameEntry& entry);
// The picture of a picture frame; nullopt for another frame, a picture whose body is
// compressed or encrypted, a body too short for the fields before the picture, and a
// linked picture (MIME "-->", a URL instead of bytes). Copies the picture's bytes.
std::optional<EmbeddedPicture> ReadPicture(const V2FrameEntry& entry);
// The picture type alone, without copying the picture; nullopt as for ReadPicture.
std::optional<std::uint8_t> PictureTypeOf(const V2FrameEntry& entry);

// The front cover of a table: the first picture of type 3, else the first picture;
// -1 when the table holds none that ReadPicture reads.
int FrontCoverIndex(const V2FrameTable& table);
std::optional<EmbeddedPicture> ReadFrontCover(const V2FrameTable& table);

// The frame that embeds an image as the front cover: APIC, encoding 0, the MIME type
// sniffed from the bytes, picture type 3, an empty description, the bytes. nullopt
// unless the bytes are a JPEG or a PNG (whatever a file's name says).
std::optional<OutFrame> MakeFrontCoverFrame(std::string_view image);

}  // namespace vq
