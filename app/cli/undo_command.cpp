#include "app/cli/undo_command.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/cli/terminal_output.h"
#include "passes/journal.h"
#include "passes/journal_reader.h"
#include "passes/undo.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/text.h"

namespace vq {
namespace {

// Standard error names each file left alone and why; a dry run lists on standard output
// what undo would put back.
class TerminalUndo : public PassObserver {
 public:
  TerminalUndo(const std::vector<PassItem>& items, bool dryRun, bool terminal)
      : report(terminal), items_(items), dryRun_(dryRun) {}

  bool StopRequested() override { return StopSignal() != 0; }
  void Skipped(std::size_t item, const std::u16string& why) override { LeftAlone(item, why); }
  void Failed(const ItemFailure& failure) override { LeftAlone(failure.item, failure.error.description()); }
  void Finished(std::size_t item, ItemOutcome outcome) override {
    if (!dryRun_ || outcome != ItemOutcome::Changed) return;
    report.EndLine();
    PrintUtf8(stdout, u"元に戻します: " + Name(item) + u"\n");
  }
  void Progress(std::size_t done, std::size_t count) override { report.Progress(done, count); }

  TerminalReport report;

 private:
  std::u16string Name(std::size_t item) const {
    const PassItem& it = items_[item];
    return it.shownFolder + it.shownName;
  }
  void LeftAlone(std::size_t item, const std::u16string& why) {
    report.EndLine();
    PrintUtf8(stderr, u"元に戻しませんでした: " + Name(item) + u"\n  " + why + u"\n");
  }

  const std::vector<PassItem>& items_;
  bool dryRun_;
};

}  // namespace

int RunListPassesCommand(const ListPassesCommandOptions&) {
  const std::vector<PassInfo> passes = ListPasses(JournalFolder());
  if (passes.empty()) PrintUtf8(stderr, u"元に戻せる処理の記録はありません。\n");
  for (const PassInfo& pass : passes) {
    std::u16string line = DecodePath(pass.name) + u"  " + PassText(pass);
    if (pass.running) line += u"  (実行中)";
    if (pass.undone) line += u"  (元に戻し済み)";
    PrintUtf8(stdout, line + u"\n");
  }
  return 0;
}

int RunUndoCommand(const UndoCommandOptions& options) {
  const std::string folder = JournalFolder();
  const std::string& named = options.journal;
  const bool dryRun = options.dryRun;
  // From here on a signal ends undo between two files, with its message.
  CatchStopSignals();
  std::string path;
  if (named.empty()) {
    const std::optional<PassInfo> last = LastPass(folder);
    if (!last) {
      PrintUtf8(stderr, u"元に戻せる処理の記録はありません。\n");
      return 1;
    }
    path = last->path;
  } else {
    path = named.find('/') != std::string::npos ? named : folder + "/" + named + ".journal";
  }
  try {
    const PassInfo pass = ReadPassInfo(path);
    PrintUtf8(stderr, (dryRun ? u"試行: 元に戻す処理: " : u"元に戻す処理: ") + PassText(pass) + u"\n");
    PassUndo undo(path);
    TerminalUndo reporter(undo.items(), dryRun, ::isatty(2) == 1);
    const UndoResult result = undo.Run(reporter, dryRun);
    reporter.report.EndLine();
    if (result.stopped && StopSignal() != 0) {
      PrintUtf8(stderr, StoppedPassText(PassKind::Undo, result.done, undo.items().size()) + u"\n" +
                            UndoResultText(result) + u"\n");
      return 128 + StopSignal();
    }
    if (dryRun) {
      std::fflush(stdout);
      PrintUtf8(stderr, u"試行: " + FormatThousands(static_cast<std::int64_t>(result.restored)) +
                            u" 曲を元に戻します。ファイルは変更していません。\n");
      return 0;
    }
    PrintUtf8(stderr, UndoResultText(result) + u"\n");
    return result.skipped == 0 ? 0 : 1;
  } catch (const Error& e) {
    const std::u16string what = e.kind() == ErrorKind::InUse ? u"元に戻せません: " : u"処理の記録を読めません: ";
    PrintUtf8(stderr, what + DecodePath(named.empty() ? path : named) + u"\n  " + e.description() + u"\n");
    return 1;
  }
}

}  // namespace vq
