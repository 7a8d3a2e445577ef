#include "passes/readings_pass.h"

#include "formats/bytesource.h"
#include "formats/id3v2_reader.h"
#include "platform/fileio.h"

namespace vq {
namespace {

ItemChange Refusal(const std::u16string& why) {
  ItemChange c;
  c.kind = ItemChange::Kind::Skip;
  c.why = why;
  return c;
}

std::u16string Shown(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out)
    if (c < 0x20 || c == 0x7F) c = u' ';
  return out;
}

}  // namespace

ReadingsPass::ReadingsPass(std::vector<PassItem> files, ReadingFor readingFor, ReadingsSettings settings)
    : files_(std::move(files)), readingFor_(std::move(readingFor)), settings_(std::move(settings)),
      plans_(files_.size()) {}

PassResult ReadingsPass::Run(PassObserver& observer) {
  // A read-only file fails only when it would get a reading.
  return RunPass(files_, *this,
                 {PassKind::Readings, settings_.dryRun, settings_.journalFolder, settings_.folder,
                  FailurePolicy::GoOnAfterUnreadable, /*unwritableFailsAtOnce=*/false},
                 observer);
}

ItemChange ReadingsPass::Plan(std::size_t item, const FileAtHand* at) {
  ReadingsFilePlan& filePlan = plans_[item];
  filePlan = {};
  if (!at->header.present) return {};  // no tag: no texts to read
  // A tag that claims more than lies before the ID3v1 record fails here.
  const std::string_view tag = at->Tag();
  V2FrameTable table;
  std::u16string listing;
  ReadV2Frames(MemorySource(tag), at->header, table, listing);
  SortFramePlan planned = PlanSortFrames(table, readingFor_, {settings_.replace, settings_.textChoice});
  filePlan.changes = std::move(planned.changes);
  if (filePlan.changes.empty()) return {};
  if (planned.notCarried > 0 || !FramesCoverTag(tag, at->header, table)) {
    filePlan.refused = true;
    return Refusal(planned.notCarried > 0
                       ? u"ID3v2.3に移せないフレームがあるので、読みを書き込みませんでした。"
                       : u"タグのフレームを読み切れないので、読みを書き込みませんでした。");
  }
  // A file with other hard links is written only in place: it stays one file.
  const std::int32_t size = at->header.size;
  if ((size <= 0 || size < FramesSize(planned.frames)) && at->file.LinkCount() > 1) throw Error(ErrorKind::HardLinked);
  ItemChange change;
  change.kind = ItemChange::Kind::Tags;
  change.headChanges = true;
  change.oldHeadLength = tag.size();
  change.head = at->Buffer();
  PutNewTagRegion(change.head, planned.frames, size, tag.size());
  if (settings_.keepDate && at->modified.tv_sec != 0) change.times = FileTimes{at->modified, at->modified};
  return change;
}

std::u16string SortedFieldName(SortedField field) {
  static const char16_t* const kNames[kSortedFieldCount] = {u"曲名", u"作者名", u"アルバム名", u"アルバム作者名",
                                                            u"作曲者名"};
  return kNames[static_cast<std::size_t>(field)];
}

std::u16string FileReadingsText(const PassItem& file, const ReadingsFilePlan& plan) {
  if (plan.changes.empty()) return {};
  std::u16string out = Shown(file.shownFolder + file.shownName) + u"\n";
  for (const SortFrameChange& c : plan.changes) {
    out += u"  " + SortedFieldName(c.field) + u"  " + Shown(c.text) + u" → " + Shown(c.reading);
    if (!c.oldReading.empty()) out += u"  (元: " + Shown(c.oldReading) + u")";
    out += u"\n";
  }
  return out;
}

}  // namespace vq
