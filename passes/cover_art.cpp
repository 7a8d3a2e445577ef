#include "passes/cover_art.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <unordered_map>

#include "formats/picture.h"
#include "platform/fileio.h"
#include "platform/folder_files.h"

namespace vq {

namespace {

std::string Lower(std::string_view s) {
  std::string out;
  for (char c : s) out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  return out;
}

constexpr std::array<std::string_view, 5> kCoverStems = {"cover", "folder", "front", "albumart", "jacket"};
constexpr std::array<std::string_view, 3> kCoverExtensions = {"jpg", "jpeg", "png"};

// The rank of an image extension (0 jpg, 1 jpeg, 2 png), -1 for another name.
int ExtensionRank(std::string_view lowerName, std::string_view* stem) {
  const std::size_t dot = lowerName.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return -1;
  const std::string_view ext = lowerName.substr(dot + 1);
  for (std::size_t k = 0; k < kCoverExtensions.size(); ++k) {
    if (ext == kCoverExtensions[k]) {
      *stem = lowerName.substr(0, dot);
      return static_cast<int>(k);
    }
  }
  return -1;
}

}  // namespace

std::optional<std::string> ChooseFolderCoverImage(const std::vector<std::string>& names) {
  // Ranked by stem, then by extension; of names that differ only in letter case the
  // one first in byte order, so that the choice never depends on the directory's order.
  const std::string* best = nullptr;
  std::size_t bestRank = 0;
  const std::string* onlyImage = nullptr;
  int images = 0;
  for (const std::string& name : names) {
    if (name.empty() || name[0] == '.') continue;
    const std::string lower = Lower(name);
    std::string_view stem;
    const int ext = ExtensionRank(lower, &stem);
    if (ext < 0) continue;
    ++images;
    if (!onlyImage || name < *onlyImage) onlyImage = &name;
    const auto s = std::find(kCoverStems.begin(), kCoverStems.end(), stem);
    if (s == kCoverStems.end()) continue;
    const std::size_t rank = static_cast<std::size_t>(s - kCoverStems.begin()) * kCoverExtensions.size() + static_cast<std::size_t>(ext);
    if (!best || rank < bestRank || (rank == bestRank && name < *best)) {
      best = &name;
      bestRank = rank;
    }
  }
  if (best) return *best;
  if (images == 1) return *onlyImage;
  return std::nullopt;
}

std::optional<std::string> FindFolderCoverImage(const std::string& folder) {
  return ChooseFolderCoverImage(ListFileNames(folder));
}

ImageFile ReadImageFile(const std::string& path) {
  RawFile file(path, RawFile::Mode::Read);
  ImageFile out;
  const std::uint64_t length = file.Length();
  if (length > kMaxPictureFileBytes) {
    out.problem.problem = PictureProblem::TooLarge;
    return out;
  }
  out.bytes.resize(static_cast<std::size_t>(length));
  out.bytes.resize(file.ReadSomeAt(0, out.bytes.data(), out.bytes.size()));
  file.Close();
  return out;
}

CoverPreparation PrepareCover(std::string_view imageFile, const PictureCodec& codec, int maxSide) {
  CoverPreparation r;
  // Decoded once: a picture to scale only by the scaling, one that goes in as it is by
  // the codec's check.
  PictureCheck check = PrecheckPicture(imageFile);
  if (check.ok() && check.format != ImageFormat::Jpeg && check.format != ImageFormat::Png)
    check.problem = PictureProblem::NotCoverFormat;
  if (check.ok()) check = maxSide > 0 ? codec.Measure(imageFile) : codec.Probe(imageFile);
  const bool scale = check.ok() && maxSide > 0 && (check.width > maxSide || check.height > maxSide);
  if (check.ok() && maxSide > 0 && !scale) check = codec.Probe(imageFile);
  if (!check.ok()) {
    r.problem = check;
    return r;
  }
  PreparedCover p;
  p.fileBytes = imageFile.size();
  p.fileWidth = check.width;
  p.fileHeight = check.height;
  p.image = check;
  std::optional<OutFrame> frame;
  if (scale) {
    const std::optional<PictureCodec::Scaled> scaled = codec.ScaleToJpeg(imageFile, maxSide);
    if (scaled) frame = MakeFrontCoverFrame(scaled->jpeg);
    if (!frame) {
      r.problem = check;
      r.problem.problem = PictureProblem::DoesNotDecode;
      return r;
    }
    p.scaled = true;
    p.image.format = ImageFormat::Jpeg;
    p.image.width = scaled->width;
    p.image.height = scaled->height;
  } else {
    frame = MakeFrontCoverFrame(imageFile);  // a JPEG or PNG: checked above
  }
  p.frame = std::move(*frame);
  r.cover = std::move(p);
  return r;
}

CoverFrames FramesWithFrontCover(V2FrameTable existing, const OutFrame& cover, bool replace) {
  CoverFrames out;
  const auto isFront = [](const V2FrameEntry& e) { return PictureTypeOf(e) == kFrontCoverType; };
  // A kept cover means no new tag: nothing is carried.
  if (!replace && std::any_of(existing.begin(), existing.end(), isFront)) return out;
  out.frames.reserve(existing.size() + 1);
  for (V2FrameEntry& e : existing)
    if (std::optional<OutFrame> f = CarryOverFrame(std::move(e))) out.frames.push_back(std::move(*f));
  out.change = PutFrontCover(out.frames, cover, replace);
  return out;
}

namespace {

// The picture type of a frame made for a v2.3 tag; nullopt for another frame and for a
// picture whose type cannot be read (compressed, encrypted). The body is lent to the
// frame reader and given back, never copied.
std::optional<std::uint8_t> PictureTypeOfFrame(OutFrame& frame) {
  if (frame.id != "APIC") return std::nullopt;
  V2FrameEntry entry;
  entry.id = u"APIC";
  entry.major = 3;
  entry.flags[0] = frame.flags[0];
  entry.flags[1] = frame.flags[1];
  entry.fromFile = true;
  entry.body = std::move(frame.body);
  const std::optional<std::uint8_t> type = PictureTypeOf(entry);
  frame.body = std::move(entry.body);
  return type;
}

}  // namespace

CoverChange PutFrontCover(std::vector<OutFrame>& frames, const OutFrame& cover, bool replace) {
  std::vector<bool> front(frames.size());
  bool hasFront = false;
  for (std::size_t i = 0; i < frames.size(); ++i) hasFront |= front[i] = PictureTypeOfFrame(frames[i]) == kFrontCoverType;
  if (!hasFront) {
    frames.push_back(cover);
    return CoverChange::Added;
  }
  if (!replace) return CoverChange::KeptExisting;
  // The first front cover's place takes the cover; the others go.
  std::vector<OutFrame> kept;
  kept.reserve(frames.size());
  bool placed = false;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    if (!front[i]) {
      kept.push_back(std::move(frames[i]));
    } else if (!placed) {
      kept.push_back(cover);
      placed = true;
    }
  }
  frames = std::move(kept);
  return CoverChange::Replaced;
}

std::optional<std::size_t> ChooseCoverToExtract(const std::vector<std::string_view>& covers) {
  // Counted by their bytes; each distinct picture is checked once.
  std::unordered_map<std::string_view, std::size_t> counts;
  for (std::string_view c : covers)
    if (!c.empty()) ++counts[c];
  for (auto it = counts.begin(); it != counts.end();) {
    const bool usable = !ExtractedCoverName(it->first).empty() && PrecheckPicture(it->first).ok();
    it = usable ? std::next(it) : counts.erase(it);
  }
  std::optional<std::size_t> best;
  std::size_t bestCount = 0;
  for (std::size_t i = 0; i < covers.size(); ++i) {
    const auto it = counts.find(covers[i]);
    if (it == counts.end() || it->second <= bestCount) continue;
    best = i;
    bestCount = it->second;
  }
  return best;
}

std::string ExtractedCoverName(std::string_view image) {
  switch (SniffImageFormat(image)) {
    case ImageFormat::Jpeg: return "cover.jpg";
    case ImageFormat::Png: return "cover.png";
    default: return {};
  }
}

}  // namespace vq
