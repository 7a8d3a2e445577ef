#include "app/cli/rename_command.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/terminal_output.h"
#include "passes/journal.h"
#include "passes/rename_pass.h"
#include "platform/file_names.h"
#include "platform/text.h"
#include "session/listing.h"
#include "session/messages.h"

namespace vq {

namespace {

// Each item's line on standard output once it is final (in a real run, once renamed);
// progress and failures on standard error.
class TerminalRename : public PassObserver {
 public:
  TerminalRename(const RenamePass& pass, bool terminal) : report(terminal), pass_(pass) {}

  bool StopRequested() override { return StopSignal() != 0; }
  void Skipped(std::size_t, const std::u16string& why) override { why_ = why; }
  void Finished(std::size_t item, ItemOutcome outcome) override {
    const PassItem& it = pass_.items()[item];
    const PlannedRename* file = pass_.FileOf(item);
    const std::u16string old = OnOneLine(it.shownFolder + it.shownName);
    std::u16string line;
    if (outcome == ItemOutcome::Skipped)
      line = old + u"\tそのまま: " + why_;
    else if (outcome == ItemOutcome::Changed && file)
      line = old + u"\t" + OnOneLine(DecodePath(file->newPath));
    else if (outcome == ItemOutcome::Changed)
      line = old + u"/\t空のフォルダを削除";
    last_ = item;
    if (line.empty()) return;
    report.EndLine();
    PrintUtf8(stdout, line + u"\n");
  }
  void Progress(std::size_t done, std::size_t count) override {
    report.Progress(done, count, pass_.items()[last_].shownName);
  }
  void Failed(const ItemFailure& failure) override { report.Failure(failure.message); }

  TerminalReport report;

 private:
  const RenamePass& pass_;
  std::u16string why_;
  std::size_t last_ = 0;
};

// "velquist: <why>" on standard error, and with `usage` the mode's usage; status 2.
int Refuse(const std::u16string& why, bool usage) {
  PrintUtf8(stderr, u"velquist: " + why + u"\n");
  if (usage) {
    const auto& modes = CommandModes();
    const auto mode = std::find_if(modes.begin(), modes.end(),
                                   [](const ModeRow& m) { return !m.flags.empty() && m.flags.front() == "--rename"; });
    if (mode != modes.end()) std::fputs(ModeUsage(*mode).c_str(), stderr);
  }
  return 2;
}

}  // namespace

int RunRenameCommand(const RenameCommandOptions& options) {
  const std::string& folder = options.folder;
  const std::u16string patternText = Utf8ToUtf16(options.pattern);
  if (Utf16ToUtf8(patternText) != options.pattern) return Refuse(u"パターンをUTF-8の文字として読めません。", true);
  const ParsedRenamePattern parsed = ParseRenamePattern(patternText);
  if (!parsed.pattern) return Refuse(parsed.error, true);

  // From here on a signal ends the command with its message, never between the two
  // steps of a rename.
  CatchStopSignals();
  std::vector<ListedFile> rows;
  try {
    rows = ListFilesBelow(folder);
  } catch (const Error& e) {
    SayFolderUnreadable(folder, e);
    return 1;
  }
  const std::vector<FileFields> fields = ReadListingFields(folder, rows);
  RenamePlan plan = PlanRenames(folder, rows, fields, *parsed.pattern);
  // Every file to one name: nothing is renamed.
  if (!plan.refusal.empty()) return Refuse(plan.refusal, false);

  RenamePass pass(folder, std::move(plan));
  RenamePassSettings settings;
  settings.dryRun = options.dryRun;
  settings.journalFolder = JournalFolder();
  TerminalRename reporter(pass, ::isatty(2) == 1);
  const RenameResult result = pass.Run(settings, reporter);
  reporter.report.EndLine();
  std::fflush(stdout);
  if (result.stopped && StopSignal() != 0) {
    PrintUtf8(stderr, StoppedPassText(PassKind::Rename, result.done, pass.items().size()) + u"\n");
    return 128 + StopSignal();
  }
  const std::u16string counts = RenameResultText(result, pass.plan(), options.dryRun);
  PrintUtf8(stderr, (options.dryRun ? u"試行: " + counts + u"。ファイルは変更していません。" : counts + u"。") + u"\n");
  return result.failed() ? 1 : 0;
}

}  // namespace vq
