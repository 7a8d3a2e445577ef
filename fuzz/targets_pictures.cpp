#include <cstdlib>
#include <string>
#include <string_view>

#include "formats/bytesource.h"
#include "formats/id3v2_reader.h"
#include "formats/picture.h"
#include "formats/picture_codec.h"
#include "fuzz/targets.h"
#include "passes/cover_art.h"

namespace vqfuzz {
namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

void Pictures(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // The bytes as an image: the checks end on any input, a whole JPEG or PNG cut short is
  // never whole again.
  const vq::PictureCheck check = vq::PrecheckPicture(bytes);
  Check(check.ok() == (check.format != vq::ImageFormat::Unknown && vq::ImageDataComplete(bytes, check.format)) ||
        bytes.empty());
  vq::PictureProblemText(check);

  // The bytes as a tag: every picture frame of every version, and the front cover.
  for (std::uint8_t major : {2, 3, 4}) {
    std::string tag = "ID3";
    tag.push_back(static_cast<char>(major));
    tag.append("\0\0", 2);
    for (int shift : {21, 14, 7, 0}) tag.push_back(static_cast<char>((size >> shift) & 0x7F));
    tag += bytes;
    vq::MemorySource src(tag);
    vq::V2FrameTable table;
    vq::ReadV2Frames(src, vq::ReadV2Header(src), table);
    const int front = vq::FrontCoverIndex(table);
    Check(front >= -1 && front < static_cast<int>(table.size()));
    if (front >= 0) Check(vq::ReadPicture(table[static_cast<std::size_t>(front)]).has_value());
    for (const vq::V2FrameEntry& e : table) {
      const auto picture = vq::ReadPicture(e);
      Check(picture.has_value() == vq::PictureTypeOf(e).has_value());
      if (picture) Check(picture->type == *vq::PictureTypeOf(e) && picture->data.size() <= e.body.size());
    }
    // A cover added or put in place of the type 3 pictures: one frame of it, the others
    // carried over.
    if (const auto cover = vq::MakeFrontCoverFrame(std::string_view("\xFF\xD8\xFF\xD9", 4))) {
      const vq::CoverFrames framed = vq::FramesWithFrontCover(table, *cover, true);
      Check(framed.change != vq::CoverChange::KeptExisting);
      Check(framed.frames.size() <= table.size() + 1);
    }
  }

  // A cover frame made from the bytes reads back as the front cover with the same bytes.
  if (const auto frame = vq::MakeFrontCoverFrame(bytes)) {
    vq::V2FrameEntry e;
    e.id = u"APIC";
    e.major = 3;
    e.body = frame->body;
    e.fromFile = true;
    const auto back = vq::ReadPicture(e);
    Check(back && back->type == vq::kFrontCoverType && back->data == bytes && back->description.empty());
    Check(vq::ImageFormatOfMime(back->mime) == vq::SniffImageFormat(bytes));
  }
}

}  // namespace vqfuzz
