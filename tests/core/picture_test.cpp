// Pictures in tags without decoding them: what kind of image some bytes are, whether a
// JPEG or PNG is whole, the picture frames of every tag version and the front cover.
#include <gtest/gtest.h>

#include "formats/picture.h"
#include "formats/picture_codec.h"
#include "id3v2_writer_support.h"

using namespace vq;
using h3test::Frame;
using h3test::Frame22;
using h3test::Tag;

namespace {

// A JPEG's structure around made-up scan data: SOI, APP0, SOS, entropy bytes with a
// stuffed FF 00 and a restart marker, EOI.
const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0\x00\x06JF\x00\x01", 10) + std::string("\xFF\xDA\x00\x04\x01\x02", 6) +
                          std::string("\x12\xFF\x00\x34\xFF\xD0\x56\xFF\xFF\xD9", 10);
// A PNG's chunks without pixels: signature, IHDR, IEND.
const std::string kPng = std::string("\x89PNG\r\n\x1A\n", 8) + std::string("\x00\x00\x00\x0DIHDR", 8) +
                         std::string(13, '\x01') + "CRC." + std::string("\x00\x00\x00\x00IEND", 8) + "CRC.";
const std::string kGif = "GIF89a\x01\x00\x01\x00";

V2FrameTable TableOf(int major, const std::string& frames) {
  const std::string tag = Tag(major, frames, static_cast<std::uint32_t>(frames.size() + 32));
  V2FrameTable table;
  ReadV2Frames(MemorySource(tag), ReadV2Header(MemorySource(tag)), table);
  return table;
}

std::string Apic(std::uint8_t type, const std::string& data, const std::string& mime = "image/jpeg",
                 const std::string& encodingAndDescription = std::string("\0", 1) + std::string("\0", 1)) {
  // encoding, MIME, zero, type, description with its terminator, data
  return encodingAndDescription.substr(0, 1) + mime + '\0' + static_cast<char>(type) +
         encodingAndDescription.substr(1) + data;
}

}  // namespace

TEST(Picture, FormatsFromTheFirstBytesAndExtensionsFromMimeTypes) {
  const struct {
    std::string bytes;
    ImageFormat format;
    const char* mime;
  } rows[] = {
      {kJpeg, ImageFormat::Jpeg, "image/jpeg"},
      {kPng, ImageFormat::Png, "image/png"},
      {kGif, ImageFormat::Gif, "image/gif"},
      {std::string("RIFF\x10\x00\x00\x00WEBPVP8 ", 16), ImageFormat::Webp, "image/webp"},
      {"\xFF\xD8", ImageFormat::Unknown, ""},     // too short for a JPEG
      {"\x89PNG\r\n", ImageFormat::Unknown, ""},  // a cut signature
      {"<html>", ImageFormat::Unknown, ""},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(SniffImageFormat(r.bytes), r.format) << r.mime;
    EXPECT_STREQ(ImageFormatMime(r.format), r.mime);
  }
  const std::pair<const char*, const char*> extensions[] = {
      {"IMAGE/JPEG", "jpg"}, {"image/jpg", "jpg"}, {"image/png", "png"}, {"image/gif", "gif"}, {"image/", ""}, {"-->", ""}};
  for (const auto& [mime, ext] : extensions) EXPECT_EQ(ExtensionForMime(mime), ext) << mime;
}

TEST(Picture, JpegAndPngAreWholeOnlyUpToTheirEndMarker) {
  EXPECT_TRUE(ImageDataComplete(kJpeg, ImageFormat::Jpeg));
  EXPECT_TRUE(ImageDataComplete(kJpeg + "trailing bytes", ImageFormat::Jpeg));
  EXPECT_TRUE(ImageDataComplete(kPng, ImageFormat::Png));
  // Every cut short of the end marker is found, in the segments and inside the scan.
  for (std::size_t n = 0; n + 2 < kJpeg.size(); ++n)
    EXPECT_FALSE(ImageDataComplete(kJpeg.substr(0, n), ImageFormat::Jpeg)) << n;
  for (std::size_t n = 0; n < kPng.size(); ++n) EXPECT_FALSE(ImageDataComplete(kPng.substr(0, n), ImageFormat::Png)) << n;
  // A segment length that runs past the end.
  std::string longSegment = kJpeg;
  longSegment[5] = '\x60';
  EXPECT_FALSE(ImageDataComplete(longSegment, ImageFormat::Jpeg));
}

TEST(Picture, ChecksWithoutADecoderAndTheSizeLimits) {
  EXPECT_EQ(PrecheckPicture("").problem, PictureProblem::Empty);
  EXPECT_EQ(PrecheckPicture("plain text").problem, PictureProblem::UnknownFormat);
  EXPECT_EQ(PrecheckPicture(kPng.substr(0, 30)).problem, PictureProblem::Truncated);
  EXPECT_TRUE(PrecheckPicture(kJpeg).ok());
  EXPECT_FALSE(PictureSizeAllowed(kMaxPictureSide + 1, 1));
  EXPECT_FALSE(PictureSizeAllowed(8000, 8000));  // 64 megapixels
  EXPECT_TRUE(PictureSizeAllowed(6000, 6000));
}

TEST(Picture, PictureFramesOfEveryVersion) {
  const std::string data = kJpeg;
  const struct {
    const char* name;
    int major;
    std::string frames;
    std::uint8_t type;
    const char* mime;
    std::u16string description;
  } rows[] = {
      {"v2.3", 3, Frame("APIC", Apic(3, data, "image/jpeg", std::string("\0Front\0", 7))), 3, "image/jpeg", u"Front"},
      {"v2.3 UTF-16", 3, Frame("APIC", Apic(4, data, "image/png", std::string("\x01\xFF\xFE\xCF\x88\x68\x88\0\0", 9))), 4,
       "image/png", u"裏表"},
      {"v2.3 grouped", 3, Frame("APIC", "\x07" + Apic(0, data), 3, 0, 0x20), 0, "image/jpeg", u""},
      {"v2.2", 2, Frame22("PIC", std::string("\0JPG\x03", 5) + std::string("\0", 1) + data), 3, "image/jpeg", u""},
      {"v2.2 png", 2, Frame22("PIC", std::string("\0PNG\x06", 5) + std::string("\0", 1) + data), 6, "image/png", u""},
      // v2.4: a data length indicator and frame unsynchronisation (FF 00 stands for FF).
      {"v2.4", 4,
       Frame("APIC", h3test::Synchsafe(static_cast<std::uint32_t>(Apic(3, data).size())) + [&] {
         std::string s;
         for (char c : Apic(3, data)) {
           s.push_back(c);
           if (c == '\xFF') s.push_back('\0');
         }
         return s;
       }(), 4, 0, 0x03),
       3, "image/jpeg", u""},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const V2FrameTable table = TableOf(r.major, r.frames);
    ASSERT_EQ(table.size(), 1u);
    ASSERT_TRUE(IsPictureFrame(table[0]));
    const std::optional<EmbeddedPicture> p = ReadPicture(table[0]);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->type, r.type);
    EXPECT_EQ(p->mime, r.mime);
    EXPECT_EQ(p->description, r.description);
    EXPECT_EQ(p->data, data);
    EXPECT_EQ(PictureTypeOf(table[0]), r.type);
  }
}

TEST(Picture, FramesThatHoldNoReadablePicture) {
  const struct {
    const char* name;
    std::string frame;
  } rows[] = {
      {"compressed", Frame("APIC", std::string(4, '\0') + Apic(3, kJpeg), 3, 0, 0x80)},
      {"encrypted", Frame("APIC", "\x01" + Apic(3, kJpeg), 3, 0, 0x40)},
      {"linked", Frame("APIC", Apic(3, "http://example.com/a.jpg", "-->"))},
      {"MIME without end", Frame("APIC", std::string("\0image/jpeg", 11))},
      {"text frame", Frame("TIT2", std::string("\0Title", 6))},
  };
  for (const auto& r : rows) {
    const V2FrameTable table = TableOf(3, r.frame);
    ASSERT_EQ(table.size(), 1u) << r.name;
    EXPECT_FALSE(ReadPicture(table[0])) << r.name;
    EXPECT_EQ(FrontCoverIndex(table), -1) << r.name;
  }
}

TEST(Picture, FrontCoverIsTheFirstOfType3ElseTheFirstPicture) {
  const std::string text = Frame("TIT2", std::string("\0T", 2));
  const std::string back = Frame("APIC", Apic(4, "back"));
  const std::string front = Frame("APIC", Apic(3, "front"));
  const std::string other = Frame("APIC", Apic(0, "other"));
  EXPECT_EQ(FrontCoverIndex(TableOf(3, text + back + front + other)), 2);
  EXPECT_EQ(FrontCoverIndex(TableOf(3, text + other + back)), 1);
  EXPECT_EQ(FrontCoverIndex(TableOf(3, text)), -1);
  EXPECT_EQ(ReadFrontCover(TableOf(3, other + front))->data, "front");
}

TEST(Picture, AFrontCoverFrameOnlyForJpegAndPngWithTheSniffedType) {
  const std::optional<OutFrame> jpeg = MakeFrontCoverFrame(kJpeg);
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(jpeg->id, "APIC");
  EXPECT_EQ(jpeg->body, std::string("\0image/jpeg\0\x03\0", 14) + kJpeg);
  EXPECT_EQ(MakeFrontCoverFrame(kPng)->body.substr(0, 15), std::string("\0image/png\0\x03\0", 13) + kPng.substr(0, 2));
  EXPECT_FALSE(MakeFrontCoverFrame(kGif));
  EXPECT_FALSE(MakeFrontCoverFrame(""));
}
