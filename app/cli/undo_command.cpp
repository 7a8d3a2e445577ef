#include "app/cli/undo_command.h"

#include <cstdio>
#include <string>

#include "passes/journal.h"
#include "app/cli/terminal_output.h"
#include "platform/file_names.h"
#include "platform/fileio.h"

namespace vq {
namespace {

// Standard error names each file left alone and why.
class TerminalUndo : public UndoReporter {
 public:
  void Skipped(const std::string& path, const std::u16string& why) override {
    PrintUtf8(stderr, u"元に戻しませんでした: " + DecodePath(path) + u"\n  " + why + u"\n");
  }
  void ReportUpdateError(const std::u16string&, const std::u16string&) override {}
  void ReportError(const std::u16string&) override {}
};

}  // namespace

int RunListPassesCommand(const ListPassesCommandOptions&) {
  const std::vector<PassInfo> passes = ListPasses(JournalFolder());
  if (passes.empty()) PrintUtf8(stderr, u"元に戻せる処理の記録はありません。\n");
  for (const PassInfo& pass : passes) {
    std::u16string line = DecodePath(pass.name) + u"  " + PassText(pass);
    if (pass.undone) line += u"  (元に戻し済み)";
    PrintUtf8(stdout, line + u"\n");
  }
  return 0;
}

int RunUndoCommand(const UndoCommandOptions& options) {
  const std::string folder = JournalFolder();
  const std::string& named = options.journal;
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
    PrintUtf8(stderr, u"元に戻す処理: " + PassText(pass) + u"\n");
    if (options.dryRun) {
      PrintUtf8(stderr, u"試行: ファイルは変更していません。\n");
      return 0;
    }
    TerminalUndo reporter;
    const UndoResult result = UndoPass(path, reporter);
    PrintUtf8(stderr, UndoResultText(result) + u"\n");
    return result.skipped == 0 ? 0 : 1;
  } catch (const Error& e) {
    PrintUtf8(stderr, u"処理の記録を読めません: " + DecodePath(named.empty() ? path : named) + u"\n  " +
                          e.description() + u"\n");
    return 1;
  }
}

}  // namespace vq
