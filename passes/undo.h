// Undo of a pass, from its journal, as a planner on the pass engine: every change the
// pass made is put back, newest first, where the file still holds exactly what the pass
// wrote; a file changed since is left alone and named. Undo touches only what lies below
// the folder the pass ran over, and of files' tags only regular MP3 files: a journal is
// outside input, and may be damaged or crafted.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "passes/journal_reader.h"
#include "passes/pass_engine.h"

namespace vq {

struct UndoResult {
  std::size_t restored = 0;  // files given their old tags and times back, names back, removed
  std::size_t skipped = 0;   // files left alone: changed since, outside the pass, or failing (reported)
  std::size_t done = 0;      // changes gone over (restored, already as before, or left alone)
  bool stopped = false;      // asked to stop between two files
};

class UndoPlanner;

// Undo of one pass: the journal is read and locked while the object lives.
class PassUndo {
 public:
  // Throws Error when the journal cannot be read, or while its pass is still running (or
  // being undone elsewhere): InUse.
  explicit PassUndo(const std::string& journalPath);
  ~PassUndo();
  PassUndo(const PassUndo&) = delete;
  PassUndo& operator=(const PassUndo&) = delete;

  // What undo goes over, newest change first.
  const std::vector<PassItem>& items() const;
  // Puts the pass back (in a dry run: says through the observer what it would put back,
  // and changes nothing). Each file ends either as the pass left it or fully restored; a
  // stop comes between two files. Afterwards the journal is marked as undone when
  // something was restored or nothing was left to restore.
  UndoResult Run(PassObserver& observer, bool dryRun = false);

 private:
  class Held;
  std::unique_ptr<Held> held_;
  std::unique_ptr<UndoPlanner> planner_;
};

inline UndoResult UndoPass(const std::string& journalPath, PassObserver& observer, bool dryRun = false) {
  return PassUndo(journalPath).Run(observer, dryRun);
}

// "k 曲を元に戻しました。" CR LF "そのままにした曲: m 曲", and when m > 0 why
// ("(処理の後に変更されていたか、書き込めなかった曲)").
std::u16string UndoResultText(const UndoResult& result);

}  // namespace vq
