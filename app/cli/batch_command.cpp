#include "app/cli/batch_command.h"

#include <unistd.h>


#include <cstdio>
#include <string>
#include <vector>

#include "passes/batch_pass.h"
#include "passes/journal.h"
#include "app/cli/terminal_output.h"
#include "platform/file_names.h"
#include "platform/fileio.h"
#include "platform/text.h"
#include "session/listing.h"
#include "session/messages.h"

namespace vq {

namespace {

// The pass reports on standard error: progress in place on a terminal, the failure's
// message as the batch window shows it. A dry run's plan goes to standard output, one
// line per file.
class TerminalCallbacks : public BatchCallbacks {
 public:
  TerminalCallbacks(const std::string& folder, const std::vector<ListedFile>& rows, bool terminal)
      : folder_(folder), rows_(rows), report(terminal) {}

  bool StopRequested() override { return StopSignal() != 0; }

  void Planned(const PlannedFile& plan) override {
    report.EndLine();
    const ListedFile& row = rows_[plan.row];
    std::u16string line = DecodePath(FolderPrefix(folder_, row.subfolderEntry)) + row.displayName + u"\t曲名: " +
                          plan.title + u"\t作者: " + plan.artist + u"\tアルバム: " + plan.album + u"\t";
    if (plan.v1) line += u"v1";
    if (plan.v1 && plan.v2) line += u" ";
    if (plan.v2) line += u"v2";
    if (!plan.v1 && !plan.v2) line += u"書き込みなし";
    PrintUtf8(stdout, line + u"\n");
    if (plan.v1 || plan.v2) ++writes;
  }

  bool Progress(std::size_t done, std::size_t count) override {
    std::u16string text = ProgressText(done, count);
    if (done >= 1 && done <= rows_.size()) text += u"  " + rows_[done - 1].displayName;
    report.Progress(text);
    return StopSignal() == 0;
  }
  void ReportUpdateError(const std::u16string& prefix, const std::u16string& name) override {
    report.UpdateError(prefix, name);
  }
  void ReportError(const std::u16string& description) override { report.Error(description); }

  std::size_t writes = 0;  // files a dry run would write

 private:
  const std::string& folder_;
  const std::vector<ListedFile>& rows_;

 public:
  TerminalReport report;
};

}  // namespace

int RunBatchCommand(const BatchCommandOptions& options) {
  const std::string& folder = options.folder;
  std::vector<ListedFile> rows;
  try {
    rows = options.fileNames ? ListOwnFiles(folder) : ListFilesWithSubfolders(folder);
  } catch (const Error& e) {
    PrintUtf8(stderr, u"フォルダを開けません。\n" + DecodePath(folder) + u"\n" + e.description() + u"\n");
    return 1;
  }
  TerminalCallbacks callbacks(folder, rows, ::isatty(2) == 1);
  CatchStopSignals();
  BatchSettings settings;
  settings.v1 = !options.noV1;
  settings.v2 = !options.noV2;
  settings.createNewOnly = options.newOnly;
  settings.keepDate = options.keepDate;
  settings.unicode = options.unicode;
  settings.dryRun = options.dryRun;
  settings.journalFolder = JournalFolder();
  const BatchResult result = RunBatch(folder, rows, settings, callbacks);
  callbacks.report.EndLine();
  if (result.stopped && StopSignal() != 0) {
    PrintUtf8(stderr, InterruptedPassText(result.done, rows.size()) + u"\n");
    return 128 + StopSignal();
  }
  if (options.dryRun) {
    std::fflush(stdout);
    PrintUtf8(stderr, u"試行: " + ProgressText(callbacks.writes, rows.size()) +
                      u" 曲に書き込みます。ファイルは変更していません。\n");
  } else {
    PrintUtf8(stderr, ProgressText(result.done, rows.size()) + u" 曲を処理しました。\n");
  }
  return result.failed ? 1 : 0;
}

}  // namespace vq
