// Renaming files from their tags, as a planner on the pass engine: the plan of
// passes/rename_plan.h carried out in its order, the command line and the rename window
// alike. A rename never opens its file, so tag bytes and dates stay as they are. The
// engine journals each rename, and the folders it makes, before it is made; the folders
// the renames leave empty are removed at the end, each only when it is truly empty then.
// A file that is gone, or whose new name someone else took meanwhile, is reported with
// its name and the pass goes on.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "passes/pass_engine.h"
#include "passes/rename_plan.h"

namespace vq {

struct RenamePassSettings {
  bool dryRun = false;        // plan and report everything, rename nothing
  std::string journalFolder;  // where the undo journal goes (JournalFolder()); empty for none
};

struct RenameResult : PassResult {
  std::size_t renamed = 0;         // listed files that got their new name (in a dry run: would)
  std::size_t companions = 0;      // other files that moved with their album's files
  std::size_t foldersRemoved = 0;  // folders left empty and removed
};

class RenamePass final : public Planner {
 public:
  // `folder`: the folder the plan was made for, as the journal names the pass.
  RenamePass(std::string folder, RenamePlan plan);

  // What the pass goes over: every file of the plan in its order, then the folders the
  // renames empty, innermost first.
  const std::vector<PassItem>& items() const { return items_; }
  const RenamePlan& plan() const { return plan_; }
  // The plan's file of item `item`; nullptr for a folder.
  const PlannedRename* FileOf(std::size_t item) const {
    return item < plan_.items.size() ? &plan_.items[item] : nullptr;
  }

  // Runs the pass; the observer hears of each item once it is renamed (in a dry run,
  // once it is planned), of a file left as it is with the reason, and of each failure.
  RenameResult Run(const RenamePassSettings& settings, PassObserver& observer);

  Access AccessFor(std::size_t) const override { return Access::None; }
  ItemChange Plan(std::size_t item, const FileAtHand* file) override;

 private:
  std::string folder_;
  RenamePlan plan_;
  std::vector<PassItem> items_;
};

// The counts of a pass: "名前を変えた曲: 3 曲、そのままの曲: 1 曲、タグが足りない曲: 2 曲"
// and, when there are any, the files that moved with them, the files that could not be
// renamed and the empty folders removed; in a dry run "名前を変える曲: …" and "削除する
// 空のフォルダ: …".
std::u16string RenameResultText(const RenameResult& result, const RenamePlan& plan, bool dryRun);

}  // namespace vq
