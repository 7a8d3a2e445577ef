#include "passes/cover_pass.h"

#include "formats/bytesource.h"
#include "formats/id3v2_reader.h"

namespace vq {

CoverPass::CoverPass(std::vector<PassItem> files, CoverPassSettings settings, const PictureCodec& codec)
    : files_(std::move(files)), settings_(std::move(settings)), covers_(codec, settings_.maxSide),
      plans_(files_.size()) {
  for (std::size_t i = 0; i < files_.size(); ++i) plans_[i].album = covers_.AlbumOf(files_[i].path);
}

PassResult CoverPass::Run(PassObserver& observer) {
  // A read-only file that keeps its cover is no failure.
  return RunPass(files_, *this,
                 {PassKind::Cover, settings_.dryRun, settings_.journalFolder, settings_.folder,
                  FailurePolicy::GoOnAfterUnreadable, /*unwritableFailsAtOnce=*/false},
                 observer);
}

ItemChange CoverPass::Plan(std::size_t i, const FileAtHand* at) {
  CoverFilePlan& plan = plans_[i];
  plan.change.reset();
  const OutFrame* cover = covers_.Cover(plan.album);
  if (!cover) {
    ItemChange skip;
    skip.kind = ItemChange::Kind::Skip;
    skip.why = NoCoverReason(covers_.albums()[plan.album]);
    return skip;
  }
  V2FrameTable table;
  std::int32_t existingSize = 0;
  std::uint64_t region = 0;
  if (at->header.present) {
    const std::string_view tag = at->Tag();
    existingSize = at->header.size;
    region = tag.size();
    std::u16string listing;
    ReadV2Frames(MemorySource(tag), at->header, table, listing);
  }
  CoverFrames frames = FramesWithFrontCover(std::move(table), *cover, settings_.replace);
  plan.change = frames.change;
  if (frames.change == CoverChange::KeptExisting) return {};
  // A file with other hard links stays one file: it is written in place or not at all.
  if ((existingSize <= 0 || existingSize < FramesSize(frames.frames)) && at->file.LinkCount() > 1)
    throw Error(ErrorKind::HardLinked);
  ItemChange change;
  change.kind = ItemChange::Kind::Tags;
  change.headChanges = true;
  change.oldHeadLength = region;
  change.head = at->Buffer();
  PutNewTagRegion(change.head, frames.frames, existingSize, region);
  return change;
}

}  // namespace vq
