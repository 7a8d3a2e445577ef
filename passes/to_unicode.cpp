#include "passes/to_unicode.h"

#include "formats/bytesource.h"
#include "formats/id3v2_reader.h"
#include "platform/fileio.h"
#include "platform/text.h"

namespace vq {
namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Counts the files by what became of them, and passes everything on.
class Counting final : public RelayObserver {
 public:
  Counting(PassObserver& to, const UnicodeConversion& conversion, UnicodeResult& result)
      : RelayObserver(to), conversion_(conversion), result_(result) {}
  void Finished(std::size_t item, ItemOutcome outcome) override {
    if (outcome != ItemOutcome::Failed) {
      const UnicodeFilePlan& plan = conversion_.PlanOf(item);
      (outcome == ItemOutcome::Changed ? result_.converted : result_.unchanged) += 1;
      if (!plan.undecided.empty() || plan.unreadableTag) ++result_.undecided;
    }
    RelayObserver::Finished(item, outcome);
  }

 private:
  const UnicodeConversion& conversion_;
  UnicodeResult& result_;
};

// The tag region of a file, read without its lock (for a folder's tally only).
std::string TagOf(const std::string& path) {
  RawFile file(path, RawFile::Mode::Read);
  std::string tag(static_cast<std::size_t>(ClaimedTagLength(file)), '\0');
  file.ReadAt(0, tag.data(), tag.size());
  return tag;
}

}  // namespace

UnicodeConversion::UnicodeConversion(std::vector<PassItem> files, UnicodeSettings settings)
    : files_(std::move(files)), settings_(std::move(settings)), plans_(files_.size()) {}

UnicodeResult UnicodeConversion::Run(PassObserver& observer) {
  PassSettings pass;
  pass.kind = PassKind::Unicode;
  pass.dryRun = !settings_.write;
  pass.journalFolder = settings_.journalFolder;
  pass.folder = settings_.folder;
  pass.onFailure = FailurePolicy::GoOnAfterUnreadable;
  pass.unwritableFailsAtOnce = false;  // a read-only file fails only when it has something to convert
  UnicodeResult result;
  Counting counting(observer, *this, result);
  static_cast<PassResult&>(result) = RunPass(files_, *this, pass, counting);
  return result;
}

const ReadingTally& UnicodeConversion::FolderTally(std::size_t item) {
  const std::string folder = FolderOf(files_[item].path);
  auto [it, added] = folderTallies_.try_emplace(folder);
  if (!added) return it->second;
  // The texts every file of the folder decides by its own bytes; a file that cannot be
  // read adds nothing.
  for (const PassItem& file : files_) {
    if (FolderOf(file.path) != folder) continue;
    try {
      it->second.Add(PlanUnicodeTag(TagOf(file.path), nullptr).plan.own);
    } catch (const Error&) {
    }
  }
  return it->second;
}

ItemChange UnicodeConversion::Plan(std::size_t item, const FileAtHand* at) {
  if (!at->header.present) {
    plans_[item] = {};
    return {};
  }
  // A tag that claims more than lies before the ID3v1 record fails here, as in the batch.
  const std::string_view tag = at->Tag();
  UnicodeTagResult planned = PlanUnicodeTag(tag, nullptr);
  if (planned.plan.waitsForFolder) planned = PlanUnicodeTag(tag, &FolderTally(item));
  plans_[item] = planned.plan;
  if (!planned.plan.rewrite) return {};
  ItemChange change;
  change.kind = ItemChange::Kind::Tags;
  change.headChanges = true;
  change.oldHeadLength = tag.size();
  change.head = at->Buffer();
  PutNewTagRegion(change.head, planned.frames, at->header.size, tag.size());
  if (settings_.keepDate && at->modified.tv_sec != 0) change.times = FileTimes{at->modified, at->modified};
  return change;
}

namespace {

std::u16string Shown(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out)
    if (c < 0x20 || c == 0x7F) c = u' ';
  return out;
}

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::u16string HowRead(const UnicodeText& t) {
  if (t.fromUtf8) return u"UTF-8";
  std::u16string how = t.reading == TextReading::Latin1 ? u"ISO-8859-1" : u"コードページ932";
  if (t.byOtherTexts) how += u"、ほかの文字列から判断";
  return how;
}

}  // namespace

std::u16string PreviewText(const PassItem& file, const UnicodeFilePlan& plan) {
  if (plan.changes.empty() && plan.undecided.empty() && !plan.unreadableTag) return {};
  std::u16string out = Shown(file.shownFolder + file.shownName) + u"\n";
  if (plan.unreadableTag) out += u"  このタグは読み取れない形式なので、そのままにします\n";
  for (const UnicodeText& t : plan.changes)
    out += u"  " + Widen(t.frameId) + u"  " + Shown(t.today) + u" → " + Shown(t.becomes) + u"  (" + HowRead(t) + u")\n";
  for (const UnicodeText& t : plan.undecided)
    out += u"  " + Widen(t.frameId) + u"  判定できません: " + Shown(t.today) + u" (コードページ932では " + Shown(t.becomes) +
           u")\n";
  return out;
}

std::u16string CountsText(const UnicodeResult& result, bool preview) {
  return std::u16string(preview ? u"変換する曲 " : u"変換 ") + FormatThousands(result.converted) + u" 曲、変更なし " +
         FormatThousands(result.unchanged) + u" 曲、判定できない文字列のある曲 " + FormatThousands(result.undecided) +
         u" 曲";
}

}  // namespace vq
