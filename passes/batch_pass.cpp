#include "passes/batch_pass.h"

#include <algorithm>
#include <optional>

#include "passes/batch_frames.h"
#include "passes/derive_names.h"
#include "passes/pass_items.h"
#include "formats/bytesource.h"
#include "formats/frame_ids.h"
#include "formats/id3v1.h"
#include "formats/id3v2_reader.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "session/messages.h"

namespace vq {
DerivedNames DeriveRowNames(std::u16string_view shownFolder, const ListedFile& row) {
  const std::u16string shownEntry = row.subfolderEntry.empty() ? std::u16string() : kSep + row.subfolderName;
  return DeriveNames(shownFolder, shownEntry, row.displayName);
}

std::vector<OutFrame> BatchFrames(V2FrameTable existing, const DerivedNames& names, TextChoice choice) {
  // The derived value of each role; a value is used once, so a second frame of the
  // same id gets an empty text.
  constexpr BatchRole kRoles[] = {BatchRole::Artist, BatchRole::Album, BatchRole::Title};
  std::optional<std::u16string> values[4];
  values[static_cast<int>(BatchRole::Artist)] = names.FolderName;
  values[static_cast<int>(BatchRole::Album)] = names.SubfolderName;
  values[static_cast<int>(BatchRole::Title)] = names.FileTitle;
  auto take = [&values](BatchRole role) {
    std::optional<std::u16string>& slot = values[static_cast<int>(role)];
    std::u16string value = slot.value_or(u"");
    slot = u"";
    return value;
  };
  std::vector<OutFrame> frames;
  for (V2FrameEntry& e : existing) {
    const FrameIdInfo* info = FrameIdOf(e.id);
    if (info && info->batchRole != BatchRole::None) {
      frames.push_back(MakeTextFrame(info->v23, take(info->batchRole), choice));
      continue;
    }
    if (auto carried = CarryOverFrame(std::move(e))) frames.push_back(std::move(*carried));
  }
  // The derived values no frame took, in the order artist, album, title.
  for (BatchRole role : kRoles) {
    const auto& value = values[static_cast<int>(role)];
    if (value && !value->empty()) frames.push_back(MakeTextFrame(BatchRoleId(role), *value, choice));
  }
  return frames;
}

BatchPass::BatchPass(std::string folder, std::vector<ListedFile> rows, BatchSettings settings)
    : folder_(std::move(folder)), shownFolder_(DecodePath(folder_)), rows_(std::move(rows)),
      settings_(std::move(settings)), items_(ItemsOfRows(folder_, rows_)),
      values_(ListingValues(shownFolder_, rows_, settings_.naming)), plans_(rows_.size()) {
  if (settings_.embedCover && settings_.coverCodec) {
    covers_.emplace(*settings_.coverCodec, 0);
    for (const PassItem& item : items_) coverAlbum_.push_back(covers_->AlbumOf(item.path));
  }
}

const std::vector<AlbumCover>& BatchPass::coverAlbums() const {
  static const std::vector<AlbumCover> none;
  return covers_ ? covers_->albums() : none;
}

const OutFrame* BatchPass::AlbumCoverOf(std::size_t item) {
  return covers_ ? covers_->Cover(coverAlbum_[item]) : nullptr;
}

PassResult BatchPass::Run(PassObserver& observer) {
  return RunPass(items_, *this,
                 {PassKind::Batch, settings_.dryRun, settings_.journalFolder, folder_, FailurePolicy::StopAtFirst,
                  /*unwritableFailsAtOnce=*/true},
                 observer);
}

Planner::Access BatchPass::AccessFor(std::size_t item) const {
  // A file the pattern does not match is left alone without being opened.
  if (values_[item].outcome == RowValues::Outcome::NoMatch) return Access::None;
  return settings_.v2 ? Access::Tags : Access::Open;
}

ItemChange BatchPass::Plan(std::size_t i, const FileAtHand* at) {
  const RowValues& row = values_[i];
  PlannedFile& plan = plans_[i];
  plan = PlannedFile();
  switch (row.outcome) {
    case RowValues::Outcome::NoMatch: {
      plan.unmatched = row.reason;
      ItemChange skip;
      skip.kind = ItemChange::Kind::Skip;
      skip.why = row.reason;
      return skip;
    }
    case RowValues::Outcome::BadName:
      // A name too short to give a title: the file fails as DeriveNames refuses it.
      throw Error(ErrorKind::InvalidArgument);
    case RowValues::Outcome::Values:
      break;
  }
  plan.values = row.values;
  ItemChange change;
  change.kind = ItemChange::Kind::Tags;
  // The new tag is decided before anything is written: a tag that claims more than lies
  // before the ID3v1 record is refused before the ID3v1 step, and so is a file with
  // other hard links whose tag must grow.
  if (settings_.v2 && !(at->header.present && settings_.createNewOnly))
    PlanV2(*at, row.values, AlbumCoverOf(i), change, plan);
  if (settings_.v1) PlanV1(*at, row.values, change, plan);
  if (!change.headChanges && !change.tailChanges) return ItemChange();
  // The date the row was listed with, whenever the pass changes the file; a row whose
  // date could not be read has none to put back.
  const ListedFile& listed = rows_[i];
  if (settings_.keepDate && listed.modified != 0) {
    const struct timespec date{listed.modified, listed.modifiedNs};
    change.times = FileTimes{date, date};
  }
  return change;
}

void BatchPass::PlanV2(const FileAtHand& at, const TagValues& values, const OutFrame* cover, ItemChange& change,
                       PlannedFile& plan) const {
  V2FrameTable table;
  std::int32_t existingSize = 0;
  std::uint64_t region = 0;
  if (at.header.present) {
    const std::string_view tag = at.Tag();
    existingSize = at.header.size;
    region = tag.size();
    std::u16string listing;
    ReadV2Frames(MemorySource(tag), at.header, table, listing);
  }
  std::vector<OutFrame> frames =
      BatchFramesFor(std::move(table), values, settings_.unicode ? TextChoice::Unicode : TextChoice::CodePage);
  // "表紙を埋め込む": the album folder's cover beside the values.
  if (cover) plan.cover = PutFrontCover(frames, *cover, false);
  if ((existingSize <= 0 || existingSize < FramesSize(frames)) && at.file.LinkCount() > 1)
    throw Error(ErrorKind::HardLinked);
  change.headChanges = true;
  change.oldHeadLength = region;
  change.head = at.Buffer();
  PutNewTagRegion(change.head, frames, existingSize, region);
  plan.v2 = true;
}

void BatchPass::PlanV1(const FileAtHand& at, const TagValues& values, ItemChange& change, PlannedFile& plan) const {
  // A file shorter than a record fails here, before anything is written.
  const std::optional<BatchID3v1Change> v1 = PlanBatchID3v1(at.file, ID3v1ValuesOf(values), settings_.createNewOnly);
  if (!v1) return;
  change.tailChanges = true;
  change.oldTailLength = v1->replace ? sizeof v1->record : 0;
  change.tail.assign(reinterpret_cast<const char*>(&v1->record), sizeof v1->record);
  plan.v1 = true;
}

}  // namespace vq
