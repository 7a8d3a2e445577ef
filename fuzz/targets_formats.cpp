#include <cstdlib>
#include <string>
#include <string_view>

#include "passes/derive_names.h"
#include "formats/bytesource.h"
#include "formats/id3v1.h"
#include "formats/id3v2_reader.h"
#include "formats/mpeg.h"
#include "fuzz/targets.h"
#include "platform/fileio.h"

namespace vqfuzz {
namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::u16string Units(const std::uint8_t* data, std::size_t size) {
  std::u16string s;
  for (std::size_t i = 0; i + 1 < size; i += 2) s.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  return s;
}

}  // namespace

void V2Reader(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  vq::MemorySource src(bytes);
  vq::V2Header h = vq::ReadV2Header(src);
  vq::V2FrameTable table;
  std::u16string listing;
  // Walk whatever the header claims, present or not, with every version byte form.
  vq::WalkV2Frames(src, h.major, h.size, table, listing);
  Check(table.size() <= vq::kMaxV2FrameEntries);
  for (const auto& e : table) Check(e.id.size() == 3 || e.id.size() == 4);
  // As the selection and the batch read it: an unsynchronised v2.2/v2.3 tag undone first.
  vq::V2FrameTable real;
  std::u16string realListing;
  if (h.present) vq::ReadV2Frames(src, h, real, realListing);
  Check(real.size() <= vq::kMaxV2FrameEntries);
  if (size > 1) {
    std::string_view rest = bytes.substr(1);
    vq::DecodeV22FrameText(rest, data[0], "TT2");
    vq::DecodeV22FrameText(rest, data[0], "COM");
    vq::DecodeV23FrameText(rest, data[0], "TIT2");
    vq::DecodeV23FrameText(rest, data[0], "COMM");
    vq::DecodeV23FrameText(rest, data[0], "WXXX");
  }
}

void MpegV1(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  vq::MemorySource src(bytes);
  std::uint64_t start = size > 0 ? data[0] * 7u : 0;
  vq::MpegHeader h = vq::FindMpegHeader(src, start);
  if (h.found) {
    Check(h.offset >= start && h.offset < start + 1020);
    Check(h.layerCode >= 0 && h.layerCode <= 3 && h.bitrateIndex >= 0 && h.bitrateIndex <= 15);
  }
  std::int64_t secs = vq::PlayTimeSeconds(size, h);
  Check(secs >= 0);
  vq::PlayTimeText(secs);
  vq::SizeText(size);
  if (auto rec = vq::ReadID3v1(src)) {
    vq::ID3v1Values v = vq::DecodeID3v1(*rec);
    Check(v.genre >= 0 && v.genre <= 255);
  } else {
    Check(size < 128 || std::string_view(bytes.data() + size - 128, 3) != "TAG");
  }
}

void DeriveNames(const std::uint8_t* data, std::size_t size) {
  std::u16string all = Units(data, size);
  // Three strings separated by U+0000 units.
  std::u16string parts[3];
  int k = 0;
  for (char16_t c : all) {
    if (c == 0 && k < 2) { ++k; continue; }
    parts[k].push_back(c);
  }
  try {
    vq::DerivedNames n = vq::DeriveNames(parts[0], parts[1], parts[2]);
    Check(n.FolderName.empty() || n.FolderName[0] != u' ');
    Check(n.FileTitle.size() + 4 <= parts[2].size());
    std::u16string p = vq::FilePath(parts[0], parts[1], parts[2]);
    Check(p.size() == parts[0].size() + parts[1].size() + 1 + parts[2].size());
  } catch (const vq::Error& e) {
    Check(e.kind() == vq::ErrorKind::InvalidArgument);
  }
}

}  // namespace vqfuzz
