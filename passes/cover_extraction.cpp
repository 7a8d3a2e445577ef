#include "passes/cover_extraction.h"

#include <sys/stat.h>

#include <deque>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "formats/bytesource.h"
#include "formats/id3v2_reader.h"
#include "formats/id3v2_writer.h"
#include "formats/picture.h"
#include "passes/cover_art.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/text.h"

namespace vq {
namespace {

// The front cover's bytes of a file, read without its lock; empty without one.
std::string FrontCoverOf(const std::string& path) {
  RawFile file(path, RawFile::Mode::Read);
  const V2Header header = ReadV2Header(FileSource(file));
  if (!header.present) return {};
  std::string tag(static_cast<std::size_t>(ClaimedTagLength(file)), '\0');
  file.ReadAt(0, tag.data(), tag.size());
  file.Close();
  V2FrameTable table;
  std::u16string listing;
  ReadV2Frames(MemorySource(tag), header, table, listing);
  std::optional<EmbeddedPicture> cover = ReadFrontCover(table);
  return cover ? std::move(cover->data) : std::string();
}

ItemChange Skip(std::u16string why) {
  ItemChange c;
  c.kind = ItemChange::Kind::Skip;
  c.why = std::move(why);
  return c;
}

}  // namespace

CoverExtraction::CoverExtraction(std::vector<PassItem> files, CoverExtractionSettings settings,
                                 const PictureCodec& codec)
    : files_(std::move(files)), settings_(std::move(settings)), codec_(codec) {
  for (std::size_t i = 0; i < files_.size(); ++i) {
    const std::string folder = ParentPath(files_[i].path);
    if (ranges_.empty() || folder != folders_.back().path) {
      folders_.push_back(ItemOfPath(folder));
      ranges_.emplace_back(i, i);
    }
    ranges_.back().second = i + 1;
  }
  plans_.resize(folders_.size());
}

PassResult CoverExtraction::Run(PassObserver& observer) {
  // Each folder is a file of its own.
  return RunPass(folders_, *this,
                 {PassKind::ExtractCovers, settings_.dryRun, settings_.journalFolder, settings_.folder,
                  FailurePolicy::GoOnAlways},
                 observer);
}

ItemChange CoverExtraction::Plan(std::size_t k, const FileAtHand*) {
  FolderExtraction& plan = plans_[k];
  const auto [first, last] = ranges_[k];
  plan = FolderExtraction();
  plan.files = last - first;
  const std::string& folder = folders_[k].path;
  if (const std::optional<std::string> image = FindFolderCoverImage(folder)) {
    plan.outcome = FolderExtraction::Outcome::HasImage;
    plan.name = *image;
    return Skip(u"表紙の画像がすでにあります: " + DecodeName(*image));
  }
  // Each distinct picture is kept and checked once: an album's files mostly hold the
  // same one.
  std::deque<std::string> distinct;  // stable places for the views below
  std::unordered_map<std::string_view, std::u16string> problems;  // empty for a usable picture
  std::vector<std::string_view> covers(plan.files);
  for (std::size_t i = first; i < last; ++i) {
    std::u16string why;
    try {
      std::string picture = FrontCoverOf(files_[i].path);
      if (picture.empty()) continue;
      auto found = problems.find(picture);
      if (found == problems.end()) {
        const PictureCheck check = CheckCoverImage(picture, codec_);
        distinct.push_back(std::move(picture));
        found = problems.emplace(distinct.back(), check.ok() ? std::u16string() : PictureProblemText(check)).first;
      }
      why = found->second;
      if (why.empty()) covers[i - first] = found->first;
    } catch (const Error& e) {
      why = e.description();
    }
    if (!why.empty()) plan.unusable.emplace_back(i, std::move(why));
  }
  const std::optional<std::size_t> chosen = ChooseCoverToExtract(covers);
  if (!chosen) {
    plan.outcome = FolderExtraction::Outcome::NoCover;
    return Skip(u"曲に表紙がありません。");
  }
  const std::string_view picture = covers[*chosen];
  plan.name = ExtractedCoverName(picture);
  plan.source = first + *chosen;
  for (std::string_view c : covers) plan.holding += c == picture ? 1 : 0;
  plan.image = codec_.Probe(picture);
  plan.bytes = picture.size();
  const std::string target = JoinPath(folder, plan.name);
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0) {
    plan.outcome = FolderExtraction::Outcome::NameTaken;
    return Skip(u"同じ名前のものがあります: " + DecodeName(plan.name));
  }
  plan.outcome = FolderExtraction::Outcome::Written;
  ItemChange change;
  change.kind = ItemChange::Kind::Create;
  change.target = target;
  change.bytes = std::string(picture);
  return change;
}

std::u16string FolderExtractionText(const CoverExtraction& pass, std::size_t item) {
  const FolderExtraction& plan = pass.PlanOf(item);
  const PassItem& folder = pass.items()[item];
  const std::u16string shown = folder.shownFolder + folder.shownName + u"/";
  switch (plan.outcome) {
    case FolderExtraction::Outcome::NotPlanned: break;
    case FolderExtraction::Outcome::Written:
      return shown + DecodeName(plan.name) + u" ← " + pass.files()[plan.source].shownName + u"（" +
             Utf8ToUtf16(ImageFormatName(plan.image.format)) + u"、" + PictureSizeText(plan.image.width, plan.image.height) +
             u"、" + ByteSizeText(plan.bytes) + u"、" + FormatThousands(static_cast<std::int64_t>(plan.files)) + u" 曲中 " +
             FormatThousands(static_cast<std::int64_t>(plan.holding)) + u" 曲の表紙）";
    case FolderExtraction::Outcome::HasImage: return u"表紙の画像がすでにあります: " + shown + DecodeName(plan.name);
    case FolderExtraction::Outcome::NameTaken:
      return u"同じ名前のものがあるので書き出しません: " + shown + DecodeName(plan.name);
    case FolderExtraction::Outcome::NoCover: return u"曲に表紙がありません: " + shown;
  }
  return {};
}

}  // namespace vq
