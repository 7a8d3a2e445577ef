#include "passes/rename_pass.h"

#include "platform/text.h"

namespace vq {
namespace {

using Kind = PlannedRename::Kind;

// Counts what became of the items, and passes everything on.
class Counting final : public RelayObserver {
 public:
  Counting(PassObserver& to, const RenamePass& pass, RenameResult& result)
      : RelayObserver(to), pass_(pass), result_(result) {}
  void Finished(std::size_t item, ItemOutcome outcome) override {
    if (outcome == ItemOutcome::Changed) {
      const PlannedRename* file = pass_.FileOf(item);
      ++(file == nullptr                ? result_.foldersRemoved
         : file->kind == Kind::Companion ? result_.companions
                                         : result_.renamed);
    }
    RelayObserver::Finished(item, outcome);
  }

 private:
  const RenamePass& pass_;
  RenameResult& result_;
};

std::u16string Count(std::size_t n) { return FormatThousands(static_cast<std::int64_t>(n)); }

}  // namespace

RenamePass::RenamePass(std::string folder, RenamePlan plan) : folder_(std::move(folder)), plan_(std::move(plan)) {
  items_.reserve(plan_.items.size() + plan_.emptiedFolders.size());
  for (const PlannedRename& file : plan_.items) items_.push_back(ItemOfPath(file.oldPath));
  for (const std::string& folder : plan_.emptiedFolders) items_.push_back(ItemOfPath(folder));
}

RenameResult RenamePass::Run(const RenamePassSettings& settings, PassObserver& observer) {
  RenameResult result;
  Counting counting(observer, *this, result);
  // A file that is gone or whose new name was taken meanwhile fails alone: every other
  // rename is one step of its own.
  static_cast<PassResult&>(result) =
      RunPass(items_, *this, {PassKind::Rename, settings.dryRun, settings.journalFolder, folder_, FailurePolicy::GoOnAlways},
              counting);
  return result;
}

ItemChange RenamePass::Plan(std::size_t item, const FileAtHand*) {
  ItemChange change;
  const PlannedRename* file = FileOf(item);
  if (file == nullptr) {
    change.kind = ItemChange::Kind::RemoveFolder;
    change.target = items_[item].path;
  } else if (file->Moves()) {
    change.kind = ItemChange::Kind::Rename;
    change.target = file->newPath;
  } else if (file->kind != Kind::Unchanged) {
    change.kind = ItemChange::Kind::Skip;
    change.why = file->why;
  }
  return change;
}

std::u16string RenameResultText(const RenameResult& result, const RenamePlan& plan, bool dryRun) {
  std::u16string text = (dryRun ? u"名前を変える曲: " : u"名前を変えた曲: ") + Count(result.renamed) +
                        u" 曲、そのままの曲: " + Count(plan.unchanged) + u" 曲、タグが足りない曲: " +
                        Count(plan.missingTags) + u" 曲";
  if (plan.otherSkipped) text += u"、ほかの理由で変えない曲: " + Count(plan.otherSkipped) + u" 曲";
  if (result.companions) text += (dryRun ? u"、一緒に移すファイル: " : u"、一緒に移したファイル: ") + Count(result.companions) + u" 個";
  if (result.failures) text += u"、名前を変えられなかったファイル: " + Count(result.failures) + u" 個";
  if (result.foldersRemoved)
    text += (dryRun ? u"、削除する空のフォルダ: " : u"、削除した空のフォルダ: ") + Count(result.foldersRemoved) + u" 個";
  return text;
}

}  // namespace vq
